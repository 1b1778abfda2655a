// SPDX-License-Identifier: GPL-3.0-or-later
// The real agent in a private desktop: what it writes, posts and shows, seen from outside.
#include "Notifications.h"
#include "support/TestEnvironment.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusVariant>
#include <QTest>

#include <csignal>
#include <memory>

namespace
{
struct MenuEntry {
    int id = 0;
    QString label;
};

// Reads the labels of a com.canonical.dbusmenu layout: (i id, a{sv} properties, av children).
void readLayout(const QDBusArgument &argument, QList<MenuEntry> &entries)
{
    int id = 0;
    QVariantMap properties;
    argument.beginStructure();
    argument >> id >> properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        readLayout(child.variant().value<QDBusArgument>(), entries);
    }
    argument.endArray();
    argument.endStructure();
    if (properties.contains(QStringLiteral("label"))) {
        entries.append({id, properties.value(QStringLiteral("label")).toString()});
    }
}
} // namespace

class TestAgentEndToEnd : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ProgramUnderTest> startAgent(PostRecorder &recorder)
    {
        auto agent = std::make_unique<ProgramUnderTest>(QStringLiteral("Earlume"));
        const int pingsBefore = recorder.count(Notifications::Ping);
        if (!agent->start() || !recorder.waitFor(Notifications::Ping, pingsBefore + 1)) {
            qWarning() << "the agent did not announce itself";
            return nullptr;
        }
        return agent;
    }

    // The tray item of the running agent, as "<bus name>" of its owner.
    QString trayOwner()
    {
        const QStringList items = TestEnvironment::trayItems();
        return items.isEmpty() ? QString() : items.first().section(QLatin1Char('/'), 0, 0);
    }

    QList<MenuEntry> menuEntries(const QString &owner)
    {
        const QDBusConnection bus = QDBusConnection::sessionBus();
        TestEnvironment::call(bus, owner, QStringLiteral("/MenuBar"), QStringLiteral("com.canonical.dbusmenu"),
                              QStringLiteral("AboutToShow"), {0});
        const QDBusMessage reply = TestEnvironment::call(bus, owner, QStringLiteral("/MenuBar"),
                                                         QStringLiteral("com.canonical.dbusmenu"),
                                                         QStringLiteral("GetLayout"), {0, -1, QStringList()});
        QList<MenuEntry> entries;
        if (reply.arguments().size() == 2) {
            readLayout(reply.arguments().at(1).value<QDBusArgument>(), entries);
        }
        return entries;
    }

