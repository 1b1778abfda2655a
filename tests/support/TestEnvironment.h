// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QVariant>

#include <functional>

/// For tests run by tests/harness/with-test-env: our programs, the simulated services and the buses, seen from
/// outside as another program of the user sees them.
namespace TestEnvironment
{
QString executable(const QString &name); ///< "Earlume" or "Earlume_Settings" as built
/// Calls a method of another process, serving this process's events while it waits for the answer.
QDBusMessage call(const QDBusConnection &bus, const QString &service, const QString &path, const QString &interface,
                  const QString &method, const QVariantList &arguments = {});
bool harnessControl(const QString &command); ///< "stop-bluez", "start-bluez", "restart-bluez", ...
QStringList trayItems(); ///< "<unique name>/StatusNotifierItem" of each tray icon shown now
void setColorScheme(uint scheme); ///< the portal's, announced with SettingChanged
void writeSettings(bool hideMenu, bool showHud, bool settingsButton, bool connectButton);
int visibleWindowCount(const QString &title); ///< mapped X windows titled exactly so
int windowCount(const QString &windowClass); ///< X windows of that WM_CLASS, mapped or not
} // namespace TestEnvironment

/// One of our programs, started for a test: its standard output line by line; ended with SIGTERM (then SIGKILL).
class ProgramUnderTest : public QObject
{
    Q_OBJECT

public:
    explicit ProgramUnderTest(const QString &name, const QStringList &arguments = {}, QObject *parent = nullptr);
    ~ProgramUnderTest() override;

    void setEnvironmentValue(const QString &name, const QString &value);
    bool start();
    QStringList lines() const { return m_lines; }
    int count(const QString &line) const { return m_lines.count(line); }
    bool waitForLine(const QString &line, int times = 1, int timeoutMs = 10000); ///< @p times in all
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
    QByteArray m_stdout;
    QByteArray m_stderr;
    QStringList m_lines;
};

/// Every notification posted between the programs, as a third program on the session bus sees it.
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

/// The simulated bluetoothd (tests/harness/templates/earlume_bluez.py).
namespace BluezMock
{
inline constexpr quint32 AirpodsClass = 0x240418;
/// Calls @p method of org.bluez.Mock; a string starting with '/' in @p arguments goes as an object path.
QDBusMessage call(const QString &method, const QVariantList &arguments = {});
QString addAdapter(const QString &name = QStringLiteral("hci0"));
QString addDevice(const QString &address, const QString &alias, quint32 classOfDevice, bool paired, bool connected,
                  const QString &adapter = QStringLiteral("hci0"));
void setConnected(const QString &path, bool connected);
void setBattery(const QString &path, uchar percentage);
void setConnectError(const QString &path, const QString &errorName, const QString &message);
void setConnectDelay(const QString &path, double seconds);
void removeDevice(const QString &path); ///< through its adapter's RemoveDevice, as bluetoothctl does
uint getManagedObjectsCallCount(); ///< since the mock started
QVariantMap properties(const QString &path, const QString &interface);
} // namespace BluezMock
