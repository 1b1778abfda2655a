// SPDX-License-Identifier: GPL-3.0-or-later
#include "DBusNames.h"
#include "DistributedNotificationCenter.h"
#include "Notifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTest>

class TestDistributedNotificationCenter : public QObject
{
    Q_OBJECT

private:
    // Another process of the same user, as far as the bus can tell.
    QDBusConnection m_other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("other"));

    void sendRaw(const QVariantList &arguments)
    {
        QDBusMessage signal =
            QDBusMessage::createSignal(DBusNames::ChannelPath, DBusNames::ChannelInterface, DBusNames::ChannelMember);
        signal.setArguments(arguments);
        QVERIFY(m_other.send(signal));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDBusConnection::sessionBus().isConnected());
        QVERIFY(m_other.isConnected());
    }

    void postReachesObserversOfExactlyThatName()
    {
        DistributedNotificationCenter center(QDBusConnection::sessionBus());
        DistributedNotificationCenter sender(m_other);
        QVERIFY(center.isConnected());
        QStringList calls;
        center.addObserver(Notifications::MonitorEcho, this, [&] { calls << QStringLiteral("echo-1"); });
        center.addObserver(Notifications::MonitorEcho, this, [&] { calls << QStringLiteral("echo-2"); });
        center.addObserver(Notifications::MonitorQuit, this, [&] { calls << QStringLiteral("quit"); });
        QSignalSpy seen(&center, &DistributedNotificationCenter::notificationReceived);

        QVERIFY(sender.post(Notifications::MonitorEcho, BundleIdentifier::Settings));
        QTRY_COMPARE(seen.size(), 1);
        QCOMPARE(seen.at(0).at(0).toString(), QStringLiteral("com.vostel.Earlume.monitor.echo"));
        QCOMPARE(seen.at(0).at(1).toString(), QStringLiteral("com.vostel.Earlume.Settings"));
        QCOMPARE(calls, (QStringList{QStringLiteral("echo-1"), QStringLiteral("echo-2")}));
    }

    void namesMatchOnlyExactly_data()
    {
        QTest::addColumn<QString>("name");
        const QString echo = Notifications::MonitorEcho;
        QTest::newRow("upper case") << echo.toUpper();
        QTest::newRow("trailing space") << echo + QLatin1Char(' ');
        QTest::newRow("one letter less") << echo.chopped(1);
        QTest::newRow("prefix of a longer name") << Notifications::Ping;
        QTest::newRow("empty") << QString();
    }
    void namesMatchOnlyExactly()
    {
        QFETCH(QString, name);
        DistributedNotificationCenter center(QDBusConnection::sessionBus());
        DistributedNotificationCenter sender(m_other);
        int calls = 0;
        center.addObserver(Notifications::MonitorEcho, this, [&] { ++calls; });
        QSignalSpy seen(&center, &DistributedNotificationCenter::notificationReceived);
        sender.post(name, BundleIdentifier::Settings);
        // A correct post afterwards proves the wrong one was delivered and ignored, not merely slow.
        sender.post(Notifications::MonitorEcho, BundleIdentifier::Settings);
        QTRY_COMPARE(seen.size(), 2);
        QCOMPARE(calls, 1);
    }

    void malformedSignalsReachNoHandler_data()
    {
        QTest::addColumn<QVariantList>("arguments");
        QTest::newRow("name only") << QVariantList{Notifications::MonitorEcho};
        QTest::newRow("extra argument") << QVariantList{Notifications::MonitorEcho, BundleIdentifier::Agent, 1};
        QTest::newRow("object not a string") << QVariantList{Notifications::MonitorEcho, 7};
        QTest::newRow("nothing") << QVariantList{};
    }
    void malformedSignalsReachNoHandler()
    {
        QFETCH(QVariantList, arguments);
        DistributedNotificationCenter center(QDBusConnection::sessionBus());
        DistributedNotificationCenter sender(m_other);
        int calls = 0;
        center.addObserver(Notifications::MonitorEcho, this, [&] { ++calls; });
        QSignalSpy seen(&center, &DistributedNotificationCenter::notificationReceived);
        sendRaw(arguments);
        sender.post(Notifications::MonitorQuit, BundleIdentifier::Settings);
        QTRY_COMPARE(seen.size(), 1);
        QCOMPARE(seen.at(0).at(0).toString(), Notifications::MonitorQuit);
        QCOMPARE(calls, 0);
    }

    void observerEndsWithItsContext()
    {
        DistributedNotificationCenter center(QDBusConnection::sessionBus());
        DistributedNotificationCenter sender(m_other);
        int calls = 0;
        auto *context = new QObject;
        center.addObserver(Notifications::Ping, context, [&] { ++calls; });
        delete context;
        QSignalSpy seen(&center, &DistributedNotificationCenter::notificationReceived);
        sender.post(Notifications::Ping, BundleIdentifier::Agent);
        QTRY_COMPARE(seen.size(), 1);
        QCOMPARE(calls, 0);
    }

    void flushRunsAfterThePostsLeft()
    {
        DistributedNotificationCenter center(QDBusConnection::sessionBus());
        DistributedNotificationCenter listener(m_other);
        QSignalSpy seen(&listener, &DistributedNotificationCenter::notificationReceived);
        bool flushed = false;
        center.post(Notifications::Unping, BundleIdentifier::Agent);
        center.flush(this, [&] { flushed = true; });
        QTRY_VERIFY(flushed);
        QTRY_COMPARE(seen.size(), 1);
    }

    void withoutABusPostFailsQuietly()
    {
        const QDBusConnection nowhere = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                                      QStringLiteral("nowhere"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("No session bus")));
        DistributedNotificationCenter center(nowhere);
        QVERIFY(!center.isConnected());
        QVERIFY(!center.post(Notifications::Ping, BundleIdentifier::Agent));
        bool flushed = false;
        center.flush(this, [&] { flushed = true; });
        QTRY_VERIFY(flushed);
    }
};

QTEST_GUILESS_MAIN(TestDistributedNotificationCenter)
#include "TestDistributedNotificationCenter.moc"
