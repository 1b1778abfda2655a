// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

class AgentLauncher;
class QMainWindow;
class QMessageBox;
class SettingsController;
class SingleInstance;
class ViewController;

/**
 * The settings program as a whole: makes sure one copy runs, owns the settings window with its menu,
 * and shows the About panel. Closing the window ends the program; nothing is sent to the agent then,
 * so the agent keeps running.
 */
class AppDelegate : public QObject
{
    Q_OBJECT

public:
    /// The agent at @p daemonAppPath is started through @p launcher.
    AppDelegate(const QString &daemonAppPath, std::unique_ptr<AgentLauncher> launcher, QObject *parent = nullptr);
    ~AppDelegate() override;

    /**
     * Claims the settings program's name on the session bus. The first copy shows its window; a later
     * copy asks the first one to bring its window forward and then emits handedOver(). Without a
     * session bus the window is shown all the same.
     */
    void run();

    /// Builds the window on first use, shows it and brings it forward.
    void showWindow();

    /// Shows the About panel, or brings forward the one already open.
    void aboutMenu();

    /// Closing the settings window quits the program.
    static bool applicationShouldTerminateAfterLastWindowClosed();

    QMainWindow *window() const;
    ViewController *viewController() const;
    SettingsController *settingsController() const;
    QMessageBox *aboutPanel() const;

Q_SIGNALS:
    /// Another copy runs and has been asked to show its window (or could not be reached); this copy is done.
    void handedOver();

private:
    void handOver();
    void buildWindow();

    QString m_daemonAppPath;
    std::unique_ptr<AgentLauncher> m_launcher;
    SingleInstance *m_singleInstance = nullptr;
    bool m_objectRegistered = false;
    SettingsController *m_controller = nullptr;
    std::unique_ptr<QMainWindow> m_window;
    ViewController *m_viewController = nullptr;
    QPointer<QMessageBox> m_aboutPanel;
};
