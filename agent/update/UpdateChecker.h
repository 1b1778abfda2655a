// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <chrono>

class QNetworkAccessManager;
class QIODevice;
class QNetworkReply;

/**
 * Asks the update server for the latest published version, asynchronously on the caller's event loop, and tells
 * whether it is newer than the running one.
 *
 * start() sends one GET to versionEndpointUrl(baseUrl) and returns at once. When the body is a version (see
 * parseVersion()) strictly newer than the current one, newVersionAvailable() carries it, trimmed. Every start()
 * ends with exactly one finished(), after newVersionAvailable() if there is one.
 *
 * The check fails quietly, with one debug line in lcUpdate and no signal but finished(), on: any network error
 * (no network, refused, host not found), a TLS handshake or certificate error (never ignored), a status outside
 * 2xx, a body over maximumBodySize bytes (reading stops there), a body that is not a version, or no complete
 * answer within the timeout. Whatever the outcome, the reply is gone and the timer stopped once finished() is
 * emitted, and the request asks the server to close the connection, so nothing stays open behind the check.
 */
class UpdateChecker : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds defaultTimeout{std::chrono::seconds(30)};
    static constexpr qint64 maximumBodySize = 1024;

    /// The manager is not owned; the checker copes with it going away first.
    UpdateChecker(QNetworkAccessManager *nam,
                  const QUrl &baseUrl,
                  const QString &currentVersion,
                  QObject *parent = nullptr);
    ~UpdateChecker() override;

    /// The longest a check may take in all, from start() to the last byte; 30 s unless set.
    void setTimeout(std::chrono::milliseconds timeout);
    std::chrono::milliseconds timeout() const;

    /// True from start() until finished().
    bool isRunning() const;

    /// Starts a check. A check still running is abandoned first and ends with its own finished().
    void start();

Q_SIGNALS:
    void newVersionAvailable(const QString &newVersion, const QString &currentVersion);
    void finished();

private:
    void onMetaDataChanged();
    void onReadyRead();
    void onReplyFinished();
    void onDeadline();
    bool appendBody(QIODevice *reply);
    void abortReply(const QString &reason);
    void conclude(const QString &failure);

    const QPointer<QNetworkAccessManager> m_nam;
    const QUrl m_baseUrl;
    const QString m_currentVersion;
    std::chrono::milliseconds m_timeout = defaultTimeout;
    QTimer m_deadline;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_body;
    QString m_abortReason;
    quint64 m_generation = 0;
    bool m_running = false;
};
