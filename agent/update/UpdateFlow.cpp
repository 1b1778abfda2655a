// SPDX-License-Identifier: GPL-3.0-or-later
#include "UpdateFlow.h"

#include "UpdateChecker.h"
#include "UpdatePrompt.h"
#include "UpdateServer.h"
#include "Workspace.h"

#include <QNetworkAccessManager>

UpdateFlow::UpdateFlow(Workspace *workspace, std::unique_ptr<UpdatePrompt> prompt, QObject *parent)
    : UpdateFlow(nullptr, updateBaseUrl(), currentVersion(), workspace, std::move(prompt), parent)
{
}

UpdateFlow::UpdateFlow(QNetworkAccessManager *nam,
                       const QUrl &baseUrl,
                       const QString &currentVersion,
                       Workspace *workspace,
                       std::unique_ptr<UpdatePrompt> prompt,
                       QObject *parent)
    : QObject(parent)
    , m_baseUrl(baseUrl)
    , m_checker(new UpdateChecker(nam ? nam : new QNetworkAccessManager(this), baseUrl, currentVersion, this))
    , m_prompt(std::move(prompt))
    , m_workspace(workspace)
{
    connect(m_checker,
            &UpdateChecker::newVersionAvailable,
            this,
            [this](const QString &newVersion, const QString &current) {
                m_offer.emplace(newVersion, current);
            });
    // Queued: the prompt is modal and must not run inside the network reply's finished() signal.
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
    const QPointer<UpdateFlow> self(this);
    if (m_offer && !m_checker->isRunning()) {
        offerDownload();
    }
    if (self) {
        Q_EMIT finished();
    }
}

void UpdateFlow::offerDownload()
{
    const auto [newVersion, current] = *std::exchange(m_offer, std::nullopt);
    const QPointer<UpdateFlow> self(this);
    const bool download = m_prompt && m_prompt->askToDownload(newVersion, current);
    // The prompt ran its own event loop; the agent may have torn things down meanwhile.
    if (self && download && m_workspace) {
        m_workspace->openUrl(downloadArchiveUrl(m_baseUrl));
    }
}
