// SPDX-License-Identifier: GPL-3.0-or-later
// The panel's connect and disconnect through the real BlueZ adapter, against the simulated bluetoothd.
#include "AirpodsViewController.h"
#include "bluetooth/BluezBluetoothService.h"
#include "fakes/RecordingWorkspace.h"
#include "support/TestEnvironment.h"

#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <memory>

class TestPanelWithBluez : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<BluezBluetoothService> m_bluetooth;
    RecordingWorkspace m_workspace;
    QString m_pods;

private Q_SLOTS:
    void initTestCase()
    {
        BluezMock::addAdapter();
        TestEnvironment::writeSettings(false, false, true, true);
    }

    void init()
    {
        m_pods = BluezMock::addDevice(QStringLiteral("AC:00:00:00:00:01"), QStringLiteral("Pods"),
                                      BluezMock::AirpodsClass, true, false);
        m_bluetooth = std::make_unique<BluezBluetoothService>(QDBusConnection::systemBus());
        QTRY_VERIFY(m_bluetooth->isAvailable());
    }

    void cleanup()
    {
        m_bluetooth.reset();
        BluezMock::removeDevice(m_pods);
    }

    void connectAttempt_data()
    {
        QTest::addColumn<QString>("errorMessage");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("image");
        QTest::newRow("success") << QString() << QStringLiteral("Pods") << PanelImages::Stop;
        QTest::newRow("page timeout") << QStringLiteral("Page Timeout") << QStringLiteral("Disconnected")
                                      << PanelImages::NoAirpods;
        QTest::newRow("other failure") << QStringLiteral("Host is down") << QStringLiteral("Disconnected")
                                       << PanelImages::Refresh;
    }
    void connectAttempt()
    {
        QFETCH(QString, errorMessage);
        QFETCH(QString, name);
        QFETCH(QString, image);
        if (!errorMessage.isEmpty()) {
            BluezMock::setConnectError(m_pods, QStringLiteral("org.bluez.Error.Failed"), errorMessage);
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Connect .* failed")));
        }
        // Slow enough to see the attempt in progress.
        BluezMock::setConnectDelay(m_pods, 0.5);
        std::unique_ptr<AirpodsViewController> panel(
            AirpodsViewController::freshController(m_bluetooth.get(), &m_workspace));
        auto *button = panel->findChild<QToolButton *>(QStringLiteral("connectDisconnectButton"));
        auto *spinner = panel->findChild<QProgressBar *>(QStringLiteral("spinner"));
        auto *nameLabel = panel->findChild<QLabel *>(QStringLiteral("airpodsNameLabel"));
        QCOMPARE(nameLabel->text(), QStringLiteral("Disconnected"));
        QSignalSpy finished(panel.get(), &AirpodsViewController::connectAttemptFinished);

        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!spinner->isHidden());
        QVERIFY(button->isHidden());
        QVERIFY(finished.wait(10000));
        QVERIFY(spinner->isHidden());
        QVERIFY(!button->isHidden());
        QCOMPARE(nameLabel->text(), name);
        QCOMPARE(button->property("imageName").toString(), image);
    }

    void disconnectRefreshesAtOnce()
    {
        BluezMock::setConnected(m_pods, true);
        QTRY_VERIFY(m_bluetooth->device(m_pods).connected);
        std::unique_ptr<AirpodsViewController> panel(
            AirpodsViewController::freshController(m_bluetooth.get(), &m_workspace));
        QCOMPARE(panel->areAirpodsConnected(), std::optional<bool>(true));
        panel->connectDisconnect();
        QVERIFY(panel->findChild<QProgressBar *>(QStringLiteral("spinner"))->isHidden());
        QTRY_VERIFY(!m_bluetooth->device(m_pods).connected);
        panel->getAirpodsInfos();
        QCOMPARE(panel->findChild<QLabel *>(QStringLiteral("airpodsNameLabel"))->text(), QStringLiteral("Disconnected"));
    }
};

QTEST_MAIN(TestPanelWithBluez)
#include "TestPanelWithBluez.moc"
