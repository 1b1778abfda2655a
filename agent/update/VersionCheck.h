// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVersionNumber>

#include <optional>

/**
 * Reads a version as the update server publishes it: surrounding white space (a line end, say) is dropped, and
 * what is left must be nothing but dot-separated decimal numbers ("1.5", "1.4.2"). Anything else (an HTML error
 * page, binary data, an empty body, "1.5-beta", a segment too large for an int) is not a version.
 */
std::optional<QVersionNumber> parseVersion(const QString &text);

/**
 * Whether the published version is strictly newer than the current one, compared segment by segment with
 * trailing zeros ignored (1.4 and 1.4.0 are the same version). False when either text is not a version.
 */
bool isNewerVersion(const QString &published, const QString &current);
