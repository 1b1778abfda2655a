// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestEnvironment.h"

#include "DBusNames.h"
#include "Settings.h"

#include <QDBusArgument>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTest>

#include <csignal>

namespace TestEnvironment
{
QString executable(const QString &name)
{
    const QByteArray dir = qgetenv("EARLUME_BIN_DIR");
    return QString::fromLocal8Bit(dir) + QLatin1Char('/') + name;
}

QDBusMessage call(const QDBusConnection &bus, const QString &service, const QString &path, const QString &interface,
                  const QString &method, const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    // The service lives in another process: blocking the event loop here would stall our own side.
    return bus.call(message, QDBus::BlockWithGui, 20000);
}

bool harnessControl(const QString &command)
{
    const QString ctl = QString::fromLocal8Bit(qgetenv("EARLUME_HARNESS_CTL"));
    QProcess process;
    process.start(ctl, {command});
    return process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QStringList trayItems()
{
    const QDBusMessage reply = call(QDBusConnection::sessionBus(), QStringLiteral("org.kde.StatusNotifierWatcher"),
                                    QStringLiteral("/StatusNotifierWatcher"),
                                    QStringLiteral("org.kde.StatusNotifierWatcher.Mock"), QStringLiteral("GetItems"));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return {};
    }
    return reply.arguments().first().toStringList();
}

void setColorScheme(uint scheme)
{
    call(QDBusConnection::sessionBus(), DBusNames::PortalService, DBusNames::PortalPath,
         QStringLiteral("org.freedesktop.portal.Mock"), QStringLiteral("SetColorScheme"), {scheme});
}

void writeSettings(bool hideMenu, bool showHud, bool settingsButton, bool connectButton)
{
    Settings settings;
    settings.setHideMenu(hideMenu);
    settings.setShowHudOnConnection(showHud);
    settings.setSettingsButton(settingsButton);
    settings.setConnectButton(connectButton);
    settings.save();
}

int visibleWindowCount(const QString &title)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"),
                  {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                   QLatin1Char('^') + title + QLatin1Char('$')});
    xdotool.waitForFinished(10000);
    return QString::fromLocal8Bit(xdotool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts).size();
}
} // namespace TestEnvironment

ProgramUnderTest::ProgramUnderTest(const QString &name, const QStringList &arguments, QObject *parent)
    : QObject(parent)
{
    m_process.setProgram(TestEnvironment::executable(name));
    m_process.setArguments(arguments);
    connect(&m_process, &QProcess::readyReadStandardOutput, this, [this] {
        m_pending += m_process.readAllStandardOutput();
        qsizetype end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(m_pending.left(end));
            m_pending.remove(0, end + 1);
            m_lines << line;
            Q_EMIT lineWritten(line);
        }
    });
    connect(&m_process, &QProcess::readyReadStandardError, this, [this] {
        const QByteArray text = m_process.readAllStandardError();
        m_stderr += text;
        // Keep the program's diagnostics visible in the test log.
        fprintf(stderr, "[%s] %s", qPrintable(m_process.program().section(QLatin1Char('/'), -1)), text.constData());
    });
}

ProgramUnderTest::~ProgramUnderTest()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
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
    QDeadlineTimer deadline(timeoutMs);
    while (count(line) < times && !deadline.hasExpired()) {
        QTest::qWait(20);
    }
    return count(line) >= times;
}

bool ProgramUnderTest::waitForExit(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (m_process.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        QTest::qWait(20);
    }
    return m_process.state() == QProcess::NotRunning;
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
    QDeadlineTimer deadline(timeoutMs);
    while (count(name) < times && !deadline.hasExpired()) {
        QTest::qWait(20);
    }
    return count(name) >= times;
}

void PostRecorder::post(const QString &name, const QString &object)
{
    QDBusMessage signal =
        QDBusMessage::createSignal(DBusNames::ChannelPath, DBusNames::ChannelInterface, DBusNames::ChannelMember);
    signal << name << object;
    m_bus.send(signal);
}

void PostRecorder::onPost(const QString &name, std::function<void()> reaction)
{
    m_reactions.append({name, std::move(reaction)});
}

namespace BluezMock
{
namespace
{
QDBusMessage mock(const QString &method, const QVariantList &arguments)
{
    const QDBusMessage reply = TestEnvironment::call(QDBusConnection::systemBus(), DBusNames::BluezService,
                                                     QStringLiteral("/"), QStringLiteral("org.bluez.Mock"), method,
                                                     arguments);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        qWarning() << "org.bluez.Mock" << method << "failed:" << reply.errorMessage();
    }
    return reply;
}
} // namespace

QString addAdapter(const QString &name)
{
    return mock(QStringLiteral("AddAdapter"), {name, QStringLiteral("test-computer")}).arguments().value(0).toString();
}

QString addDevice(const QString &address, const QString &alias, quint32 classOfDevice, bool paired, bool connected,
                  const QString &adapter)
{
    const QDBusMessage reply =
        mock(QStringLiteral("AddClassicDevice"), {adapter, address, alias, classOfDevice, paired, connected});
    return qvariant_cast<QDBusObjectPath>(reply.arguments().value(0)).path();
}

void setConnected(const QString &path, bool connected)
{
    mock(QStringLiteral("SetConnected"), {QVariant::fromValue(QDBusObjectPath(path)), connected});
}

void setBattery(const QString &path, uchar percentage)
{
    mock(QStringLiteral("SetBattery"), {QVariant::fromValue(QDBusObjectPath(path)), QVariant::fromValue(percentage)});
}

void setConnectError(const QString &path, const QString &errorName, const QString &message)
{
    mock(QStringLiteral("SetConnectError"), {QVariant::fromValue(QDBusObjectPath(path)), errorName, message});
}

void setConnectDelay(const QString &path, double seconds)
{
    mock(QStringLiteral("SetConnectDelay"), {QVariant::fromValue(QDBusObjectPath(path)), seconds});
}

void removeDevice(const QString &path)
{
    mock(QStringLiteral("RemoveDevice"), {QVariant::fromValue(QDBusObjectPath(path))});
}

uint getManagedObjectsCallCount()
{
    return mock(QStringLiteral("GetManagedObjectsCallCount"), {}).arguments().value(0).toUInt();
}

QVariantMap properties(const QString &path, const QString &interface)
{
    const QDBusMessage reply = TestEnvironment::call(QDBusConnection::systemBus(), DBusNames::BluezService, path,
                                                     DBusNames::PropertiesInterface, QStringLiteral("GetAll"),
                                                     {interface});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return {};
    }
    return qdbus_cast<QVariantMap>(reply.arguments().first().value<QDBusArgument>());
}
} // namespace BluezMock
