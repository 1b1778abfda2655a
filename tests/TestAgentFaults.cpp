// SPDX-License-Identifier: GPL-3.0-or-later
// The real agent through what a desktop throws at it: services that come and go, a settings file it cannot use,
// floods and nonsense on the buses and from the AirPods. Whatever happens it keeps answering MonitorEcho, leaves the
// settings file as it found it and writes nothing to standard output but its own event lines.
#include "DBusNames.h"
#include "Notifications.h"
#include "Settings.h"
#include "support/TestEnvironment.h"

#include <QDBusMetaType>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <functional>
#include <memory>
#include <sys/stat.h>

namespace
{
using Fault = std::function<void(const QString &pods)>;
} // namespace
Q_DECLARE_METATYPE(Fault)

namespace
{
void control(const char *command)
{
    QVERIFY(TestEnvironment::harnessControl(QString::fromLatin1(command)));
}

void emitFromBluez(const QString &path, const QString &interface, const QString &name, const QString &signature,
                   const QVariantList &arguments)
{
    TestEnvironment::call(QDBusConnection::systemBus(), DBusNames::BluezService, path,
                          QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("EmitSignal"),
                          {interface, name, signature, arguments});
}

void postFlood(const QString &)
{
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("flood"));
    auto *random = QRandomGenerator::global();
    for (int i = 0; i < 10000; ++i) {
        QDBusMessage post = QDBusMessage::createSignal(DBusNames::ChannelPath, DBusNames::ChannelInterface,
                                                       DBusNames::ChannelMember);
        switch (i % 4) {
        case 0: post << QString::number(random->generate(), 36) << QString(); break;
        case 1: post << i; break; // wrong signature
        case 2: post << QString(i % 100 == 2 ? 200000 : 20, u'x') << QString(i % 100 == 2 ? 200000 : 20, u'y') << QString(); break; // one in 100 huge
        case 3: post << Notifications::MonitorEcho.left(7) << QStringLiteral("com.vostel.Earlume.Settings"); break;
        }
        bus.send(post);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("flood"));
}
} // namespace

class TestAgentFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qDBusRegisterMetaType<QMap<QString, QVariantMap>>(); }

    void keepsAnswering_data()
    {
        QTest::addColumn<Fault>("before"); // before the agent starts
        QTest::addColumn<Fault>("fault");  // while it runs
        const Fault nothing = [](const QString &) {};
        const auto file = [](const std::function<void(const QString &path)> &spoil) {
            return Fault([spoil](const QString &) { spoil(Settings::filePath()); });
        };
        const auto aap = [](const char *mode) {
            return Fault([mode](const QString &pods) {
                BluezMock::call(QStringLiteral("SetAapMisbehaviour"), {pods, QString::fromLatin1(mode)});
                BluezMock::setConnected(pods, true);
                QTest::qWait(1500); // several attempts
            });
        };
        QTest::newRow("BlueZ absent, then appearing") << Fault([](const QString &) { control("stop-bluez"); })
                                                       << Fault([](const QString &) { control("start-bluez"); });
        QTest::newRow("BlueZ restarting with AirPods connected") << nothing << Fault([](const QString &pods) {
            BluezMock::setConnected(pods, true);
            control("restart-bluez");
        });
        QTest::newRow("tray host restarting") << nothing << Fault([](const QString &) {
            control("restart-watcher");
            QTRY_COMPARE(TestEnvironment::trayItems().size(), 1); // the item comes back
        });
        QTest::newRow("no portal") << Fault([](const QString &) { control("stop-portal"); }) << nothing;
        QTest::newRow("settings file corrupt") << file([](const QString &path) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            static const char garbage[] = "\xff\xfe[General\0\n=====\n\x01";
            f.write(garbage, sizeof garbage - 1);
        }) << nothing;
        QTest::newRow("settings file unreadable") << file([](const QString &path) { ::chmod(qPrintable(path), 0); })
                                                  << nothing;
        QTest::newRow("settings file read-only") << file([](const QString &path) { ::chmod(qPrintable(path), 0444); })
                                                 << nothing;
        QTest::newRow("settings file a directory") << file([](const QString &path) {
            QFile::remove(path);
            QVERIFY(QDir().mkpath(path));
        }) << nothing;
        QTest::newRow("settings file a dangling link") << file([](const QString &path) {
            QFile::remove(path);
            QVERIFY(QFile::link(path + QStringLiteral(".gone"), path));
        }) << nothing;
        QTest::newRow("10,000 posts, wrong and huge") << nothing << Fault(postFlood);
        QTest::newRow("BlueZ properties of the wrong types") << nothing << Fault([](const QString &pods) {
            const QString odd = QStringLiteral("/org/bluez/hci0/dev_AA_00_00_00_00_09");
            QVariantMap device{{QStringLiteral("Class"), QStringLiteral("AirPods")},
                               {QStringLiteral("Paired"), QStringLiteral("yes")}}; // and no Connected
            emitFromBluez(QStringLiteral("/"), DBusNames::ObjectManagerInterface, QStringLiteral("InterfacesAdded"),
                          QStringLiteral("oa{sa{sv}}"),
                          {QVariant::fromValue(QDBusObjectPath(odd)),
                           QVariant::fromValue(QMap<QString, QVariantMap>{{DBusNames::BluezDeviceInterface, device}})});
            emitFromBluez(pods, DBusNames::PropertiesInterface, QStringLiteral("PropertiesChanged"),
                          QStringLiteral("sa{sv}as"),
                          {DBusNames::BluezBatteryInterface, QVariantMap{{QStringLiteral("Percentage"), QStringLiteral("full")}},
                           QStringList()});
            emitFromBluez(pods, DBusNames::PropertiesInterface, QStringLiteral("PropertiesChanged"),
                          QStringLiteral("sa{sv}as"),
                          {DBusNames::BluezDeviceInterface,
                           QVariantMap{{QStringLiteral("Class"), QStringLiteral("x")},
                                       {QStringLiteral("Connected"), 7}},
                           QStringList{QStringLiteral("Connected")}});
        });
        QTest::newRow("AirPods sending garbage") << nothing << aap("garbage");
        QTest::newRow("AirPods sending truncated packets") << nothing << aap("truncated");
        QTest::newRow("AirPods closing mid-handshake") << nothing << aap("hangup");
        QTest::newRow("1,000 connection changes") << nothing << Fault([](const QString &pods) {
            for (int i = 0; i < 1000; ++i) {
                BluezMock::setConnected(pods, i % 2 == 0);
            }
        });
    }
    void keepsAnswering()
    {
        QFETCH(Fault, before);
        QFETCH(Fault, fault);
        for (const char *service : {"restart-bluez", "restart-watcher", "restart-portal"}) {
            control(service);
        }
        BluezMock::addAdapter();
        const QString pods = BluezMock::addDevice(QStringLiteral("AA:00:00:00:00:01"), QStringLiteral("Pods"),
                                                  BluezMock::AirpodsClass, true, false);
        const QString path = Settings::filePath();
        QFile::remove(path);
        QDir(path).removeRecursively();
        TestEnvironment::writeSettings(false, true, true, true);
        before(pods);
        const auto stored = [&] {
            QFile file(path);
            const QFileInfo info(path);
            return info.isSymLink()                   ? info.symLinkTarget()
                   : file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().toHex())
                                                    : QStringLiteral("(none)");
        };
        const QString kept = stored();

        PostRecorder recorder;
        ProgramUnderTest agent(QStringLiteral("Earlume"));
        QVERIFY(agent.start());
        QVERIFY(recorder.waitFor(Notifications::Ping));
        fault(pods);
        recorder.post(Notifications::ReloadSettings);
        recorder.post(Notifications::MonitorEcho);
        QVERIFY(recorder.waitFor(Notifications::Ping, 2, 60000)); // a slow build may take a while through a flood
        QVERIFY(agent.isRunning());
        QCOMPARE(stored(), kept);
        const QStringList ours{QStringLiteral("Settings reloaded"), QStringLiteral("Window ordered out!")};
        for (const QString &line : agent.lines()) {
            QVERIFY2(ours.contains(line), qPrintable(line));
        }
        ::chmod(qPrintable(path), 0644);
    }
};

QTEST_GUILESS_MAIN(TestAgentFaults)
#include "TestAgentFaults.moc"
