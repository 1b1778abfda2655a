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
 * Fetches the version endpoint's body: one GET, asynchronously on the caller's event loop. It runs in the update
 * check's own short-lived process (earlume-update-check), so that the network stack and TLS never load into the
 * agent.
 *
 * start() sends the request and returns at once; finished() comes exactly once, with the body on success, or
 * with the reason it failed: any network error (no network, refused, host not found), a TLS handshake or
 * certificate error (never ignored), a status outside 2xx, a body over maximumBodySize bytes (reading stops
 * there), or no complete answer within the timeout. The request asks the server to close the connection, so
 * nothing stays open behind the fetch.
 */
class VersionFetch : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 maximumBodySize = 1024;

    /// The manager is not owned.
    VersionFetch(QNetworkAccessManager *nam, const QUrl &url, const QString &userAgent,
                 std::chrono::milliseconds timeout, QObject *parent = nullptr);
    ~VersionFetch() override;

    void start();

Q_SIGNALS:
    /// The body when ok; the reason, for a log line, when not.
    void finished(bool ok, const QByteArray &bodyOrReason);

private:
    void onMetaDataChanged();
    void onReadyRead();
    void onReplyFinished();
    bool appendBody(QIODevice *reply);
    void abortReply(const QString &reason);
    void conclude(const QString &failure);

    QNetworkAccessManager *const m_nam;
    const QUrl m_url;
    const QString m_userAgent;
    const std::chrono::milliseconds m_timeout;
    QTimer m_deadline;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_body;
    QString m_abortReason;
    bool m_done = false;
};

/// The update check process's main(): "earlume-update-check URL TIMEOUT_MS". Prints the body and exits 0, or
/// prints why it failed and exits 1.
int runVersionFetch(int argc, char *argv[]);
