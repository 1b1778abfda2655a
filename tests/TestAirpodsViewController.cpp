// SPDX-License-Identifier: GPL-3.0-or-later
#include "AirpodsViewController.h"
#include "SystemAppearance.h"
#include "fakes/FakeBluetoothService.h"
#include "fakes/RecordingWorkspace.h"
#include "hud/HudWindow.h"
#include "support/TestEnvironment.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QToolButton>

#include <unistd.h>

class TestAirpodsViewController : public QObject
{
    Q_OBJECT

    QTemporaryDir m_config;
    FakeBluetoothService m_bluetooth;
    RecordingWorkspace m_workspace;
    std::unique_ptr<AirpodsViewController> m_panel;

    // A panel over the AirPods "/a" (none without @p connected), with the settings button or the connect button.
    void load(std::optional<bool> connected, BatteryReadings readings = {}, bool settingsButton = false)
    {
        TestEnvironment::writeSettings(false, false, settingsButton, !settingsButton);
        m_bluetooth.devices.clear();
        if (connected) {
            m_bluetooth.devices << BluetoothDevice{QStringLiteral("/a"), {}, QStringLiteral("Pods"), AirpodsClassOfDevice,
                                                   true, *connected, {}};
        }
        m_bluetooth.readings = {{QStringLiteral("/a"), readings}};
        m_panel.reset(AirpodsViewController::freshController(&m_bluetooth, &m_workspace));
    }
    template<typename T = QLabel>
    T *widget(const QString &name) const { return m_panel->findChild<T *>(name); }
    // What the panel writes to standard output while it handles a press of the connect/disconnect button.
    QByteArray press()
    {
        QTemporaryFile captured;
        captured.open();
        std::fflush(stdout);
        const int saved = dup(STDOUT_FILENO);
        dup2(captured.handle(), STDOUT_FILENO);
        m_panel->connectDisconnect();
        dup2(saved, STDOUT_FILENO);
        close(saved);
        captured.reset();
        return captured.readAll();
    }

private Q_SLOTS:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit()); }

    void rendersTheModelState_data()
    {
        QTest::addColumn<std::optional<bool>>("connected"); // none: no AirPods
        QTest::addColumn<BatteryReadings>("readings");
        QTest::newRow("no AirPods") << std::optional<bool>() << BatteryReadings{};
        QTest::newRow("with case") << std::optional(true) << BatteryReadings{85, 90, 40};
        QTest::newRow("no case, a bud missing") << std::optional(true) << BatteryReadings{0, 55, 0};
    }
    void rendersTheModelState()
    {
        QFETCH(std::optional<bool>, connected);
        QFETCH(BatteryReadings, readings);
        load(connected, readings);
        m_panel->getAirpodsInfos(); // a refresh without the button settings applied after it
        const PanelState &s = m_panel->panelState();
        QCOMPARE(widget(QStringLiteral("airpodsNameLabel"))->text(), s.name);
        QVERIFY(!widget(QStringLiteral("coverImageView"))->pixmap().isNull());
        for (const auto &[slot, text, icon] : {std::tuple{"globalAirpods", &s.globalText, &s.globalIcon},
                 {"leftAirpod", &s.leftText, &s.leftIcon}, {"rightAirpod", &s.rightText, &s.rightIcon},
                 {"case", &s.caseText, &s.caseIcon}}) {
            QLabel *label = widget(QLatin1String(slot) + QLatin1String("BatteryLabel"));
            QLabel *image = widget(QLatin1String(slot) + QLatin1String("BatteryImageView"));
            QCOMPARE(std::tuple(label->text(), label->isHidden(), image->isHidden(), image->pixmap().isNull()),
                     std::tuple(text->content, text->hidden, icon->hidden, icon->content.isEmpty()));
        }
        auto *button = widget<QToolButton>(QStringLiteral("connectDisconnectButton"));
        QCOMPARE(std::tuple(button->isHidden(), button->property("imageName").toString(),
                            button->property("tint").value<QColor>()),
                 std::tuple(s.buttonHidden, s.buttonImage, s.buttonTint));
    }

    void buttonSettings_data()
    {
        QTest::addColumn<bool>("settingsButton"); // or else the connect button
        QTest::newRow("settings button") << true;
        QTest::newRow("connect button") << false;
    }
    void buttonSettings()
    {
        QFETCH(bool, settingsButton);
        load(false, {}, settingsButton);
        auto *settings = widget<QToolButton>(QStringLiteral("preferencesButton"));
        QCOMPARE(settings->isHidden(), !settingsButton);
        QCOMPARE(widget<QToolButton>(QStringLiteral("connectDisconnectButton"))->isHidden(), settingsButton);
        settings->click();
        QCOMPARE(m_workspace.opened.takeFirst(), QUrl(QStringLiteral("x-com-vostel-earlume-settings://")));
    }

    void connectDisconnect_data()
    {
        QTest::addColumn<std::optional<bool>>("connected");
        QTest::addColumn<int>("status"); // of the connection attempt
        QTest::addColumn<QString>("image"); // on the button afterwards
        QTest::newRow("no AirPods: nothing") << std::optional<bool>() << 0 << "";
        QTest::newRow("disconnect") << std::optional(true) << 0 << "view-refresh";
        QTest::newRow("connect") << std::optional(false) << 0 << "process-stop";
        QTest::newRow("connect, page timeout") << std::optional(false) << 4 << "noairpods";
        QTest::newRow("connect fails") << std::optional(false) << 1 << "view-refresh";
    }
    void connectDisconnect()
    {
        QFETCH(std::optional<bool>, connected);
        QFETCH(int, status);
        load(connected);
        m_bluetooth.connectRequests = m_bluetooth.disconnectRequests = {};
        auto *button = widget<QToolButton>(QStringLiteral("connectDisconnectButton"));
        auto *spinner = widget<QWidget>(QStringLiteral("spinner"));
        if (connected == true) {
            m_bluetooth.devices.first().connected = false; // as BlueZ reports it once the request is through
        }
        QCOMPARE(press(), QByteArray("C/D pressed\n"));
        const QStringList device{QStringLiteral("/a")};
        QCOMPARE(m_bluetooth.disconnectRequests, connected == true ? device : QStringList());
        QCOMPARE(m_bluetooth.connectRequests, connected == false ? device : QStringList());
        if (connected == false) {
            QVERIFY(!spinner->isHidden() && button->isHidden());
            press(); // no second attempt while one runs
            QCOMPARE(m_bluetooth.connectRequests, device);
            QSignalSpy finished(m_panel.get(), &AirpodsViewController::connectAttemptFinished);
            m_bluetooth.devices.first().connected = status == PendingConnect::Success;
            m_bluetooth.pendingConnects.last()->finish(status);
            QTRY_COMPARE(finished.size(), 1);
        }
        QVERIFY(spinner->isHidden() && !button->isHidden());
        QTEST(button->property("imageName").toString(), "image");
    }

    void appearanceStyle_data()
    {
        QTest::addColumn<SystemAppearance::Value>("appearance");
        QTest::addColumn<QColor>("text");
        QTest::addColumn<QColor>("background"); // painted unless transparent
        QTest::newRow("light") << SystemAppearance::light << QColor(91, 93, 101) << QColor(255, 255, 255, 0);
        QTest::newRow("dark") << SystemAppearance::dark << QColor(247, 247, 247) << QColor(41, 41, 41);
    }
    void appearanceStyle()
    {
        QFETCH(SystemAppearance::Value, appearance);
        QFETCH(QColor, background);
        SystemAppearance::setCurrent(appearance);
        load(true, {50, 50, 50});
        QTEST(widget(QStringLiteral("caseBatteryCaption"))->palette().color(QPalette::WindowText).toRgb(), "text");
        QCOMPARE(m_panel->currentStyle().backgroundColor.toRgb(), background);
        m_panel->resize(m_panel->sizeHint());
        QCOMPARE(m_panel->grab().toImage().pixelColor(2, 2).toRgb() == background, background.alpha() == 255);
    }

    void hudShowsThePanelLowOnTheScreenThenGoes()
    {
        QCOMPARE(HudWindow::frameFor({1440, 100, 1920, 1080}, {300, 200}), QRect(2250, 760, 300, 200));
        load(true);
        QPointer<HudWindow> hud = HudWindow::showHud(&m_bluetooth, &m_workspace);
        QVERIFY(hud->panel()->findChild<QToolButton *>(QStringLiteral("connectDisconnectButton"))->isHidden());
        QVERIFY(QSignalSpy(hud, &HudWindow::orderedOut).wait(HudWindow::VisibleMs + HudWindow::FadeMs + 5000));
        QTRY_VERIFY(hud.isNull());
    }
};

QTEST_MAIN(TestAirpodsViewController)
#include "TestAirpodsViewController.moc"
