// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsController.h"

#include "AgentLauncher.h"
#include "AutostartWatcher.h"
#include "DBusNames.h"
#include "DistributedNotificationCenter.h"
#include "EventLine.h"
#include "Logging.h"
#include "LoginServiceKit.h"
#include "Notifications.h"
#include "Settings.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>

SettingsController::SettingsController(const QString &daemonAppPath,
                                       AgentLauncher *launcher,
                                       DistributedNotificationCenter *center,
                                       const QDBusConnection &bus,
                                       QObject *parent)
    : QObject(parent)
    , m_daemonAppPath(daemonAppPath)
    , m_launcher(launcher)
    , m_center(center)
    , m_bus(bus)
{
}

SettingsController::~SettingsController() = default;

QString SettingsController::daemonAppPath() const
{
    return m_daemonAppPath;
}

SettingsController::Options SettingsController::readOptions()
{
    const Settings settings;
    Options options;
    options.hideMenu = settings.hideMenu();
    options.showHudOnConnection = settings.showHudOnConnection();
    options.settingsButton = settings.settingsButton();
    options.connectButton = settings.connectButton();
    options.pauseMediaWhenTakenOut = settings.pauseMediaWhenTakenOut();
    options.connectWhenCaseOpens = settings.connectWhenCaseOpens();
    options.lowBatteryWarning = settings.lowBatteryWarning();
    options.lowBatteryThreshold = settings.lowBatteryThreshold();
    return options;
}

bool SettingsController::isStartAtLogin() const
{
    return LoginServiceKit::isExistLoginItems(m_daemonAppPath);
}

void SettingsController::start()
{
    // Observers first, so that the agent's answer to the echo below cannot be missed.
    m_center->addObserver(Notifications::Ping, this, [this] {
        echoPing();
    });
    m_center->addObserver(Notifications::Unping, this, [this] {
        echoUnping();
    });
    m_center->addObserver(Notifications::LoginItemsListChanged, this, [this] {
        Q_EMIT loginItemsChanged();
    });

    m_autostartWatcher = new AutostartWatcher(this);
    connect(m_autostartWatcher, &AutostartWatcher::changed, this, [this] {
        m_center->post(Notifications::LoginItemsListChanged, BundleIdentifier::Settings);
    });

    if (m_bus.isConnected()) {
        // An agent that crashes or is killed posts no Unping; its bus name still goes away.
        m_agentWatcher =
            new QDBusServiceWatcher(DBusNames::AgentService, m_bus, QDBusServiceWatcher::WatchForUnregistration, this);
        connect(m_agentWatcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
            echoUnping();
        });
        m_bus.connect(DBusNames::AgentService, DBusNames::TrayPath, DBusNames::TrayInterface,
                      DBusNames::TrayHostChangedMember, this, SLOT(setTrayHost(bool)));
    }

    m_center->post(Notifications::MonitorEcho, BundleIdentifier::Settings);
    checkAgentOnBus();
}

void SettingsController::checkAgentOnBus()
{
    if (!m_bus.isConnected()) {
        return;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(
        DBusNames::DBusService, DBusNames::DBusPath, DBusNames::DBusInterface, QStringLiteral("NameHasOwner"));
    message << DBusNames::AgentService;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusPendingReply<bool> reply = *call;
        if (reply.isError()) {
            qCWarning(lcSettingsApp) << "NameHasOwner" << DBusNames::AgentService << DBusNames::DBusPath
                                     << "failed:" << reply.error().message();
            return;
        }
        // An agent that owns its name answers the echo itself; only its absence is news here. The bus
        // answers before it relays anything the agent sends after taking its name, so a Ping from an
        // agent that starts just now still comes after this and wins.
        if (!reply.value() && m_agentState == AgentState::Unknown) {
            echoUnping();
        }
    });
}

bool SettingsController::changeSettings(const Options &options, bool startAtLogin, bool loginBoxChanged)
{
    Settings settings;
    settings.setHideMenu(options.hideMenu);
    settings.setShowHudOnConnection(options.showHudOnConnection);
    settings.setSettingsButton(options.settingsButton);
    settings.setConnectButton(options.connectButton);
    settings.setPauseMediaWhenTakenOut(options.pauseMediaWhenTakenOut);
    settings.setConnectWhenCaseOpens(options.connectWhenCaseOpens);
    settings.setLowBatteryWarning(options.lowBatteryWarning);
    settings.setLowBatteryThreshold(options.lowBatteryThreshold);
    // The agent reads the file when ReloadSettings arrives, so it must be on disk before the post. A
    // click that could not be saved changed nothing: the agent has nothing to reload.
    if (!settings.save()) {
        Q_EMIT saveFailed(settings.errorString());
        return false;
    }
    changeAutostart(startAtLogin, loginBoxChanged);
    m_center->post(Notifications::ReloadSettings, BundleIdentifier::Settings);
    writeEventLine(QStringLiteral("Settings Changed"));
    return true;
}

void SettingsController::changeAutostart(bool startAtLogin, bool apply)
{
    writeEventLine(startAtLogin ? QStringLiteral("true") : QStringLiteral("false"));
    writeEventLine(startAtLogin ? QStringLiteral("Turn On") : QStringLiteral("Turn Off"));
    // The entry is the user's as much as ours (desktop tools disable it, add keys to it): it is
    // written only when the login box itself was clicked.
    if (!apply) {
        return;
    }
    if (startAtLogin) {
        LoginServiceKit::addLoginItems(m_daemonAppPath);
    } else {
        LoginServiceKit::removeLoginItems(m_daemonAppPath);
    }
}

void SettingsController::startOrStopAgent()
{
    if (m_daemonIsRunning) {
        m_center->post(Notifications::MonitorQuit, BundleIdentifier::Settings);
    } else {
        m_launcher->launch(m_daemonAppPath);
    }
}

void SettingsController::echoPing()
{
    m_agentState = AgentState::Running;
    m_daemonIsRunning = true;
    Q_EMIT agentStateChanged(m_agentState);
    askTrayHost();
}

void SettingsController::echoUnping()
{
    m_agentState = AgentState::NotRunning;
    m_daemonIsRunning = false;
    setTrayHost(true);
    Q_EMIT agentStateChanged(m_agentState);
}

void SettingsController::askTrayHost()
{
    if (!m_bus.isConnected()) {
        return;
    }
    const QDBusMessage message = QDBusMessage::createMethodCall(DBusNames::AgentService, DBusNames::TrayPath,
                                                                DBusNames::TrayInterface, DBusNames::TrayHasHostMember);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusPendingReply<bool> reply = *call;
        // An agent that cannot say (an older one) makes no claim.
        if (m_daemonIsRunning) {
            setTrayHost(reply.isError() || reply.value());
        }
    });
}

void SettingsController::setTrayHost(bool present)
{
    if (m_trayMissing != !present) {
        m_trayMissing = !present;
        Q_EMIT trayMissingChanged();
    }
}

bool SettingsController::isDaemonRunning() const
{
    return m_daemonIsRunning;
}

SettingsController::AgentState SettingsController::agentState() const
{
    return m_agentState;
}
