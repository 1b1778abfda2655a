// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestEnvironment.h"

#include "DBusNames.h"
#include "UserDefaults.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QTest>

namespace TestEnvironment
{
QString executable(const QString &name)
{
    return qEnvironmentVariable("EARLUME_BIN_DIR") + u'/' + name;
}

QDBusMessage call(const QDBusConnection &bus, const QString &service, const QString &path, const QString &interface,
                  const QString &method, const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::BlockWithGui, 20000);
}

bool harnessControl(const QString &command)
{
    return QProcess::execute(qEnvironmentVariable("EARLUME_HARNESS_CTL"), {command}) == 0;
}

QStringList trayItems()
{
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    return call(QDBusConnection::sessionBus(), watcher, QStringLiteral("/StatusNotifierWatcher"),
                watcher + QStringLiteral(".Mock"), QStringLiteral("GetItems"))
        .arguments()
        .value(0)
        .toStringList();
}

void setColorScheme(uint scheme)
{
    call(QDBusConnection::sessionBus(), DBusNames::PortalService, DBusNames::PortalPath,
         QStringLiteral("org.freedesktop.portal.Mock"), QStringLiteral("SetSetting"),
         {DBusNames::AppearanceNamespace, QStringLiteral("color-scheme"), QVariant::fromValue(QDBusVariant(scheme))});
}

void writeSettings(bool hideMenu, bool showHud, bool settingsButton, bool connectButton)
{
    UserDefaults defaults;
    defaults.setBool(hideMenu, SettingsKeys::HideMenu);
    defaults.setBool(showHud, SettingsKeys::ShowHudOnConnection);
    defaults.setBool(settingsButton, SettingsKeys::SettingsButton);
    defaults.setBool(connectButton, SettingsKeys::ConnectButton);
    defaults.synchronize();
}

static int xdotoolSearch(QStringList options, const QString &pattern)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), QStringList{QStringLiteral("search")} << options << u'^' + pattern + u'$');
    xdotool.waitForFinished(10000);
    return xdotool.readAllStandardOutput().count('\n');
}

int visibleWindowCount(const QString &title)
{
    return xdotoolSearch({QStringLiteral("--onlyvisible"), QStringLiteral("--name")}, title);
}

int windowCount(const QString &windowClass)
{
    return xdotoolSearch({QStringLiteral("--class")}, windowClass);
}
} // namespace TestEnvironment

ProgramUnderTest::ProgramUnderTest(const QString &name, const QStringList &arguments, QObject *parent)
    : QObject(parent)
{
    m_process.setProgram(TestEnvironment::executable(name));
    m_process.setArguments(arguments);
    connect(&m_process, &QProcess::readyReadStandardOutput, this, [this] {
        m_stdout += m_process.readAllStandardOutput();
        for (qsizetype end; (end = m_stdout.indexOf('\n')) >= 0; m_stdout.remove(0, end + 1)) {
            m_lines << QString::fromUtf8(m_stdout.left(end));
            Q_EMIT lineWritten(m_lines.last());
        }
    });
    connect(&m_process, &QProcess::readyReadStandardError, this, [this] {
        const QByteArray text = m_process.readAllStandardError();
        m_stderr += text;
        fprintf(stderr, "[%s] %s", qPrintable(m_process.program().section(u'/', -1)), text.constData());
    });
}

ProgramUnderTest::~ProgramUnderTest()
{
    m_process.terminate();
    if (isRunning() && !m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

void ProgramUnderTest::setEnvironmentValue(const QString &name, const QString &value)
{
    QProcessEnvironment environment = m_process.processEnvironment();
    if (environment.isEmpty()) {
        environment = QProcessEnvironment::systemEnvironment();
    }
    environment.insert(name, value);
    m_process.setProcessEnvironment(environment);
}

bool ProgramUnderTest::start()
{
    m_process.start();
    return m_process.waitForStarted(10000);
}

bool ProgramUnderTest::waitForLine(const QString &line, int times, int timeoutMs)
{
    return QTest::qWaitFor([&] { return count(line) >= times; }, timeoutMs);
}

bool ProgramUnderTest::waitForExit(int timeoutMs)
{
    return QTest::qWaitFor([&] { return !isRunning(); }, timeoutMs);
}

PostRecorder::PostRecorder(QObject *parent)
    : QObject(parent)
    , m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                          QStringLiteral("recorder-%1").arg(reinterpret_cast<quintptr>(this))))
{
    m_bus.connect(QString(), DBusNames::ChannelPath, DBusNames::ChannelInterface, DBusNames::ChannelMember,
                  QStringLiteral("ss"), this, SLOT(handlePost(QString, QString)));
}

