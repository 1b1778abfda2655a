// SPDX-License-Identifier: GPL-3.0-or-later
#include "AirpodsViewController.h"
#include "Icon.h"
#include "PanelArtwork.h"
#include "Style.h"
#include "Settings.h"
#include "SystemAppearance.h"
#include "fakes/FakeBluetoothService.h"
#include "fakes/RecordingWorkspace.h"
#include "hud/HudWindow.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

class TestAirpodsViewController : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_config;
    FakeBluetoothService m_bluetooth;
    RecordingWorkspace m_workspace;

    std::unique_ptr<AirpodsViewController> makePanel()
    {
        return std::unique_ptr<AirpodsViewController>(AirpodsViewController::freshController(&m_bluetooth, &m_workspace));
    }
    template<typename T>
    static T *outlet(QWidget *panel, const char *name)
    {
        T *widget = panel->findChild<T *>(QString::fromLatin1(name));
        if (!widget) {
            qFatal("outlet %s missing", name);
        }
        return widget;
    }
    static void setButtonSettings(bool settingsButton, bool connectButton)
    {
        Settings settings;
        settings.setSettingsButton(settingsButton);
        settings.setConnectButton(connectButton);
        QVERIFY(settings.save());
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    }

    void init()
    {
        QFile::remove(Settings::filePath());
        SystemAppearance::setCurrent(SystemAppearance::light);
        m_bluetooth.devices.clear();
        m_bluetooth.readings.clear();
        m_bluetooth.connectRequests.clear();
        m_bluetooth.disconnectRequests.clear();
        m_bluetooth.pendingConnects.clear();
        m_workspace.opened.clear();
    }

    void everyOutletIsThere()
    {
        const auto panel = makePanel();
        for (const char *name : {"airpodsNameLabel", "leftAirpodBatteryLabel", "rightAirpodBatteryLabel",
                                 "caseBatteryLabel", "globalAirpodsBatteryLabel", "leftAirpodBatteryImageView",
                                 "rightAirpodBatteryImageView", "caseBatteryImageView",
                                 "globalAirpodsBatteryImageView", "preferencesButton", "connectDisconnectButton",
                                 "spinner", "coverImageView"}) {
            QVERIFY2(panel->findChild<QWidget *>(QString::fromLatin1(name)), name);
        }
    }

    void connectedWithCaseShowsCombinedAndCase()
    {
        m_bluetooth.devices = {FakeBluetoothService::airpods(QStringLiteral("/a"), QStringLiteral("Pods"), true)};
        m_bluetooth.readings.insert(QStringLiteral("/a"), BatteryReadings{85, 90, 40});
        setButtonSettings(true, true);
        const auto panel = makePanel();
        QCOMPARE(outlet<QLabel>(panel.get(), "airpodsNameLabel")->text(), QStringLiteral("Pods"));
        QCOMPARE(outlet<QLabel>(panel.get(), "globalAirpodsBatteryLabel")->text(), QStringLiteral("87%"));
        QCOMPARE(outlet<QLabel>(panel.get(), "caseBatteryLabel")->text(), QStringLiteral("40%"));
        QVERIFY(!outlet<QLabel>(panel.get(), "globalAirpodsBatteryLabel")->isHidden());
        QVERIFY(!outlet<QLabel>(panel.get(), "caseBatteryImageView")->isHidden());
        QVERIFY(outlet<QLabel>(panel.get(), "leftAirpodBatteryLabel")->isHidden());
        QVERIFY(outlet<QLabel>(panel.get(), "rightAirpodBatteryImageView")->isHidden());
        QVERIFY(!outlet<QLabel>(panel.get(), "coverImageView")->pixmap().isNull());
        QVERIFY(!outlet<QLabel>(panel.get(), "globalAirpodsBatteryImageView")->pixmap().isNull());
        auto *button = outlet<QToolButton>(panel.get(), "connectDisconnectButton");
        QVERIFY(!button->isHidden());
        QCOMPARE(button->property("imageName").toString(), PanelImages::Stop);
        QCOMPARE(button->property("tint").value<QColor>(), QColor(255, 158, 158));
    }

    void budsOnlyWithAMissingBud()
    {
        m_bluetooth.devices = {FakeBluetoothService::airpods(QStringLiteral("/a"), QStringLiteral("Pods"), true)};
        m_bluetooth.readings.insert(QStringLiteral("/a"), BatteryReadings{0, 55, 0});
        const auto panel = makePanel();
        QCOMPARE(outlet<QLabel>(panel.get(), "leftAirpodBatteryLabel")->text(), QString());
        QCOMPARE(outlet<QLabel>(panel.get(), "rightAirpodBatteryLabel")->text(), QStringLiteral("55%"));
        QVERIFY(!outlet<QLabel>(panel.get(), "leftAirpodBatteryImageView")->pixmap().isNull());
        QVERIFY(outlet<QLabel>(panel.get(), "globalAirpodsBatteryLabel")->isHidden());
        QVERIFY(outlet<QLabel>(panel.get(), "caseBatteryLabel")->isHidden());
    }

    void buttonSettingsHaveTheLastWord_data()
    {
        QTest::addColumn<bool>("settingsButton");
        QTest::addColumn<bool>("connectButton");
        QTest::newRow("absent keys hide both") << false << false;
        QTest::newRow("settings only") << true << false;
        QTest::newRow("connect only") << false << true;
        QTest::newRow("both") << true << true;
    }
    void buttonSettingsHaveTheLastWord()
    {
        QFETCH(bool, settingsButton);
        QFETCH(bool, connectButton);
        m_bluetooth.devices = {FakeBluetoothService::airpods(QStringLiteral("/a"), QStringLiteral("Pods"), false)};
        if (settingsButton || connectButton) {
            setButtonSettings(settingsButton, connectButton);
        }
        const auto panel = makePanel();
        QCOMPARE(outlet<QToolButton>(panel.get(), "preferencesButton")->isHidden(), !settingsButton);
        QCOMPARE(outlet<QToolButton>(panel.get(), "connectDisconnectButton")->isHidden(), !connectButton);
        // A refresh alone shows the button again; the settings, applied after it, decide.
        panel->getAirpodsInfos();
        QVERIFY(!outlet<QToolButton>(panel.get(), "connectDisconnectButton")->isHidden());
        panel->setPreferencesButton();
        QCOMPARE(outlet<QToolButton>(panel.get(), "connectDisconnectButton")->isHidden(), !connectButton);
    }

    void settingsButtonOpensTheSettingsProgram()
    {
        setButtonSettings(true, true);
        const auto panel = makePanel();
        QTest::mouseClick(outlet<QToolButton>(panel.get(), "preferencesButton"), Qt::LeftButton);
        QCOMPARE(m_workspace.opened, (QList<QUrl>{QUrl(QStringLiteral("x-com-vostel-earlume-settings://"))}));
    }

    void disconnectRefreshesAtOnce()
    {
        m_bluetooth.devices = {FakeBluetoothService::airpods(QStringLiteral("/a"), QStringLiteral("Pods"), true)};
        const auto panel = makePanel();
        m_bluetooth.devices.first().connected = false;
        panel->connectDisconnect();
        QCOMPARE(m_bluetooth.disconnectRequests, QStringList{QStringLiteral("/a")});
        QCOMPARE(outlet<QLabel>(panel.get(), "airpodsNameLabel")->text(), QStringLiteral("Disconnected"));
        QVERIFY(outlet<QProgressBar>(panel.get(), "spinner")->isHidden());
    }

    void connectShowsTheSpinnerUntilTheAttemptEnds_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("connectedAfter");
        QTest::addColumn<QString>("image");
        QTest::newRow("success") << 0 << true << PanelImages::Stop;
        QTest::newRow("page timeout") << 4 << false << PanelImages::NoAirpods;
        QTest::newRow("other failure") << 1 << false << PanelImages::Refresh;
    }
    void connectShowsTheSpinnerUntilTheAttemptEnds()
    {
        QFETCH(int, status);
        QFETCH(bool, connectedAfter);
        QFETCH(QString, image);
        setButtonSettings(false, true);
        m_bluetooth.devices = {FakeBluetoothService::airpods(QStringLiteral("/a"), QStringLiteral("Pods"), false)};
        const auto panel = makePanel();
        auto *button = outlet<QToolButton>(panel.get(), "connectDisconnectButton");
        auto *spinner = outlet<QProgressBar>(panel.get(), "spinner");
        QSignalSpy finished(panel.get(), &AirpodsViewController::connectAttemptFinished);

        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(m_bluetooth.connectRequests, QStringList{QStringLiteral("/a")});
        QVERIFY(!spinner->isHidden());
        QVERIFY(button->isHidden());
        // While the attempt runs, a second press cannot start another one.
        panel->connectDisconnect();
        QCOMPARE(m_bluetooth.connectRequests.size(), 1);

        m_bluetooth.devices.first().connected = connectedAfter;
        m_bluetooth.pendingConnects.first()->finish(status);
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().toInt(), status);
        QVERIFY(spinner->isHidden());
        QVERIFY(!button->isHidden());
        QCOMPARE(button->property("imageName").toString(), image);
        QCOMPARE(outlet<QLabel>(panel.get(), "airpodsNameLabel")->text(),
                 connectedAfter ? QStringLiteral("Pods") : QStringLiteral("Disconnected"));
    }

    void pressWithoutAirpodsDoesNothing()
    {
        const auto panel = makePanel();
        panel->connectDisconnect();
        QVERIFY(m_bluetooth.connectRequests.isEmpty());
        QVERIFY(m_bluetooth.disconnectRequests.isEmpty());
        QVERIFY(outlet<QProgressBar>(panel.get(), "spinner")->isHidden());
    }

    void themeColours_data()
    {
        QTest::addColumn<int>("appearance");
        QTest::addColumn<QColor>("text");
        QTest::addColumn<QColor>("background");
        QColor clear(Qt::white);
        clear.setAlpha(0);
        QTest::newRow("light") << int(SystemAppearance::light) << QColor(91, 93, 101) << clear;
        QTest::newRow("dark") << int(SystemAppearance::dark) << QColor(247, 247, 247) << QColor(41, 41, 41);
    }
    void themeColours()
    {
        QFETCH(int, appearance);
        QFETCH(QColor, text);
        QFETCH(QColor, background);
        const auto panel = makePanel();
        SystemAppearance::setCurrent(static_cast<SystemAppearance::Value>(appearance));
        panel->redrawTheme();
        QCOMPARE(panel->currentStyle().textColor.toRgb(), text);
        QCOMPARE(panel->currentStyle().backgroundColor.toRgb(), background);
        for (const char *name : {"airpodsNameLabel", "leftAirpodBatteryLabel", "rightAirpodBatteryLabel",
                                 "caseBatteryLabel", "globalAirpodsBatteryLabel"}) {
            QCOMPARE(outlet<QLabel>(panel.get(), name)->palette().color(QPalette::WindowText).toRgb(), text);
        }
        // What the panel paints is the style's background.
        panel->resize(panel->sizeHint());
        const QImage painted = panel->grab().toImage();
        const QColor corner = painted.pixelColor(2, 2);
        if (background.alpha() == 255) {
            QCOMPARE(corner.toRgb(), background);
        }
    }

    void twoControllersShareNothing()
    {
        const auto first = makePanel();
        const auto second = makePanel();
        first->setStyles(Style::hudLight(), Style::hudDark());
        QCOMPARE(second->style(), Style::panelLight());
        QVERIFY(first->findChild<QLabel *>(QStringLiteral("airpodsNameLabel"))
                != second->findChild<QLabel *>(QStringLiteral("airpodsNameLabel")));
    }

    void batteryImagesLoadForEveryLevel()
    {
        for (const qint64 level : {0, 10, 40, 60, 100}) {
            QVERIFY2(!AirpodsViewController::getBatteryImage(level).pixmap(QSize(24, 12)).isNull(),
                     qPrintable(QString::number(level)));
        }
        for (const char *name : {"menuIcon", "menuIconDisconnected", "airpodsFullCover", "airpodsHudAirpods",
                                 "airpodsHudDisconnected", "noairpods"}) {
            QVERIFY2(!PanelArtwork::named(QString::fromLatin1(name)).pixmap(QSize(32, 32)).isNull(), name);
        }
    }

    void iconMakesAnEighteenPointMaskCopy()
    {
        QPixmap source(32, 32);
        source.fill(Qt::black);
        const QIcon original(source);
        const QIcon tray = icon(original);
        QVERIFY(tray.isMask());
        QVERIFY(!original.isMask());
        QVERIFY(tray.availableSizes().contains(QSize(18, 18)));
        QCOMPARE(original.availableSizes(), QList<QSize>{QSize(32, 32)});
        QCOMPARE(tray.pixmap(QSize(18, 18), 1.0).size(), QSize(18, 18));
    }

    void trayGlyphTakesTheAppearancesTextColour_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void trayGlyphTakesTheAppearancesTextColour()
    {
        QFETCH(bool, dark);
        QPixmap square(32, 32);
        square.fill(Qt::black);
        const QImage page = trayRendering(icon(QIcon(square)), dark).pixmap(QSize(18, 18), 1.0).toImage();
        QCOMPARE(page.size(), QSize(18, 18));
        const QColor centre = page.pixelColor(9, 9);
        QCOMPARE(centre.alpha(), 255);
        // Light text on a dark appearance, dark text on a light one: never the mask's own black.
        QCOMPARE(centre.lightness() > 128, dark);
        QVERIFY(centre != QColor(Qt::black));
    }

    void hudFrame_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("origin");
        QTest::newRow("1440x900") << QRect(0, 0, 1440, 900) << QSize(300, 200) << QPoint(570, 525);
        QTest::newRow("as wide as the screen") << QRect(0, 0, 1440, 900) << QSize(1440, 200) << QPoint(0, 525);
        QTest::newRow("taller than the screen") << QRect(0, 0, 1440, 900) << QSize(300, 1000) << QPoint(570, -75);
        QTest::newRow("second screen") << QRect(1440, 100, 1920, 1080) << QSize(300, 200) << QPoint(2250, 760);
    }
    void hudFrame()
    {
        QFETCH(QRect, screen);
        QFETCH(QSize, size);
        QFETCH(QPoint, origin);
        QCOMPARE(HudWindow::frameFor(screen, size), QRect(origin, size));
    }

    void hudHasNoButtonsAndItsOwnColours()
    {
        m_bluetooth.devices = {FakeBluetoothService::airpods(QStringLiteral("/a"), QStringLiteral("Pods"), true)};
        setButtonSettings(true, true);
        SystemAppearance::setCurrent(SystemAppearance::light);
        HudWindow *hud = HudWindow::showHud(&m_bluetooth, &m_workspace);
        QPointer<HudWindow> guard(hud);
        QVERIFY(hud->panel()->findChild<QToolButton *>(QStringLiteral("preferencesButton"))->isHidden());
        QVERIFY(hud->panel()->findChild<QToolButton *>(QStringLiteral("connectDisconnectButton"))->isHidden());
        QCOMPARE(hud->panel()->currentStyle().backgroundColor.toRgb(), QColor::fromRgbF(0.95f, 0.95f, 0.95f).toRgb());
        QVERIFY(hud->windowFlags() & Qt::WindowDoesNotAcceptFocus);
        QVERIFY(hud->windowFlags() & Qt::WindowStaysOnTopHint);
        QSignalSpy orderedOut(hud, &HudWindow::orderedOut);
        QVERIFY(orderedOut.wait(HudWindow::VisibleMs + HudWindow::FadeMs + 3000));
        QTRY_VERIFY(guard.isNull());
    }
};

QTEST_MAIN(TestAirpodsViewController)
#include "TestAirpodsViewController.moc"
