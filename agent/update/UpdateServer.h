// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

/**
 * Where the update server lives and what the agent calls itself. One host serves two paths below its base URL:
 * "earlume/last", whose body is the latest published version as plain text, and "earlume/Earlume.zip", the
 * download that the user's browser fetches. The agent reads the first and never fetches the second itself.
 */

/// The base URL fixed at build time (the CMake cache variable EARLUME_UPDATE_BASE_URL).
QUrl builtInUpdateBaseUrl();

/**
 * The base URL the agent uses: the built-in one. Test builds only (EARLUME_TEST_HOOKS): when the environment
 * variable EARLUME_UPDATE_BASE_URL holds an absolute http or https URL, it takes the place of the built-in one,
 * so that end-to-end tests can point a real agent at a server on 127.0.0.1. Anything else in it is ignored with
 * a warning.
 */
QUrl updateBaseUrl();

/// "<base>/earlume/last": the version endpoint. A path in the base is kept ("https://h/mirror" gives
/// "https://h/mirror/earlume/last"); its query and fragment are dropped.
QUrl versionEndpointUrl(const QUrl &base);

/// "<base>/earlume/Earlume.zip": the download archive, handed to the desktop to open.
QUrl downloadArchiveUrl(const QUrl &base);

/// This build's version, from CMake's project(VERSION).
QString currentVersion();

/// The version line of the tray's menu: "Earlume " followed by this build's version.
QString versionLine();