void PostRecorder::handlePost(const QString &name, const QString &object)
{
    m_posts.append({name, object});
    for (const auto &[wanted, reaction] : std::as_const(m_reactions)) {
        if (wanted == name) {
            reaction();
        }
    }
    Q_EMIT posted(name, object);
}

int PostRecorder::count(const QString &name) const
{
    return std::count_if(m_posts.cbegin(), m_posts.cend(), [&](const Post &post) { return post.name == name; });
}

bool PostRecorder::waitFor(const QString &name, int times, int timeoutMs)
{
    return QTest::qWaitFor([&] { return count(name) >= times; }, timeoutMs);
}

void PostRecorder::post(const QString &name, const QString &object)
{
    m_bus.send(QDBusMessage::createSignal(DBusNames::ChannelPath, DBusNames::ChannelInterface, DBusNames::ChannelMember)
               << name << object);
}

void PostRecorder::onPost(const QString &name, std::function<void()> reaction)
{
    m_reactions.append({name, std::move(reaction)});
}

namespace BluezMock
{
static QDBusMessage bluez(const QString &path, const QString &interface, const QString &method,
                          const QVariantList &arguments)
{
    return TestEnvironment::call(QDBusConnection::systemBus(), DBusNames::BluezService, path, interface, method,
                                 arguments);
}

QDBusMessage call(const QString &method, const QVariantList &arguments)
{
    QVariantList converted;
    for (const QVariant &argument : arguments) {
        const bool isPath = argument.typeId() == QMetaType::QString && argument.toString().startsWith(u'/');
        converted << (isPath ? QVariant::fromValue(QDBusObjectPath(argument.toString())) : argument);
    }
    const QDBusMessage reply = bluez(QStringLiteral("/"), QStringLiteral("org.bluez.Mock"), method, converted);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        qWarning() << "org.bluez.Mock" << method << "failed:" << reply.errorMessage();
    }
    return reply;
}

QString addAdapter(const QString &name)
{
    return call(QStringLiteral("AddAdapter"), {name, QStringLiteral("test-computer")}).arguments().value(0).toString();
}

QString addDevice(const QString &address, const QString &alias, quint32 classOfDevice, bool paired, bool connected,
                  const QString &adapter)
{
    const QDBusMessage reply =
        call(QStringLiteral("AddClassicDevice"), {adapter, address, alias, classOfDevice, paired, connected});
    return reply.arguments().value(0).value<QDBusObjectPath>().path();
}

void setConnected(const QString &path, bool connected)
{
    call(QStringLiteral("SetConnected"), {path, connected});
}

void setBattery(const QString &path, uchar percentage)
{
    call(QStringLiteral("SetBattery"), {path, QVariant::fromValue(percentage)});
}

void setConnectError(const QString &path, const QString &errorName, const QString &message)
{
    call(QStringLiteral("SetConnectError"), {path, errorName, message});
}

void setConnectDelay(const QString &path, double seconds)
{
    call(QStringLiteral("SetConnectDelay"), {path, seconds});
}

void removeDevice(const QString &path)
{
    bluez(path.section(u'/', 0, -2), DBusNames::BluezAdapterInterface, QStringLiteral("RemoveDevice"),
          {QVariant::fromValue(QDBusObjectPath(path))});
}

uint getManagedObjectsCallCount()
{
    return call(QStringLiteral("GetManagedObjectsCallCount")).arguments().value(0).toUInt();
}

QVariantMap properties(const QString &path, const QString &interface)
{
    const QDBusMessage reply = bluez(path, DBusNames::PropertiesInterface, QStringLiteral("GetAll"), {interface});
    return reply.arguments().isEmpty() ? QVariantMap() : qdbus_cast<QVariantMap>(reply.arguments().first());
}
} // namespace BluezMock
