// SPDX-License-Identifier: GPL-3.0-or-later
#include "VersionFetch.h"
#include "BuildInfo.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>

#include <cstdio>
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

VersionFetch::VersionFetch(QNetworkAccessManager *nam, const QUrl &url, const QString &userAgent,
                           std::chrono::milliseconds timeout, QObject *parent)
    : QObject(parent)
    , m_nam(nam)
    , m_url(url)
    , m_userAgent(userAgent)
    , m_timeout(timeout)
    , m_deadline(this)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        if (m_reply) {
            abortReply(QStringLiteral("no complete answer within %1 ms").arg(m_timeout.count()));
        }
    });
}

VersionFetch::~VersionFetch()
{
    if (m_reply) {
        QNetworkReply *reply = m_reply;
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void VersionFetch::start()
{
    const QUrl &url = m_url;
    const bool httpUrl = url.scheme() == QStringLiteral("https") || url.scheme() == QStringLiteral("http");
    if (!url.isValid() || !httpUrl) {
        QMetaObject::invokeMethod(this, [this] { conclude(QStringLiteral("no usable update URL")); },
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
    request.setHeader(QNetworkRequest::UserAgentHeader, m_userAgent);
    request.setRawHeader(QByteArrayLiteral("Accept"), QByteArrayLiteral("text/plain"));

    m_reply = m_nam->get(request);
    // Qt stops reading from the socket once this much is buffered, so an endless body is not pulled in
    // faster than onReadyRead() can refuse it.
    m_reply->setReadBufferSize(maximumBodySize + 1);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &VersionFetch::onMetaDataChanged);
    connect(m_reply, &QIODevice::readyRead, this, &VersionFetch::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &VersionFetch::onReplyFinished);
    m_deadline.start(m_timeout);
}

void VersionFetch::onMetaDataChanged()
{
    if (!m_reply || !isSuccessStatus(m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute))) {
        return;
    }
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > maximumBodySize) {
        abortReply(QStringLiteral("declared body of %1 bytes is too long").arg(length.toLongLong()));
    }
}

void VersionFetch::onReadyRead()
{
    if (m_reply && !appendBody(m_reply)) {
        abortReply(QStringLiteral("body is longer than %1 bytes").arg(maximumBodySize));
    }
}

bool VersionFetch::appendBody(QIODevice *reply)
{
    // Reads at most one byte past the limit: enough to know the body is too long.
    m_body += reply->read(maximumBodySize + 1 - m_body.size());
    return m_body.size() <= maximumBodySize;
}

void VersionFetch::abortReply(const QString &reason)
{
    m_abortReason = reason;
    // abort() emits finished() before it returns, so onReplyFinished() normally concludes the check from there;
    // the second call covers a reply that had nothing left to emit.
    m_reply->abort();
    onReplyFinished();
}

void VersionFetch::onReplyFinished()
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

void VersionFetch::conclude(const QString &failure)
{
    if (std::exchange(m_done, true)) {
        return;
    }
    m_deadline.stop();
    if (failure.isEmpty()) {
        Q_EMIT finished(true, std::exchange(m_body, QByteArray()));
    } else {
        Q_EMIT finished(false, failure.toUtf8());
    }
}

int runVersionFetch(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    bool ok = false;
    const int timeout = arguments.size() == 3 ? arguments.at(2).toInt(&ok) : 0;
    if (!ok || timeout <= 0) {
        std::fputs("usage: earlume-update-check URL TIMEOUT_MS\n", stderr);
        return 2;
    }
#ifdef EARLUME_TEST_HOOKS
    // Test builds only: certificates trusted besides the system's, so that tests can serve HTTPS on 127.0.0.1.
    if (const QString file = qEnvironmentVariable("EARLUME_UPDATE_CA_CERTIFICATES"); !file.isEmpty()) {
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.addCaCertificates(file);
        QSslConfiguration::setDefaultConfiguration(configuration);
    }
#endif
    QNetworkAccessManager nam;
    VersionFetch fetch(&nam, QUrl(arguments.at(1), QUrl::StrictMode),
                       QStringLiteral("Earlume/") + QStringLiteral(EARLUME_VERSION),
                       std::chrono::milliseconds(timeout));
    int status = 1;
    QObject::connect(&fetch, &VersionFetch::finished, &app, [&status](bool fetched, const QByteArray &text) {
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        std::fflush(stdout);
        status = fetched ? 0 : 1;
        QCoreApplication::exit();
    });
    fetch.start();
    app.exec();
    return status;
}
