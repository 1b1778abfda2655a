// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppDelegate.h"
#include "DetachedAgentLauncher.h"
#include "Logging.h"
#include "Translations.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Earlume_Settings"));
    QApplication::setDesktopFileName(QStringLiteral("com.vostel.Earlume.Settings"));
    Translations::install(QStringLiteral("earlume_settings"));

    // The agent is installed beside this program, in the build tree as in the installed bindir.
    const QString daemonAppPath = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Earlume"));
    const QFileInfo daemon(daemonAppPath);
    if (!daemon.isFile() || !daemon.isExecutable()) {
        qCCritical(lcSettingsApp).noquote()
            << QStringLiteral("Cannot find the Earlume agent at %1; please reinstall Earlume").arg(daemonAppPath);
        return 1;
    }

    AppDelegate delegate(daemonAppPath, std::make_unique<DetachedAgentLauncher>());
    QObject::connect(&delegate, &AppDelegate::handedOver, &app, [] {
        QCoreApplication::exit(0);
    });
    delegate.run();
    return QApplication::exec();
}
