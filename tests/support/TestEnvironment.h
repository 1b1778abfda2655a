// SPDX-License-Identifier: GPL-3.0-or-later
// For tests run by tests/harness/with-test-env: our programs, the simulated services and the buses, seen from outside
// as another program of the user sees them.
#pragma once

#include "DBusNames.h"
#include "Settings.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QProcess>
#include <QRect>
#include <QTest>

struct TestEnvironment {
    static QString executable(const QString &name) { return qEnvironmentVariable("EARLUME_BIN_DIR") + u'/' + name; }
    /// Calls a method of another process, serving this process's events while it waits for the answer. (Not
    /// QDBus::BlockWithGui: an answer that comes before its event loop starts can leave that loop waiting for ever.)
    static QDBusMessage call(const QDBusConnection &bus, const QString &service, const QString &path,
                             const QString &interface, const QString &method, const QVariantList &arguments = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(arguments);
        const QDBusPendingCall pending = bus.asyncCall(message, 20000);
        (void)QTest::qWaitFor([&] { return pending.isFinished(); }, 25000);
        return pending.reply();
    }
    static bool harnessControl(const QString &command) ///< "stop-bluez", "start-bluez", "restart-bluez", ...
    {
        return QProcess::execute(qEnvironmentVariable("EARLUME_HARNESS_CTL"), {command}) == 0;
    }
    static QStringList trayItems() ///< "<unique name>/StatusNotifierItem" of each tray icon shown now
    {
        const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
        const QDBusMessage reply = call(QDBusConnection::sessionBus(), watcher,
                                        QStringLiteral("/StatusNotifierWatcher"), watcher + QStringLiteral(".Mock"),
                                        QStringLiteral("GetItems"));
        return reply.arguments().value(0).toStringList();
    }
    static void setColorScheme(uint scheme) ///< the portal's, announced with SettingChanged
    {
        call(QDBusConnection::sessionBus(), DBusNames::PortalService, DBusNames::PortalPath,
             QStringLiteral("org.freedesktop.portal.Mock"), QStringLiteral("SetSetting"),
             {DBusNames::AppearanceNamespace, DBusNames::ColorSchemeKey, QVariant::fromValue(QDBusVariant(scheme))});
    }
    static void writeSettings(bool hideMenu, bool showHud, bool settingsButton, bool connectButton)
    {
        Settings settings;
        settings.setHideMenu(hideMenu);
        settings.setShowHudOnConnection(showHud);
        settings.setSettingsButton(settingsButton);
        settings.setConnectButton(connectButton);
        settings.save();
    }
    static int visibleWindowCount(const QString &title) ///< mapped X windows titled exactly so
    {
        QProcess xdotool;
        xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                  QStringLiteral("--name"), u'^' + title + u'$'});
        xdotool.waitForFinished(10000);
        return xdotool.readAllStandardOutput().count('\n');
    }
    /// Of the first mapped X window titled exactly so (on @p display, or ours), or invalid.
    static QRect windowGeometry(const QString &title, const QString &display = {})
    {
        QProcess xdotool;
        if (!display.isEmpty()) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("DISPLAY"), display);
            xdotool.setProcessEnvironment(environment);
        }
        xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                  QStringLiteral("--name"), u'^' + title + u'$',
                                                  QStringLiteral("getwindowgeometry"), QStringLiteral("--shell")});
        xdotool.waitForFinished(10000);
        QHash<QString, int> values; // WINDOW=, X=, Y=, WIDTH=, HEIGHT=, SCREEN= for each window
        for (const QString &line : QString::fromUtf8(xdotool.readAllStandardOutput()).split(u'\n')) {
            if (!values.contains(line.section(u'=', 0, 0))) {
                values.insert(line.section(u'=', 0, 0), line.section(u'=', 1).toInt());
            }
        }
        return values.contains(QStringLiteral("X")) ? QRect(values[QStringLiteral("X")], values[QStringLiteral("Y")],
                                                             values[QStringLiteral("WIDTH")],
                                                             values[QStringLiteral("HEIGHT")])
                                                     : QRect();
    }
};

/// One of our programs, started for a test: its standard output line by line; ended with SIGTERM (then SIGKILL).
class ProgramUnderTest : public QObject
{
    Q_OBJECT

public:
    explicit ProgramUnderTest(const QString &name, const QStringList &arguments = {}, QObject *parent = nullptr)
        : QObject(parent)
    {
        m_process.setProgram(TestEnvironment::executable(name));
        m_process.setArguments(arguments);
        connect(&m_process, &QProcess::readyReadStandardOutput, this,
                [this] { m_stdout += m_process.readAllStandardOutput(); });
        connect(&m_process, &QProcess::readyReadStandardError, this, [this] {
            const QByteArray text = m_process.readAllStandardError();
            m_stderr += text;
            fprintf(stderr, "[%s] %s", qPrintable(m_process.program().section(u'/', -1)), text.constData());
        });
    }
    ~ProgramUnderTest() override { m_process.terminate(); m_process.waitForFinished(5000); } // QProcess kills the rest

