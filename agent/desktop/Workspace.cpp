// SPDX-License-Identifier: GPL-3.0-or-later
#include "Workspace.h"

#include "Logging.h"

#include <QDesktopServices>

void DesktopWorkspace::openUrl(const QUrl &url)
{
    if (!QDesktopServices::openUrl(url)) {
        qCWarning(lcAgent) << "Could not open" << url.toString();
    }
}
