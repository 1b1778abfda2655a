// SPDX-License-Identifier: GPL-3.0-or-later
#include "VersionCheck.h"

std::optional<QVersionNumber> parseVersion(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return std::nullopt;
    }
    // QVersionNumber alone accepts a suffix ("1.5-beta") and stops quietly at an overflowing segment, so the
    // characters are checked first and the parse must then consume the whole text.
    for (const QChar c : trimmed) {
        if (c != u'.' && (c < u'0' || c > u'9')) {
            return std::nullopt;
        }
    }
    qsizetype suffixIndex = -1;
    const QVersionNumber version = QVersionNumber::fromString(trimmed, &suffixIndex);
    if (version.isNull() || suffixIndex != trimmed.size()) {
        return std::nullopt;
    }
    return version;
}

bool isNewerVersion(const QString &published, const QString &current)
{
    const std::optional<QVersionNumber> publishedVersion = parseVersion(published);
    const std::optional<QVersionNumber> currentVersion = parseVersion(current);
    if (!publishedVersion || !currentVersion) {
        return false;
    }
    return QVersionNumber::compare(publishedVersion->normalized(), currentVersion->normalized()) > 0;
}
