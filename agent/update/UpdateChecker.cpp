// SPDX-License-Identifier: GPL-3.0-or-later
#include "UpdateChecker.h"

#include "Logging.h"
#include "UpdateServer.h"
#include "VersionCheck.h"

#include <QCoreApplication>
#include <QDir>

#include <utility>

namespace
{
// The most the check process may print: a body of at most maximumBodySize bytes, or why it failed (Qt's error
// strings can hold the URL).
constexpr qint64 maximumOutputSize = 4096;
// How long after the timeout the process has to exit by itself (it keeps the same timeout) before it is killed.
constexpr std::chrono::milliseconds exitGrace{std::chrono::seconds(1)};
} // namespace

QString updateCheckProgram()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath()
                           + QStringLiteral("/../libexec/earlume/earlume-update-check"));
}

UpdateChecker::UpdateChecker(const QUrl &baseUrl, const QString &currentVersion, QObject *parent)
    : QObject(parent)
    , m_baseUrl(baseUrl)
    , m_currentVersion(currentVersion)
    , m_program(updateCheckProgram())
    , m_deadline(this)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        stopProcess(QStringLiteral("no complete answer within %1 ms").arg(m_timeout.count()));
    });
}

UpdateChecker::~UpdateChecker()
{
    if (m_process) {
        // No signals from a dying object: end the process without going through conclude().
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(1000);
    }
}

void UpdateChecker::setTimeout(std::chrono::milliseconds timeout)
{
    m_timeout = timeout;
}

std::chrono::milliseconds UpdateChecker::timeout() const
{
    return m_timeout;
}

void UpdateChecker::setProgram(const QString &program)
{
    m_program = program;
}

bool UpdateChecker::isRunning() const
{
    return m_running;
}

void UpdateChecker::start()
{
    if (m_running) {
        const QPointer<UpdateChecker> self(this);
        stopProcess(QStringLiteral("superseded by a new check"));
        if (!self) {
            return;
        }
    }
    m_running = true;
    m_output.clear();

    const QUrl url = versionEndpointUrl(m_baseUrl);
    if (!url.isValid() || (url.scheme() != QStringLiteral("https") && url.scheme() != QStringLiteral("http"))) {
        // Known before sending, reported the same way as a network failure: later, from the event loop.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_running && !m_process) {
                    conclude(false, QByteArrayLiteral("no usable update URL"));
                }
            },
            Qt::QueuedConnection);
        return;
    }

    m_process = new QProcess(this);
    m_process->setProgram(m_program);
    m_process->setArguments({url.toString(QUrl::FullyEncoded), QString::number(m_timeout.count())});
    m_process->setStandardInputFile(QProcess::nullDevice());
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel); // its warnings join the agent's
    connect(m_process, &QProcess::readyReadStandardOutput, this, &UpdateChecker::onReadyRead);
    connect(m_process, &QProcess::finished, this, &UpdateChecker::onProcessFinished);
    connect(m_process, &QProcess::errorOccurred, this, &UpdateChecker::onProcessError);
    m_deadline.start(m_timeout + exitGrace);
    m_process->start();
}

void UpdateChecker::onReadyRead()
{
    if (!m_process) {
        return;
    }
    // Reads at most one byte past the limit: enough to know the output is too long.
    m_output += m_process->read(maximumOutputSize + 1 - m_output.size());
    if (m_output.size() > maximumOutputSize) {
        stopProcess(QStringLiteral("the check printed more than %1 bytes").arg(maximumOutputSize));
    }
}

void UpdateChecker::onProcessFinished(int exitCode, QProcess::ExitStatus status)
{
    onReadyRead();
    if (!m_process) {
        return;
    }
    if (status == QProcess::CrashExit) {
        conclude(false, QByteArrayLiteral("the check process crashed"));
    } else if (exitCode == 0 || exitCode == 1) {
        conclude(exitCode == 0, std::exchange(m_output, QByteArray()));
    } else {
        conclude(false, "the check process exited with status " + QByteArray::number(exitCode));
    }
}

void UpdateChecker::onProcessError(QProcess::ProcessError error)
{
    // Any other error ends with finished() as well, handled there.
    if (error == QProcess::FailedToStart) {
        conclude(false, QStringLiteral("cannot run %1: %2").arg(m_program, m_process->errorString()).toUtf8());
    }
}

void UpdateChecker::stopProcess(const QString &reason)
{
    if (m_process) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(1000);
    }
    conclude(false, reason.toUtf8());
}

void UpdateChecker::conclude(bool fetched, const QByteArray &bodyOrReason)
{
    m_deadline.stop();
    if (QProcess *process = m_process) {
        m_process = nullptr;
        process->disconnect(this);
        process->deleteLater();
    }
    m_running = false;
    m_output.clear();

    const QPointer<UpdateChecker> self(this);
    if (!fetched) {
        qCDebug(lcUpdate).noquote() << "Update check failed:" << QString::fromUtf8(bodyOrReason);
    } else {
        const QString published = QString::fromUtf8(bodyOrReason).trimmed();
        if (bodyOrReason.size() > maximumBodySize) {
            qCDebug(lcUpdate) << "Update check failed: body is longer than" << maximumBodySize << "bytes";
        } else if (!parseVersion(published)) {
            qCDebug(lcUpdate) << "Update check failed: the server's answer is not a version";
        } else if (isNewerVersion(published, m_currentVersion)) {
            Q_EMIT newVersionAvailable(published, m_currentVersion);
        } else {
            qCDebug(lcUpdate).noquote() << "Up to date: published" << published << "current" << m_currentVersion;
        }
    }
    if (self) {
        Q_EMIT finished();
    }
}
