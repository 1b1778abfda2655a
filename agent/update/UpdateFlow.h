// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>
#include <utility>

class UpdateChecker;
class UpdatePrompt;
class Workspace;

/**
 * The launch-time update check from end to end: the check (UpdateChecker), then, when a newer version is
 * published, the prompt, and on "yes" the download archive handed once to the workspace.
 *
 * The prompt opens after the check has finished and cleaned up, from the event loop rather than from inside the
 * check's own signal. It does not block: the agent keeps working while it is open. finished() comes once per
 * start(), after the prompt (if any) was answered. A failed check ends with finished() alone: no prompt, no
 * message.
 *
 * In the agent:
 *     m_updateFlow = new UpdateFlow(m_workspace, std::make_unique<MessageBoxUpdatePrompt>(), this);
 *     m_updateFlow->start();
 */
class UpdateFlow : public QObject
{
    Q_OBJECT

public:
    /// The agent's flow: updateBaseUrl() and this build's version.
    UpdateFlow(Workspace *workspace, std::unique_ptr<UpdatePrompt> prompt, QObject *parent = nullptr);
    /// Everything given (tests).
    UpdateFlow(const QUrl &baseUrl,
               const QString &currentVersion,
               Workspace *workspace,
               std::unique_ptr<UpdatePrompt> prompt,
               QObject *parent = nullptr);
    ~UpdateFlow() override;

    void start();

    UpdateChecker *checker() const;

Q_SIGNALS:
    void finished();

private:
    void onCheckFinished();
    void offerDownload();

    const QUrl m_baseUrl;
    UpdateChecker *const m_checker;
    const std::unique_ptr<UpdatePrompt> m_prompt;
    const QPointer<Workspace> m_workspace;
    std::optional<std::pair<QString, QString>> m_offer;
};
