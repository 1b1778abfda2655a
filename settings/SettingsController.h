// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Settings.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

class AgentLauncher;
class AutostartWatcher;
class DistributedNotificationCenter;
class QDBusServiceWatcher;

/**
 * What the settings window does, without the window: reads and writes the agent's four options, keeps
 * the agent's login item, and follows whether the agent runs.
 *
 * The agent's state is known only from what the agent says: a Ping means running, an Unping means not
 * running. Two things from the session bus help where the agent cannot speak: when its bus name goes
 * away (it crashed or was killed), and when at start the name has no owner at all, the agent is shown as
 * not running.
 */
class SettingsController : public QObject
{
    Q_OBJECT

public:
    enum class AgentState {
        Unknown, ///< nothing heard yet
        Running,
        NotRunning,
    };
    Q_ENUM(AgentState)

    /// The agent's options, as stored in the settings file.
    struct Options {
        bool hideMenu = false;
        bool showHudOnConnection = false;
        bool settingsButton = false;
        bool connectButton = false;
        bool pauseMediaWhenTakenOut = true;
        bool connectWhenCaseOpens = false;
        bool lowBatteryWarning = true;
        int lowBatteryThreshold = Settings::DefaultLowBatteryThreshold;

        friend bool operator==(const Options &, const Options &) = default;
    };

    /**
     * @p daemonAppPath is the agent's executable, started by @p launcher and kept as the login item.
     * Notifications go through @p center; @p bus is where the agent's name is watched.
     */
    SettingsController(const QString &daemonAppPath,
                       AgentLauncher *launcher,
                       DistributedNotificationCenter *center,
                       const QDBusConnection &bus,
                       QObject *parent = nullptr);
    ~SettingsController() override;

    QString daemonAppPath() const;

    /// The options, read afresh from the settings file.
    static Options readOptions();

    /// Whether the agent is among the user's login items.
    bool isStartAtLogin() const;

    /**
     * Starts listening: observes Ping, Unping and LoginItemsListChanged, in that order, watches the
     * autostart folder and the agent's bus name, and then asks the agent once whether it runs.
     * Call once.
     */
    void start();

    /**
     * Applies one click on any check box (or a new threshold): saves the options, goes through changeAutostart() (which
     * writes the login item only when @p loginBoxChanged, the login box being the one clicked), posts
     * ReloadSettings and writes "Settings Changed". When the options cannot be saved, it emits
     * saveFailed() instead and does nothing else. Returns whether they were saved.
     */
    bool changeSettings(const Options &options, bool startAtLogin, bool loginBoxChanged);

    /// Writes "true" or "false", then "Turn On" or "Turn Off"; when @p apply, also adds or removes the
    /// login item as @p startAtLogin says.
    void changeAutostart(bool startAtLogin, bool apply);

    /// Stops the agent (posts MonitorQuit) when it last said it runs, and starts it otherwise. The
    /// state changes only when the agent answers.
    void startOrStopAgent();

    /// The agent said it runs.
    void echoPing();
    /// The agent said it quits, or left the bus.
    void echoUnping();

    bool isDaemonRunning() const;
    AgentState agentState() const;
    /// The running agent said that this desktop shows no tray icons (asked at each Ping, followed after).
    bool trayMissing() const { return m_trayMissing; }

Q_SIGNALS:
    /// After every Ping or Unping, also a repeated one.
    void agentStateChanged(SettingsController::AgentState state);
    /// LoginItemsListChanged arrived: the login item may have changed.
    void loginItemsChanged();
    /// The options of a click could not be saved, for @p reason; the file holds what it held before.
    void saveFailed(const QString &reason);
    /// trayMissing() changed.
    void trayMissingChanged();

private Q_SLOTS:
    void setTrayHost(bool present);

private:
    void checkAgentOnBus();
    void askTrayHost();

    QString m_daemonAppPath;
    AgentLauncher *m_launcher;
    DistributedNotificationCenter *m_center;
    QDBusConnection m_bus;
    QDBusServiceWatcher *m_agentWatcher = nullptr;
    AutostartWatcher *m_autostartWatcher = nullptr;
    bool m_daemonIsRunning = false;
    AgentState m_agentState = AgentState::Unknown;
    bool m_trayMissing = false;
};
