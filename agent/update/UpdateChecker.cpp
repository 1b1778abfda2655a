// SPDX-License-Identifier: GPL-3.0-or-later
#include "UpdateChecker.h"

#include "Logging.h"
#include "UpdateServer.h"
#include "VersionCheck.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <utility>

namespace
{
bool isSuccessStatus(const QVariant &status)
{
    bool ok = false;
    const int code = status.toInt(&ok);
    return ok && code >= 200 && code < 300;
}
} // namespace

UpdateChecker::UpdateChecker(QNetworkAccessManager *nam,
                             const QUrl &baseUrl,
                             const QString &currentVersion,
                             QObject *parent)
    : QObject(parent)
    , m_nam(nam)
    , m_baseUrl(baseUrl)
    , m_currentVersion(currentVersion)
    , m_deadline(this)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &UpdateChecker::onDeadline);
}

UpdateChecker::~UpdateChecker()
{
    if (m_reply) {
        // No signals from a dying object: drop the reply without going through onReplyFinished().
        QNetworkReply *reply = m_reply;
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
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

bool UpdateChecker::isRunning() const
{
    return m_running;
}

void UpdateChecker::start()
{
    if (m_running) {
        const QPointer<UpdateChecker> self(this);
        if (m_reply) {
            abortReply(QStringLiteral("superseded by a new check"));
        } else {
            conclude(QStringLiteral("superseded by a new check"));
        }
        if (!self) {
            return;
        }
    }
    m_running = true;
    m_body.clear();
    m_abortReason.clear();
    const quint64 generation = ++m_generation;

    const QUrl url = versionEndpointUrl(m_baseUrl);
    const bool httpUrl = url.scheme() == QStringLiteral("https") || url.scheme() == QStringLiteral("http");
    if (!m_nam || !url.isValid() || !httpUrl) {
        // Known before sending, reported the same way as a network failure: later, from the event loop.
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (m_running && generation == m_generation && !m_reply) {
                    conclude(QStringLiteral("no usable update URL or network manager"));
                }
            },
            Qt::QueuedConnection);
        return;
    }

    QNetworkRequest request(url);
    // One small plain-text GET over HTTP/1.1, nothing from or into a cache, no cookies, and no connection kept
    // afterwards: "Connection: close" asks the server to close it, and since Qt would otherwise keep the
    // connection idle in the manager's cache for two minutes when the server does not, a cache expiry of zero
    // makes Qt close it as soon as the reply is done.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setRawHeader(QByteArrayLiteral("Connection"), QByteArrayLiteral("close"));
    request.setAttribute(QNetworkRequest::ConnectionCacheExpiryTimeoutSecondsAttribute, 0);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setMaximumRedirectsAllowed(5);
    request.setHeader(QNetworkRequest::UserAgentHeader, QString(QStringLiteral("Earlume/") + m_currentVersion));
    request.setRawHeader(QByteArrayLiteral("Accept"), QByteArrayLiteral("text/plain"));

    m_reply = m_nam->get(request);
    // Qt stops reading from the socket once this much is buffered, so an endless body is not pulled in
    // faster than onReadyRead() can refuse it.
    m_reply->setReadBufferSize(maximumBodySize + 1);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &UpdateChecker::onMetaDataChanged);
    connect(m_reply, &QIODevice::readyRead, this, &UpdateChecker::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateChecker::onReplyFinished);
    m_deadline.start(m_timeout);
}

void UpdateChecker::onMetaDataChanged()
{
    if (!m_reply || !isSuccessStatus(m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute))) {
        return;
    }
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > maximumBodySize) {
        abortReply(QStringLiteral("declared body of %1 bytes is too long").arg(length.toLongLong()));
    }
}

void UpdateChecker::onReadyRead()
{
    if (m_reply && !appendBody(m_reply)) {
        abortReply(QStringLiteral("body is longer than %1 bytes").arg(maximumBodySize));
    }
}

bool UpdateChecker::appendBody(QIODevice *reply)
{
    // Reads at most one byte past the limit: enough to know the body is too long.
    m_body += reply->read(maximumBodySize + 1 - m_body.size());
    return m_body.size() <= maximumBodySize;
}

void UpdateChecker::onDeadline()
{
    if (m_reply) {
        abortReply(QStringLiteral("no complete answer within %1 ms").arg(m_timeout.count()));
    }
}

void UpdateChecker::abortReply(const QString &reason)
{
    m_abortReason = reason;
    // abort() emits finished() before it returns, so onReplyFinished() normally concludes the check from there;
    // the second call covers a reply that had nothing left to emit.
    m_reply->abort();
    onReplyFinished();
}

void UpdateChecker::onReplyFinished()
{
    QNetworkReply *const reply = m_reply;
    if (!reply) {
        return;
    }
    m_reply = nullptr;
    reply->disconnect(this);
    reply->deleteLater();

    if (!m_abortReason.isEmpty()) {
        conclude(m_abortReason);
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        conclude(reply->errorString());
        return;
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!isSuccessStatus(status)) {
        conclude(QStringLiteral("HTTP status %1").arg(status.toString()));
        return;
    }
    if (!appendBody(reply)) {
        conclude(QStringLiteral("body is longer than %1 bytes").arg(maximumBodySize));
        return;
    }
    conclude(QString());
}

void UpdateChecker::conclude(const QString &failure)
{
    m_deadline.stop();
    m_running = false;
    const QByteArray body = std::exchange(m_body, QByteArray());

    const QPointer<UpdateChecker> self(this);
    if (!failure.isEmpty()) {
        qCDebug(lcUpdate).noquote() << "Update check failed:" << failure;
    } else {
        const QString published = QString::fromUtf8(body).trimmed();
        if (!parseVersion(published)) {
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