private Q_SLOTS:
    void init()
    {
        QFile::remove(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + QStringLiteral("/com.vostel.Earlume.settings-plist.ini"));
    }

    void launchPingComesAfterTheObservers()
    {
        PostRecorder recorder;
        // Ask back the very moment the launch ping arrives: the agent must already be listening.
        bool asked = false;
        recorder.onPost(Notifications::Ping, [&] {
            if (!asked) {
                asked = true;
                recorder.post(Notifications::MonitorEcho);
            }
        });
        auto agent = startAgent(recorder);
        QVERIFY(agent);
        QVERIFY(recorder.waitFor(Notifications::Ping, 2));
        QTest::qWait(300);
        QCOMPARE(recorder.count(Notifications::Ping), 2);
        for (const PostRecorder::Post &post : recorder.posts()) {
            if (post.name == Notifications::Ping) {
                QCOMPARE(post.object, QStringLiteral("com.vostel.Earlume"));
            }
        }
    }

    void everyEchoIsAnsweredOnce()
    {
        PostRecorder recorder;
        auto agent = startAgent(recorder);
        QVERIFY(agent);
        recorder.post(Notifications::MonitorEcho);
        recorder.post(Notifications::MonitorEcho);
        QVERIFY(recorder.waitFor(Notifications::Ping, 3));
        QTest::qWait(300);
        QCOMPARE(recorder.count(Notifications::Ping), 3);
    }

    void reloadsWriteOneLineEach()
    {
        PostRecorder recorder;
        auto agent = startAgent(recorder);
        QVERIFY(agent);
        recorder.post(Notifications::ReloadSettings);
        QVERIFY(agent->waitForLine(QStringLiteral("Settings reloaded"), 1));
        TestEnvironment::setColorScheme(1);
        QVERIFY(agent->waitForLine(QStringLiteral("Settings reloaded"), 2));
        recorder.post(Notifications::ChangeDarkMode, QStringLiteral("anyone"));
        QVERIFY(agent->waitForLine(QStringLiteral("Settings reloaded"), 3));
        // A name off by one character is nobody's business.
        recorder.post(Notifications::ReloadSettings + QLatin1Char('x'));
        recorder.post(Notifications::MonitorEcho);
        QVERIFY(recorder.waitFor(Notifications::Ping, 2));
        QCOMPARE(agent->count(QStringLiteral("Settings reloaded")), 3);
        QCOMPARE(agent->lines().size(), 3);
    }

    void quitSaysGoodbyeOnce()
    {
        PostRecorder recorder;
        auto agent = startAgent(recorder);
        QVERIFY(agent);
        recorder.post(Notifications::MonitorQuit);
        QVERIFY(agent->waitForExit());
        QCOMPARE(agent->exitStatus(), QProcess::NormalExit);
        QCOMPARE(agent->exitCode(), 0);
        QVERIFY(recorder.waitFor(Notifications::Unping, 1));
        QTest::qWait(300);
        QCOMPARE(recorder.count(Notifications::Unping), 1);
        QCOMPARE(recorder.count(Notifications::Ping), 1);
        QCOMPARE(recorder.posts().last().name, Notifications::Unping);
    }

    void terminationSignalsEndInOrder_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void terminationSignalsEndInOrder()
    {
        QFETCH(int, signalNumber);
        PostRecorder recorder;
        auto agent = startAgent(recorder);
        QVERIFY(agent);
        ::kill(static_cast<pid_t>(agent->pid()), signalNumber);
        QVERIFY(agent->waitForExit());
        QCOMPARE(agent->exitCode(), 0);
        QVERIFY(recorder.waitFor(Notifications::Unping, 1));
        QTest::qWait(200);
        QCOMPARE(recorder.count(Notifications::Unping), 1);
    }

    void secondInstanceLeavesAtOnce()
    {
        PostRecorder recorder;
        auto agent = startAgent(recorder);
        QVERIFY(agent);
        QTRY_COMPARE(TestEnvironment::trayItems().size(), 1);
        ProgramUnderTest second(QStringLiteral("Earlume"));
        QVERIFY(second.start());
        QVERIFY(second.waitForExit());
        QCOMPARE(second.exitCode(), 0);
        QTest::qWait(300);
        QCOMPARE(recorder.count(Notifications::Ping), 1);
        QCOMPARE(TestEnvironment::trayItems().size(), 1);
        QVERIFY(agent->isRunning());
    }

    void trayActivationTogglesThePopover()
    {
        PostRecorder recorder;
        auto agent = startAgent(recorder);
        QVERIFY(agent);
        QTRY_VERIFY(!trayOwner().isEmpty());
        const QString owner = trayOwner();
        QCOMPARE(TestEnvironment::visibleWindowCount(QStringLiteral("Earlume")), 0);
        const auto activate = [&] {
            TestEnvironment::call(QDBusConnection::sessionBus(), owner, QStringLiteral("/StatusNotifierItem"),
                                  QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"), {400, 10});
        };
        activate();
        QTRY_COMPARE(TestEnvironment::visibleWindowCount(QStringLiteral("Earlume")), 1);
        activate();
        QTRY_COMPARE(TestEnvironment::visibleWindowCount(QStringLiteral("Earlume")), 0);
    }

    void trayMenuHasVersionSettingsAndQuit()
    {
        PostRecorder recorder;
        auto agent = startAgent(recorder);
        QVERIFY(agent);
        QTRY_VERIFY(!trayOwner().isEmpty());
        const QList<MenuEntry> entries = menuEntries(trayOwner());
        QStringList labels;
        int quitId = -1;
        for (const MenuEntry &entry : entries) {
            labels << entry.label;
            if (entry.label.contains(QLatin1String("Quit"))) {
                quitId = entry.id;
            }
        }
        QVERIFY2(labels.contains(QStringLiteral("Earlume " EARLUME_TEST_VERSION)), qPrintable(labels.join(QLatin1Char('|'))));
        QVERIFY2(std::any_of(labels.cbegin(), labels.cend(), [](const QString &l) { return l.startsWith(QLatin1String("Settings")); }),
                 qPrintable(labels.join(QLatin1Char('|'))));
        QVERIFY(quitId >= 0);

        TestEnvironment::call(QDBusConnection::sessionBus(), trayOwner(), QStringLiteral("/MenuBar"),
                              QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("Event"),
                              {quitId, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
        QVERIFY(agent->waitForExit());
        QCOMPARE(agent->exitCode(), 0);
        QVERIFY(recorder.waitFor(Notifications::Unping, 1));
        QCOMPARE(recorder.count(Notifications::Unping), 1);
    }
};

QTEST_GUILESS_MAIN(TestAgentEndToEnd)
#include "TestAgentEndToEnd.moc"
