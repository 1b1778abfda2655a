// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppDelegate.h"
#include "BuildInfo.h"
#include "DBusHelper.h"
#include "DBusNames.h"
#include "DevicesObject.h"
#include "DistributedNotificationCenter.h"
#include "Notifications.h"
#include "Settings.h"
#include "SingleInstance.h"
#include "Translations.h"
#include "aap/AapBatterySource.h"
#include "aap/AapKeyStore.h"
#include "battery/AdvertisementBatterySource.h"
#include "battery/AdvertisementMonitor.h"
#include "bluetooth/BluezBluetoothService.h"
#include "bluetooth/PairList.h"
#include "desktop/SystemAppearance.h"
#include "desktop/UnixSignals.h"
#include "desktop/Workspace.h"
#include "media/MediaPause.h"
#include "notices/LowBatteryNotifier.h"
#include "notices/NoTrayNotice.h"
#include "provider/BatteryProvider.h"

#include <QApplication>

#include <memory>

namespace
{
bool platformChosen(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        return true;
    }
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "-platform") == 0 || qstrcmp(argv[i], "--platform") == 0) {
            return true;
        }
    }
    return false;
}
} // namespace

int main(int argc, char *argv[])
{
    // Wayland lets no client place its own windows, and the popover must open at the tray icon and the heads-up
    // window where it belongs: run under XWayland unless the user chose a platform (Wayland itself only where
    // the desktop has no XWayland).
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") && !platformChosen(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "xcb;wayland");
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("vostel"));
    QApplication::setOrganizationDomain(QStringLiteral("vostel.com"));
    QApplication::setApplicationName(QStringLiteral("Earlume"));
    QApplication::setApplicationVersion(QStringLiteral(EARLUME_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("com.vostel.Earlume"));
    QApplication::setQuitOnLastWindowClosed(false);
    Translations::install(QStringLiteral("earlume"));

    // Made only once this copy is the one that runs: a second copy leaves no trace.
    AapKeyStore keys; // outlives the battery sources that use it
    std::unique_ptr<BluezBluetoothService> bluetooth;
    std::unique_ptr<PortalAppearance> appearance;
    std::unique_ptr<AppDelegate> delegate;
    DesktopWorkspace workspace;
    UnixSignals signals;

    SingleInstance instance(DBusHelper::sessionBus(), DBusNames::AgentService);
    QObject::connect(&instance, &SingleInstance::alreadyRunning, &app, [] { QCoreApplication::exit(0); });
    QObject::connect(&instance, &SingleInstance::acquired, &app, [&] {
        bluetooth = std::make_unique<BluezBluetoothService>(DBusHelper::systemBus());
        // Owned by the service.
        auto *accessory = new AapBatterySource(bluetooth.get(), DBusHelper::systemBus(), &keys, bluetooth.get());
        auto *advertisements = new AdvertisementBatterySource(bluetooth.get(), bluetooth.get());
        advertisements->setPairKeys([accessory](const QString &path) {
            const Aap::KeysReport keys = accessory->pairKeys(path);
            return AdvertisementBatterySource::PairKeys{keys.irk, keys.encryptionKey};
        });
        bluetooth->addBatterySource(accessory);
        bluetooth->addBatterySource(advertisements);
        // Pairs that are not connected here are listened for in bursts only when someone wants their case heard.
        advertisements->setListenForNearby(Settings().connectWhenCaseOpens());
        DistributedNotificationCenter::defaultCenter()->addObserver(
            Notifications::ReloadSettings, advertisements,
            [advertisements] { advertisements->setListenForNearby(Settings().connectWhenCaseOpens()); });
        // Where BlueZ offers it, the controller listens for them instead, at no cost while nothing matches.
        new AdvertisementMonitor(bluetooth.get(), advertisements, DBusHelper::systemBus(), bluetooth.get());
        // Every paired AirPods in one list, which everything below reads. Owned by the service.
        auto *pairs = new PairList(bluetooth.get(), bluetooth.get());
        new MediaPause(pairs, DBusHelper::sessionBus(), bluetooth.get());
        // Where else the readings go: BlueZ's power panel, low-battery notices, other programs. Owned by the service.
        new BatteryProvider(bluetooth.get(), pairs, DBusHelper::systemBus(), bluetooth.get());
        new DevicesObject(pairs, DBusHelper::sessionBus(), bluetooth.get());
        auto *notices = new LowBatteryNotifier(pairs, DBusHelper::sessionBus(), bluetooth.get());
        DistributedNotificationCenter::defaultCenter()->addObserver(Notifications::ReloadSettings, notices,
                                                                    [notices] { notices->reloadSettings(); });
        appearance = std::make_unique<PortalAppearance>(DBusHelper::sessionBus());
        appearance->start();
        AppDelegate::Services services;
        services.bluetooth = bluetooth.get();
        services.pairs = pairs;
        services.workspace = &workspace;
        services.notificationCenter = DistributedNotificationCenter::defaultCenter();
        services.appearance = appearance.get();
        delegate = std::make_unique<AppDelegate>(services);
        QObject::connect(delegate.get(), &AppDelegate::terminateRequested, &app, [] { QCoreApplication::exit(0); });
        QObject::connect(&signals, &UnixSignals::terminationRequested, delegate.get(), &AppDelegate::quit);
        delegate->applicationDidFinishLaunching();
        // Says so when this desktop shows no tray icons at all. Owned by the delegate.
        (new NoTrayNotice(DBusHelper::sessionBus(), &workspace, delegate.get()))->start();
    });
    // Before this copy knows whether it may run, a termination request simply ends it.
    QObject::connect(&signals, &UnixSignals::terminationRequested, &app, [&] {
        if (!delegate) {
            QCoreApplication::exit(0);
        }
    });
    instance.request();

    const int status = app.exec();
    delegate.reset();
    return status;
}
