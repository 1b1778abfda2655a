// SPDX-License-Identifier: GPL-3.0-or-later
// The real agent in a private desktop: what it posts and writes, seen from outside.
#include "DBusNames.h"
#include "Notifications.h"
#include "support/TestEnvironment.h"

#include <QDBusConnectionInterface>
#include <QTest>

#include <csignal>
#include <memory>

class TestAgentEndToEnd : public QObject
{
    Q_OBJECT

    std::unique_ptr<PostRecorder> m_recorder;
    std::unique_ptr<ProgramUnderTest> m_agent;

private Q_SLOTS:
    void init()
    {
        m_recorder = std::make_unique<PostRecorder>();
        // Asked back the moment the launch ping arrives: the agent must be listening by then.
        m_recorder->onPost(Notifications::Ping, [this] {
            if (m_recorder->count(Notifications::Ping) == 1) {
                m_recorder->post(Notifications::MonitorEcho);
            }
        });
        m_agent = std::make_unique<ProgramUnderTest>(QStringLiteral("Earlume"));
        QVERIFY(m_agent->start());
        QVERIFY(m_recorder->waitFor(Notifications::Ping, 2));
    }

    void cleanup()
    {
        m_agent.reset();
        m_recorder.reset();
    }

    void pingsOncePerEcho()
    {
        m_recorder->post(Notifications::MonitorEcho);
        m_recorder->post(Notifications::MonitorEcho);
        QVERIFY(m_recorder->waitFor(Notifications::Ping, 4));
        QTest::qWait(200);
        QCOMPARE(m_recorder->count(Notifications::Ping), 4);
        QCOMPARE(m_recorder->posts().first().object, BundleIdentifier::Agent);
    }

    void reloadsWriteOneLineEach()
    {
        const QString line = QStringLiteral("Settings reloaded");
        m_recorder->post(Notifications::ReloadSettings);
        QVERIFY(m_agent->waitForLine(line, 1));
        TestEnvironment::setColorScheme(1);
        QVERIFY(m_agent->waitForLine(line, 2));
        m_recorder->post(Notifications::ChangeDarkMode, QStringLiteral("anyone"));
        QVERIFY(m_agent->waitForLine(line, 3));
        // A name one character short is nobody's business.
        m_recorder->post(Notifications::ReloadSettings.chopped(1));
        m_recorder->post(Notifications::MonitorEcho);
        QVERIFY(m_recorder->waitFor(Notifications::Ping, 3));
        QTest::qWait(200);
        QCOMPARE(m_agent->lines(), QStringList(3, line));
    }

    void quitPostsOneUnpingAndExits_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("MonitorQuit") << 0;
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void quitPostsOneUnpingAndExits()
    {
        QFETCH(int, signalNumber);
        if (signalNumber) {
            ::kill(pid_t(m_agent->pid()), signalNumber);
        } else {
            m_recorder->post(Notifications::MonitorQuit);
        }
        QVERIFY(m_agent->waitForExit());
        QCOMPARE(m_agent->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_agent->exitCode(), 0);
        QVERIFY(m_recorder->waitFor(Notifications::Unping));
        QTest::qWait(200);
        QCOMPARE(m_recorder->count(Notifications::Unping), 1);
    }

    void secondInstanceLeavesAtOnce()
    {
        QVERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered(DBusNames::AgentService));
        QTRY_COMPARE(TestEnvironment::trayItems().size(), 1);
        ProgramUnderTest second(QStringLiteral("Earlume"));
        QVERIFY(second.start());
        QVERIFY(second.waitForExit());
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(m_recorder->count(Notifications::Ping), 2);
        QCOMPARE(TestEnvironment::trayItems().size(), 1);
        QVERIFY(m_agent->isRunning());
    }
};

QTEST_GUILESS_MAIN(TestAgentEndToEnd)
#include "TestAgentEndToEnd.moc"
