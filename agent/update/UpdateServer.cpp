// SPDX-License-Identifier: GPL-3.0-or-later
#include "UpdateServer.h"
#include "BuildInfo.h"

#include "Logging.h"

namespace
{
QUrl underBase(const QUrl &base, const QString &relativePath)
{
    QUrl url = base.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::StripTrailingSlash);
    QString path = url.path();
    while (path.endsWith(u'/')) {
        path.chop(1);
    }
    url.setPath(path + u'/' + relativePath);
    return url;
}

[[maybe_unused]] bool isUsableBase(const QUrl &url)
{
    return url.isValid() && !url.host().isEmpty()
        && (url.scheme() == QStringLiteral("https") || url.scheme() == QStringLiteral("http"));
}
} // namespace

QUrl builtInUpdateBaseUrl()
{
    return QUrl(QStringLiteral(EARLUME_UPDATE_BASE_URL));
}

QUrl updateBaseUrl()
{
#ifndef EARLUME_TEST_HOOKS
    return builtInUpdateBaseUrl();
#else
    const QString fromEnvironment = qEnvironmentVariable("EARLUME_UPDATE_BASE_URL");
    if (fromEnvironment.isEmpty()) {
        return builtInUpdateBaseUrl();
    }
    const QUrl url(fromEnvironment, QUrl::StrictMode);
    if (!isUsableBase(url)) {
        qCWarning(lcUpdate) << "Ignoring EARLUME_UPDATE_BASE_URL, not an http(s) URL:" << fromEnvironment;
        return builtInUpdateBaseUrl();
    }
    return url;
#endif
}

QUrl versionEndpointUrl(const QUrl &base)
{
    return underBase(base, QStringLiteral("earlume/last"));
}

QUrl downloadArchiveUrl(const QUrl &base)
{
    return underBase(base, QStringLiteral("earlume/Earlume.zip"));
}

QString currentVersion()
{
    return QStringLiteral(EARLUME_VERSION);
}

QString versionLine()
{
    return QStringLiteral("Earlume ") + currentVersion();
}
