// SPDX-License-Identifier: GPL-3.0-or-later
#include "UpdateFlow.h"

#include "UpdateChecker.h"
#include "UpdatePrompt.h"
#include "UpdateServer.h"
#include "desktop/Workspace.h"

UpdateFlow::UpdateFlow(Workspace *workspace, std::unique_ptr<UpdatePrompt> prompt, QObject *parent)
    : UpdateFlow(updateBaseUrl(), currentVersion(), workspace, std::move(prompt), parent)
{
}

UpdateFlow::UpdateFlow(const QUrl &baseUrl,
                       const QString &currentVersion,
                       Workspace *workspace,
                       std::unique_ptr<UpdatePrompt> prompt,
                       QObject *parent)
    : QObject(parent)
    , m_baseUrl(baseUrl)
    , m_checker(new UpdateChecker(baseUrl, currentVersion, this))
    , m_prompt(std::move(prompt))
    , m_workspace(workspace)
{
    connect(m_checker,
            &UpdateChecker::newVersionAvailable,
            this,
            [this](const QString &newVersion, const QString &current) {
                m_offer.emplace(newVersion, current);
            });
    // Queued: the prompt opens a window, which must not happen inside the checker's finished() signal.
    connect(m_checker, &UpdateChecker::finished, this, &UpdateFlow::onCheckFinished, Qt::QueuedConnection);
}

UpdateFlow::~UpdateFlow() = default;

void UpdateFlow::start()
{
    m_offer.reset();
    m_checker->start();
}

UpdateChecker *UpdateFlow::checker() const
{
    return m_checker;
}

void UpdateFlow::onCheckFinished()
{
    if (m_offer && !m_checker->isRunning()) {
        offerDownload();
        return;
    }
    Q_EMIT finished();
}

void UpdateFlow::offerDownload()
{
    const auto [newVersion, current] = *std::exchange(m_offer, std::nullopt);
    if (!m_prompt) {
        Q_EMIT finished();
        return;
    }
    const QPointer<UpdateFlow> self(this);
    m_prompt->askToDownload(newVersion, current, [self](bool download) {
        // The agent may have torn the flow down while the question was open.
        if (!self) {
            return;
        }
        if (download && self->m_workspace) {
            self->m_workspace->openUrl(downloadArchiveUrl(self->m_baseUrl));
        }
        Q_EMIT self->finished();
    });
}
