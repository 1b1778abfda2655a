// SPDX-License-Identifier: GPL-3.0-or-later
#include "DistributedNotificationCenter.h"
#include "Notifications.h"

#include <QDBusMessage>
#include <QTest>

namespace
{
const QString Echo = QStringLiteral("com.vostel.Earlume.monitor.echo");
} // namespace

class TestDistributedNotificationCenter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each row is sent on the channel just before a post of the centre's own, on the same connection, and the bus
    // keeps their order: once the centre has heard its own post, it has heard the row's signal too.
    void onlyExactPostsReachObservers_data()
    {
        QTest::addColumn<QVariantList>("arguments");
        QTest::addColumn<int>("calls");
        const QString object = QStringLiteral("com.vostel.Earlume");
        QTest::newRow("exact") << QVariantList{Echo, object} << 1;
        QTest::newRow("upper case") << QVariantList{Echo.toUpper(), object} << 0;
        QTest::newRow("one letter less") << QVariantList{Echo.chopped(1), object} << 0;
        QTest::newRow("longer") << QVariantList{QStringLiteral("com.vostel.Earlume.monitor.echoPing"), object} << 0;
        QTest::newRow("name only") << QVariantList{Echo} << 0;
        QTest::newRow("extra argument") << QVariantList{Echo, object, 1} << 0;
        QTest::newRow("object not a string") << QVariantList{Echo, 7} << 0;
    }
    void onlyExactPostsReachObservers()
    {
        QFETCH(QVariantList, arguments);
        QFETCH(int, calls);
        DistributedNotificationCenter center(QDBusConnection::sessionBus());
        int echoes = 0;
        int quits = 0;
        center.addObserver(Notifications::MonitorEcho, this, [&] { ++echoes; });
        center.addObserver(Notifications::MonitorQuit, this, [&] { ++quits; });
        // The channel as the other program knows it.
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/com/vostel/Earlume/DistributedNotificationCenter"),
            QStringLiteral("com.vostel.Earlume.DistributedNotificationCenter"), QStringLiteral("Post"));
        signal.setArguments(arguments);
        QVERIFY(QDBusConnection::sessionBus().send(signal));
        QVERIFY(center.post(Notifications::MonitorQuit, BundleIdentifier::Settings));
        QTRY_COMPARE(quits, 1);
        QCOMPARE(echoes, calls);
    }
};

QTEST_GUILESS_MAIN(TestDistributedNotificationCenter)
#include "TestDistributedNotificationCenter.moc"
