// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QVariant>

#include <functional>

/// Helpers for tests that run inside tests/harness/with-test-env: the real programs, the simulated
/// services and the session bus, all seen from outside as another process of the user would.
namespace TestEnvironment
{
/// Full path of one of our executables ("Earlume", "Earlume_Settings").
QString executable(const QString &name);

/// Calls @p method on a service in another process and waits, while still serving this process's events.
QDBusMessage call(const QDBusConnection &bus, const QString &service, const QString &path, const QString &interface,
                  const QString &method, const QVariantList &arguments = {});

/// Runs a harness control command (stop-bluez, start-bluez).
bool harnessControl(const QString &command);

/// The items registered with the simulated tray watcher ("<unique name>/<path>").
QStringList trayItems();

/// Sets the desktop's colour scheme in the simulated portal (and announces it).
void setColorScheme(uint scheme);

/// Writes the four settings as the settings program would.
void writeSettings(bool hideMenu, bool showHud, bool settingsButton, bool connectButton);

/// Names of the visible top-level X windows whose title matches @p title exactly (via xdotool).
int visibleWindowCount(const QString &title);
} // namespace TestEnvironment

/**
 * One of our programs, started for a test: collects its standard output line by line and ends it with
 * SIGTERM (then SIGKILL) if the test has not.
 */
class ProgramUnderTest : public QObject
{
    Q_OBJECT

public:
    explicit ProgramUnderTest(const QString &name, const QStringList &arguments = {}, QObject *parent = nullptr);
    ~ProgramUnderTest() override;

    /// Sets @p name to @p value in the environment the program starts with (on top of this process's own).
    void setEnvironmentValue(const QString &name, const QString &value);
    bool start();
    QStringList lines() const { return m_lines; }
    int count(const QString &line) const { return m_lines.count(line); }
    /// Waits until @p line has been written @p times times in all.
    bool waitForLine(const QString &line, int times = 1, int timeoutMs = 10000);
    bool waitForExit(int timeoutMs = 10000);
    int exitCode() const { return m_process.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    qint64 pid() const { return m_process.processId(); }
    void terminate() { m_process.terminate(); }
    QString standardError() const { return QString::fromLocal8Bit(m_stderr); }

Q_SIGNALS:
    void lineWritten(const QString &line);

private:
    QProcess m_process;
    QByteArray m_pending;
    QByteArray m_stderr;
    QStringList m_lines;
};

/// Records every notification posted between the programs, as a third process on the session bus sees it.
class PostRecorder : public QObject
{
    Q_OBJECT

public:
    explicit PostRecorder(QObject *parent = nullptr);

    struct Post {
        QString name;
        QString object;
    };
    QList<Post> posts() const { return m_posts; }
    int count(const QString &name) const;
    bool waitFor(const QString &name, int times = 1, int timeoutMs = 10000);
    /// Posts from this recorder's own connection, as the settings program would.
    void post(const QString &name, const QString &object = QStringLiteral("com.vostel.Earlume.Settings"));
    /// Runs @p reaction the moment a post named @p name arrives.
    void onPost(const QString &name, std::function<void()> reaction);

Q_SIGNALS:
    void posted(const QString &name, const QString &object);

private Q_SLOTS:
    void handlePost(const QString &name, const QString &object);

private:
    QDBusConnection m_bus;
    QList<Post> m_posts;
    QList<std::pair<QString, std::function<void()>>> m_reactions;
};

/// The simulated BlueZ, driven through its org.bluez.Mock interface.
namespace BluezMock
{
inline constexpr quint32 AirpodsClass = 0x240418;
QString addAdapter(const QString &name = QStringLiteral("hci0"));
QString addDevice(const QString &address, const QString &alias, quint32 classOfDevice, bool paired, bool connected,
                  const QString &adapter = QStringLiteral("hci0"));
void setConnected(const QString &path, bool connected);
void setBattery(const QString &path, uchar percentage);
void setConnectError(const QString &path, const QString &errorName, const QString &message);
void setConnectDelay(const QString &path, double seconds);
void removeDevice(const QString &path);
uint getManagedObjectsCallCount();
/// Properties of a device or adapter as the mock holds them.
QVariantMap properties(const QString &path, const QString &interface);
} // namespace BluezMock
