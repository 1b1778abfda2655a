// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QPointer>

class QTimer;
class Workspace;

/**
 * Whether the desktop shows tray icons: a StatusNotifierWatcher on the session bus, or an XEmbed system tray. When
 * neither has come WaitMs after start(), the user learns it once per login from a desktop notice
 * (org.freedesktop.Notifications) that says Earlume runs and what to install, with an action that opens Earlume
 * Settings; "this login" is remembered by a file in $XDG_RUNTIME_DIR, which ends with the user's session. The tray
 * icon needs nothing of this: it moves to a host as soon as one comes.
 *
 * The settings program asks it on the session bus, DBusNames::TrayPath with DBusNames::TrayInterface:
 * HasTrayHost() (true until the wait is over: no claim before), and TrayHostChanged(present) when that changes.
 */
class NoTrayNotice : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.vostel.Earlume.Tray1")

public:
    static constexpr int WaitMs = 8000;
    /// How often an XEmbed tray is looked for while there is no host (one X request).
    static constexpr int PollMs = 3000;
    /// The action key of the notice's button and of a click on the notice itself.
    static inline const QString SettingsAction = QStringLiteral("settings");

    NoTrayNotice(const QDBusConnection &sessionBus, Workspace *workspace, QObject *parent = nullptr);
    ~NoTrayNotice() override;

    void start();
    /// The file that says this login has had the notice.
    static QString markerPath();

public Q_SLOTS:
    Q_SCRIPTABLE bool HasTrayHost() const;

Q_SIGNALS:
    Q_SCRIPTABLE void TrayHostChanged(bool present);

private Q_SLOTS:
    void actionInvoked(uint id, const QString &key);

private:
    void update();
    void notify();

    QDBusConnection m_bus;
    QPointer<Workspace> m_workspace;
    QTimer *m_poll = nullptr;
    bool m_watcher = false;
    bool m_waited = false;
    bool m_host = true;
    bool m_registered = false;
    uint m_noticeId = 0;
};
