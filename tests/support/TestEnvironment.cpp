// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestEnvironment.h"

#include "DBusNames.h"
#include "UserDefaults.h"

#include <QDBusObjectPath>
#include <QDBusVariant>

QDBusMessage TestEnvironment::call(const QDBusConnection &bus, const QString &service, const QString &path,
                                   const QString &interface, const QString &method, const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::BlockWithGui, 20000);
}

QStringList TestEnvironment::trayItems()
{
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    const QDBusMessage reply = call(QDBusConnection::sessionBus(), watcher, QStringLiteral("/StatusNotifierWatcher"),
                                    watcher + QStringLiteral(".Mock"), QStringLiteral("GetItems"));
    return reply.arguments().value(0).toStringList();
}

void TestEnvironment::setColorScheme(uint scheme)
{
    call(QDBusConnection::sessionBus(), DBusNames::PortalService, DBusNames::PortalPath,
         QStringLiteral("org.freedesktop.portal.Mock"), QStringLiteral("SetSetting"),
         {DBusNames::AppearanceNamespace, QStringLiteral("color-scheme"), QVariant::fromValue(QDBusVariant(scheme))});
}

void TestEnvironment::writeSettings(bool hideMenu, bool showHud, bool settingsButton, bool connectButton)
{
    UserDefaults defaults;
    defaults.setBool(hideMenu, SettingsKeys::HideMenu);
    defaults.setBool(showHud, SettingsKeys::ShowHudOnConnection);
    defaults.setBool(settingsButton, SettingsKeys::SettingsButton);
    defaults.setBool(connectButton, SettingsKeys::ConnectButton);
    defaults.synchronize();
}

int TestEnvironment::xdotoolSearch(const QString &options, const QString &pattern)
{
    QProcess xdotool;
    const QStringList arguments = QStringLiteral("search ").append(options).split(u' ') << u'^' + pattern + u'$';
    xdotool.start(QStringLiteral("xdotool"), arguments);
    xdotool.waitForFinished(10000);
    return xdotool.readAllStandardOutput().count('\n');
}

ProgramUnderTest::ProgramUnderTest(const QString &name, const QStringList &arguments, QObject *parent)
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
}

void PostRecorder::post(const QString &name, const QString &object)
{
    m_bus.send(QDBusMessage::createSignal(DBusNames::ChannelPath, DBusNames::ChannelInterface, DBusNames::ChannelMember)
               << name << object);
}

QDBusMessage BluezMock::call(const QString &method, const QVariantList &arguments)
{
    const QDBusMessage reply = TestEnvironment::call(QDBusConnection::systemBus(), DBusNames::BluezService,
                                                     QStringLiteral("/"), QStringLiteral("org.bluez.Mock"), method,
                                                     arguments);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        qWarning() << "org.bluez.Mock" << method << "failed:" << reply.errorMessage();
    }
    return reply;
}

QString BluezMock::addAdapter(const QString &name)
{
    return call(QStringLiteral("AddAdapter"), {name, QStringLiteral("test-computer")}).arguments().value(0).toString();
}

QString BluezMock::addDevice(const QString &address, const QString &alias, quint32 classOfDevice, bool paired,
                             bool connected, const QString &adapter)
{
    const QDBusMessage reply =
        call(QStringLiteral("AddClassicDevice"), {adapter, address, alias, classOfDevice, paired, connected});
    return reply.arguments().value(0).value<QDBusObjectPath>().path();
}

void BluezMock::removeDevice(const QString &path)
{
    TestEnvironment::call(QDBusConnection::systemBus(), DBusNames::BluezService, path.section(u'/', 0, -2),
                          DBusNames::BluezAdapterInterface, QStringLiteral("RemoveDevice"),
                          {QVariant::fromValue(QDBusObjectPath(path))});
}
