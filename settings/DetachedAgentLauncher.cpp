// SPDX-License-Identifier: GPL-3.0-or-later
#include "DetachedAgentLauncher.h"

#include "Logging.h"

#include <QDir>
#include <QProcess>

bool DetachedAgentLauncher::launch(const QString &path)
{
    // The agent outlives us; it should not keep our working folder busy.
    if (QProcess::startDetached(path, {}, QDir::homePath())) {
        return true;
    }
    qCWarning(lcSettingsApp).noquote() << QStringLiteral("Cannot start the Earlume agent %1").arg(path);
    return false;
}
