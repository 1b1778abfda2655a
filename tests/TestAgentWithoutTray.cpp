// SPDX-License-Identifier: GPL-3.0-or-later
// A desktop with no tray and no Bluetooth service: the agent says so once each and keeps serving.
#include "Notifications.h"
#include "support/TestEnvironment.h"

#include <QTest>

class TestAgentWithoutTray : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void saysWhatIsMissingAndKeepsAnswering()
    {
        PostRecorder recorder;
        ProgramUnderTest agent(QStringLiteral("Earlume"));
        QVERIFY(agent.start());
        QVERIFY(recorder.waitFor(Notifications::Ping, 1));
        QTRY_VERIFY(agent.standardError().contains(QLatin1String("not running on the system bus")));
        recorder.post(Notifications::MonitorEcho);
        QVERIFY(recorder.waitFor(Notifications::Ping, 2));
        QCOMPARE(agent.standardError().count(QLatin1String("shows no tray icons")), 1);
        QCOMPARE(agent.standardError().count(QLatin1String("not running on the system bus")), 1);
    }
};

QTEST_GUILESS_MAIN(TestAgentWithoutTray)
#include "TestAgentWithoutTray.moc"
