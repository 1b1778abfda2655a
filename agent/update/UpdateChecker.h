// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QTimer>
#include <QUrl>

#include "VersionFetch.h"

#include <chrono>

/**
 * Asks the update server for the latest published version, asynchronously on the caller's event loop, and tells
 * whether it is newer than the running one.
 *
 * The request itself runs in a short-lived process of its own, updateCheckProgram() (see VersionFetch), which
 * prints the body or why it failed and exits: the network stack and TLS never load into the agent, and whatever
 * memory they took goes with that process.
 *
 * start() starts that process for versionEndpointUrl(baseUrl) and returns at once. When the body is a version
 * (see parseVersion()) strictly newer than the current one, newVersionAvailable() carries it, trimmed. Every
 * start() ends with exactly one finished(), after newVersionAvailable() if there is one.
 *
 * The check fails quietly, with one debug line in lcUpdate and no signal but finished(), on: anything the fetch
 * reports (network and TLS errors, a status outside 2xx, a body over maximumBodySize bytes, no complete answer
 * within the timeout), a body that is not a version, the process not starting, crashing, or printing more than a
 * body could be; and on no exit within the timeout and a grace second, when the process is killed. Whatever the
 * outcome, the process has ended and the timer stopped once finished() is emitted.
 */
class UpdateChecker : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds defaultTimeout{std::chrono::seconds(30)};
    static constexpr qint64 maximumBodySize = VersionFetch::maximumBodySize;

    UpdateChecker(const QUrl &baseUrl, const QString &currentVersion, QObject *parent = nullptr);
    ~UpdateChecker() override;

    /// The longest a check may take in all, from start() to the last byte; 30 s unless set.
    void setTimeout(std::chrono::milliseconds timeout);
    std::chrono::milliseconds timeout() const;

    /// The program that fetches the answer; updateCheckProgram() unless set.
    void setProgram(const QString &program);

    /// True from start() until finished().
    bool isRunning() const;

    /// Starts a check. A check still running is abandoned first and ends with its own finished().
    void start();

Q_SIGNALS:
    void newVersionAvailable(const QString &newVersion, const QString &currentVersion);
    void finished();

private:
    void onReadyRead();
    void onProcessFinished(int exitCode, QProcess::ExitStatus status);
    void onProcessError(QProcess::ProcessError error);
    void stopProcess(const QString &reason);
    void conclude(bool fetched, const QByteArray &bodyOrReason);

    const QUrl m_baseUrl;
    const QString m_currentVersion;
    QString m_program;
    std::chrono::milliseconds m_timeout = defaultTimeout;
    QTimer m_deadline;
    QPointer<QProcess> m_process;
    QByteArray m_output;
    bool m_running = false;
};

/// Where earlume-update-check is: libexec/earlume/ beside the agent's bin/, in the build tree as installed.
QString updateCheckProgram();