    void setEnvironmentValue(const QString &name, const QString &value) { m_environment.insert(name, value); }
    void removeEnvironmentValue(const QString &name) { m_environment.remove(name); }
    bool start()
    {
        m_process.setProcessEnvironment(m_environment);
        m_process.start();
        return m_process.waitForStarted(10000);
    }
    QStringList lines() const { return QString::fromUtf8(m_stdout).split(u'\n', Qt::SkipEmptyParts); }
    int count(const QString &line) const { return lines().count(line); }
    bool waitForLine(const QString &line, int times = 1, int timeoutMs = 10000) ///< @p times in all
    {
        return QTest::qWaitFor([&] { return count(line) >= times; }, timeoutMs);
    }
    bool waitForExit(int timeoutMs = 10000) { return QTest::qWaitFor([&] { return !isRunning(); }, timeoutMs); }
    int exitCode() const { return m_process.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    qint64 pid() const { return m_process.processId(); }
    void terminate() { m_process.terminate(); }
    QString standardError() const { return QString::fromLocal8Bit(m_stderr); }

private:
    QProcess m_process;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
    QByteArray m_stdout;
    QByteArray m_stderr;
};

/// Every notification posted between the programs, as a third program on the session bus sees it.
class PostRecorder : public QObject
{
    Q_OBJECT

public:
    explicit PostRecorder(QObject *parent = nullptr)
        : QObject(parent)
        , m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                              QStringLiteral("recorder-%1").arg(reinterpret_cast<quintptr>(this))))
    {
        m_bus.connect(QString(), DBusNames::ChannelPath, DBusNames::ChannelInterface, DBusNames::ChannelMember,
                      QStringLiteral("ss"), this, SLOT(handlePost(QString, QString)));
    }

    struct Post {
        QString name;
        QString object;
    };
    QList<Post> posts() const { return m_posts; }
    int count(const QString &name) const
    {
        return std::count_if(m_posts.cbegin(), m_posts.cend(), [&](const Post &post) { return post.name == name; });
    }
    bool waitFor(const QString &name, int times = 1, int timeoutMs = 10000)
    {
        return QTest::qWaitFor([&] { return count(name) >= times; }, timeoutMs);
    }
    /// Posts from this recorder's own connection, as the settings program would.
    void post(const QString &name, const QString &object = QStringLiteral("com.vostel.Earlume.Settings"))
    {
        m_bus.send(QDBusMessage::createSignal(DBusNames::ChannelPath, DBusNames::ChannelInterface,
                                              DBusNames::ChannelMember)
                   << name << object);
    }

private Q_SLOTS:
    void handlePost(const QString &name, const QString &object) { m_posts.append({name, object}); }

private:
    QDBusConnection m_bus;
    QList<Post> m_posts;
};

/// The simulated bluetoothd (tests/harness/templates/earlume_bluez.py), driven through org.bluez.Mock.
struct BluezMock {
    static constexpr quint32 AirpodsClass = 0x240418;
    static QDBusMessage call(const QString &method, const QVariantList &arguments = {}) ///< devices by path string
    {
        const QDBusMessage reply = TestEnvironment::call(QDBusConnection::systemBus(), DBusNames::BluezService,
                                                         QStringLiteral("/"), QStringLiteral("org.bluez.Mock"), method,
                                                         arguments);
        if (reply.type() == QDBusMessage::ErrorMessage) {
            qWarning() << "org.bluez.Mock" << method << "failed:" << reply.errorMessage();
        }
        return reply;
    }
    static QString addAdapter(const QString &name = QStringLiteral("hci0"))
    {
        return call(QStringLiteral("AddAdapter"), {name, QStringLiteral("computer")}).arguments().value(0).toString();
    }
    static QString addDevice(const QString &address, const QString &alias, quint32 classOfDevice, bool paired,
                             bool connected, const QString &adapter = QStringLiteral("hci0"))
    {
        const QVariantList arguments{adapter, address, alias, classOfDevice, paired, connected};
        return call(QStringLiteral("AddClassicDevice"), arguments).arguments().value(0).value<QDBusObjectPath>().path();
    }
    static void setConnected(const QString &path, bool on) { call(QStringLiteral("SetConnected"), {path, on}); }
};
