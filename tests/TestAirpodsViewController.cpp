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

    // A panel over the AirPods "/a" (none without @p connected), with the two button settings.
    void load(std::optional<bool> connected, BatteryReadings readings = {}, bool settings = true, bool connect = true)
    {
        TestEnvironment::writeSettings(false, false, settings, connect);
        m_bluetooth.devices.clear();
        if (connected) {
            m_bluetooth.devices << FakeBluetoothService::pairedDevice(QStringLiteral("/a"), QStringLiteral("Pods"),
                                                                      AirpodsClassOfDevice, *connected);
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
        const PanelState &state = m_panel->panelState();
        QCOMPARE(widget(QStringLiteral("airpodsNameLabel"))->text(), state.name);
        QVERIFY(!widget(QStringLiteral("coverImageView"))->pixmap().isNull());
        for (const auto &[slot, text, icon] : {std::tuple{"globalAirpods", &state.globalText, &state.globalIcon},
                                               {"leftAirpod", &state.leftText, &state.leftIcon},
                                               {"rightAirpod", &state.rightText, &state.rightIcon},
                                               {"case", &state.caseText, &state.caseIcon}}) {
            const QString name = QLatin1String(slot) + QLatin1String("Battery");
            QCOMPARE(widget(name + QLatin1String("Label"))->text(), text->content);
            QCOMPARE(widget(name + QLatin1String("Label"))->isHidden(), text->hidden);
            QCOMPARE(widget(name + QLatin1String("Caption"))->isHidden(), text->hidden);
            QCOMPARE(widget(name + QLatin1String("ImageView"))->isHidden(), icon->hidden);
            QCOMPARE(widget(name + QLatin1String("ImageView"))->pixmap().isNull(), icon->content.isEmpty());
        }
        auto *button = widget<QToolButton>(QStringLiteral("connectDisconnectButton"));
        QCOMPARE(button->isHidden(), state.buttonHidden);
        QCOMPARE(button->property("imageName").toString(), state.buttonImage);
        QCOMPARE(button->property("tint").value<QColor>(), state.buttonTint);
    }

    void buttonSettings_data()
    {
        QTest::addColumn<bool>("settings");
        QTest::addColumn<bool>("connect");
        QTest::newRow("settings button only") << true << false;
        QTest::newRow("connect button only") << false << true;
    }
    void buttonSettings()
    {
        QFETCH(bool, settings);
        QFETCH(bool, connect);
        load(false, {}, settings, connect);
        QCOMPARE(widget<QToolButton>(QStringLiteral("connectDisconnectButton"))->isHidden(), !connect);
        auto *settingsButton = widget<QToolButton>(QStringLiteral("preferencesButton"));
        QCOMPARE(settingsButton->isHidden(), !settings);
        m_workspace.opened.clear();
        if (settings) {
            QTest::mouseClick(settingsButton, Qt::LeftButton);
            QCOMPARE(m_workspace.opened, QList{QUrl(QStringLiteral("x-com-vostel-earlume-settings://"))});
        }
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
        load(connected, {}, false);
        m_bluetooth.connectRequests = m_bluetooth.disconnectRequests = {};
        m_bluetooth.pendingConnects.clear();
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
            m_bluetooth.pendingConnects.first()->finish(status);
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
        QFETCH(QColor, text);
        QFETCH(QColor, background);
        SystemAppearance::setCurrent(appearance);
        load(true, {50, 50, 50});
        QCOMPARE(widget(QStringLiteral("caseBatteryCaption"))->palette().color(QPalette::WindowText).toRgb(), text);
        QCOMPARE(m_panel->currentStyle().backgroundColor.toRgb(), background);
        m_panel->resize(m_panel->sizeHint());
        if (background.alpha() == 255) {
            QCOMPARE(m_panel->grab().toImage().pixelColor(2, 2).toRgb(), background);
        }
    }

    void hudShowsThePanelBelowTheMiddleThenGoes()
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
