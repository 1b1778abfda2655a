// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/AirpodsViewController.h"
#include "Translations.h"
#include "desktop/IdleMemory.h"
#include "desktop/SystemAppearance.h"
#include "fakes/FakeBluetoothService.h"
#include "fakes/RecordingWorkspace.h"
#include "hud/HudWindow.h"
#include "panel/Popover.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QAccessible>
#include <QTest>
#include <QToolButton>
#include <QTranslator>

#include <cstdio>

class TestAirpodsViewController : public QObject
{
    Q_OBJECT

    QTemporaryDir m_config;
    FakeBluetoothService m_bluetooth;
    PairList m_pairs{&m_bluetooth};
    RecordingWorkspace m_workspace;
    struct : Appearance {
        SystemAppearance::Value value = SystemAppearance::light;
        SystemAppearance::Value getCurrent() const override { return value; }
    } m_appearance;
    std::unique_ptr<AirpodsViewController> m_panel;

    // A panel over the AirPods "/a" (none without @p connected), with the settings button or the connect button.
    void load(std::optional<bool> connected, BatteryState readings = {}, bool settingsButton = false)
    {
        TestEnvironment::writeSettings(false, false, settingsButton, !settingsButton);
        const BluetoothDevice pods{QStringLiteral("/a"), {}, QStringLiteral("Pods"), AirpodsClassOfDevice, true,
                                   connected == true, {}, {}, nullptr};
        m_bluetooth.devices = connected ? QList{pods} : QList<BluetoothDevice>();
        m_bluetooth.setBattery(QStringLiteral("/a"), readings);
        m_panel.reset(AirpodsViewController::freshController(&m_pairs, &m_workspace, &m_appearance));
    }
    template<typename T = QLabel>
    T *widget(const QString &name) const { return m_panel->findChild<T *>(name); }
    // What the panel writes to standard output while it handles a press of the connect/disconnect button.
    QByteArray press()
    {
        char written[64] = {};
        FILE *const real = std::exchange(stdout, fmemopen(written, sizeof written - 1, "w"));
        m_panel->connectDisconnect();
        std::fclose(std::exchange(stdout, real));
        return written;
    }

private Q_SLOTS:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit()); }

    void rendersStateSettingsAndStyle_data()
    {
        QTest::addColumn<std::optional<bool>>("connected"); // none: no AirPods
        QTest::addColumn<BatteryState>("readings");
        QTest::addColumn<bool>("settingsButton"); // or else the connect button
        QTest::addColumn<bool>("dark");
        QTest::newRow("no AirPods, light") << std::optional<bool>() << BatteryState{} << true << false;
        QTest::newRow("with case, dark") << std::optional(true) << levels(85, 90, 40) << false << true;
        QTest::newRow("no case, a bud missing") << std::optional(true) << levels(-1, 55, -1) << false << false;
    }
    void rendersStateSettingsAndStyle()
    {
        QFETCH(std::optional<bool>, connected);
        QFETCH(BatteryState, readings);
        QFETCH(bool, settingsButton);
        QFETCH(bool, dark);
        m_appearance.value = dark ? SystemAppearance::dark : SystemAppearance::light;
        load(connected, readings, settingsButton);
        auto *settings = widget<QToolButton>(QStringLiteral("preferencesButton"));
        auto *button = widget<QToolButton>(QStringLiteral("connectDisconnectButton"));
        QCOMPARE(std::pair(settings->isHidden(), button->isHidden()), std::pair(!settingsButton, settingsButton));
        settings->click();
        QCOMPARE(m_workspace.opened.takeFirst(), QUrl(QStringLiteral("x-com-vostel-earlume-settings://")));
        const QColor text = dark ? QColor(247, 247, 247) : QColor(91, 93, 101);
        const QColor background = dark ? QColor(41, 41, 41) : QColor(255, 255, 255, 0); // painted unless transparent
        QCOMPARE(widget(QStringLiteral("caseBatteryCaption"))->palette().color(QPalette::WindowText).toRgb(), text);
        QCOMPARE(m_panel->currentStyle().backgroundColor.toRgb(), background);
        m_panel->resize(m_panel->sizeHint());
        QCOMPARE(m_panel->grab().toImage().pixelColor(2, 2).toRgb() == background, background.alpha() == 255);

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
        QCOMPARE(std::tuple(button->isHidden(), button->property("imageName").toString(),
                            button->property("tint").value<QColor>()),
                 std::tuple(s.buttonHidden, s.buttonImage, s.buttonTint));
    }

    void connectDisconnect_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<int>("status"); // of the connection attempt
        QTest::addColumn<QString>("image"); // on the button afterwards
        QTest::newRow("disconnect") << true << 1 << "view-refresh";
        QTest::newRow("connect") << false << 0 << "process-stop";
        QTest::newRow("connect, page timeout") << false << 4 << "noairpods";
        QTest::newRow("connect fails") << false << 1 << "view-refresh";
    }
    void connectDisconnect()
    {
        QFETCH(bool, connected);
        QFETCH(int, status);
        load(connected);
        m_bluetooth.connectRequests = m_bluetooth.disconnectRequests = {};
        m_bluetooth.devices.first().connected = status == PendingConnect::Success; // as BlueZ reports it afterwards
        auto *button = widget<QToolButton>(QStringLiteral("connectDisconnectButton"));
        auto *spinner = widget<QWidget>(QStringLiteral("spinner"));
        QCOMPARE(press(), QByteArray("C/D pressed\n"));
        const QStringList pods{QStringLiteral("/a")};
        QCOMPARE(std::pair(m_bluetooth.disconnectRequests, m_bluetooth.connectRequests),
                 connected ? std::pair(pods, QStringList()) : std::pair(QStringList(), pods));
        QCOMPARE(std::pair(spinner->isHidden(), button->isHidden()), std::pair(connected, !connected));
        if (!connected) {
            m_bluetooth.pendingConnects.last()->finish(status);
            QTRY_VERIFY(spinner->isHidden() && !button->isHidden());
        }
        QTEST(button->property("imageName").toString(), "image");
    }

    void buttonActsOnTheShownPairAndHidesWhenUseless()
    {
        load(std::nullopt); // no AirPods: nothing to connect, whatever the settings say
        auto *button = widget<QToolButton>(QStringLiteral("connectDisconnectButton"));
        m_panel->setPreferencesButton();
        QVERIFY(button->isHidden());
        load(false);
        const BluetoothDevice other{QStringLiteral("/b"), {}, QStringLiteral("Other"), AirpodsClassOfDevice, true, true, {}, {}, nullptr};
        m_bluetooth.devices.prepend(other); // the connected pair is not the last one paired
        m_panel->getAirpodsInfos();
        press();
        QCOMPARE(m_bluetooth.disconnectRequests, QStringList{QStringLiteral("/b")});
        m_bluetooth.devices.removeFirst();
        m_panel->getAirpodsInfos();
        button = widget<QToolButton>(QStringLiteral("connectDisconnectButton"));
        press(); // connecting: the button stays hidden through refreshes until the attempt ends
        m_panel->getAirpodsInfos();
        m_panel->setPreferencesButton();
        QVERIFY(button->isHidden());
        m_bluetooth.pendingConnects.last()->finish(PendingConnect::Failed);
        QTRY_VERIFY(!button->isHidden());
    }

    void severalPairsAreStackedEachWithItsOwnButton()
    {
        load(true, levels(80, 90, 40));
        const int oneHigh = m_panel->sizeHint().height();
        BluetoothDevice max{QStringLiteral("/b"), {}, QStringLiteral("Max"), AirpodsClassOfDevice, true, true, {}, {}, nullptr};
        max.model = AirpodsModels::byProductId(0x201F);
        m_bluetooth.devices.append(max);
        BatteryState single;
        single.single = BatteryLevel{55, false};
        m_bluetooth.setBattery(QStringLiteral("/b"), single);
        m_panel->getAirpodsInfos();
        QCOMPARE(m_panel->panelState().name, QStringLiteral("Pods"));
        QCOMPARE(m_panel->cards().size(), 1);
        AirpodsViewController *card = m_panel->cards().constFirst();
        QCOMPARE(card->panelState().name, QStringLiteral("Max"));
        QCOMPARE(card->panelState().cover, PanelImages::OverEar);
        QCOMPARE(card->findChild<QLabel *>(QStringLiteral("globalAirpodsBatteryLabel"))->text(), QStringLiteral("55%"));
        QVERIFY(card->findChild<QToolButton *>(QStringLiteral("preferencesButton"))->isHidden());
        QVERIFY(!card->findChild<QToolButton *>(QStringLiteral("connectDisconnectButton"))->isHidden());
        QVERIFY(m_panel->sizeHint().height() > oneHigh + 100);
        // A heads-up window shows the pair that changed, not the first.
        QPointer<HudWindow> hud = HudWindow::showHud(&m_pairs, &m_workspace, &m_appearance, QStringLiteral("/b"));
        QCOMPARE(hud->panel()->panelState().name, QStringLiteral("Max"));
        QVERIFY(hud->panel()->cards().isEmpty());
        // Another pair's window, drawn by the same panel, leaves this one's picture as it was.
        const QImage maxPicture = hud->picture();
        QPointer<HudWindow> other = HudWindow::showHud(&m_pairs, &m_workspace, &m_appearance, QStringLiteral("/a"));
        QCOMPARE(other->panel()->panelState().name, QStringLiteral("Pods"));
        QVERIFY(other->picture() != maxPicture);
        QCOMPARE(hud->picture(), maxPicture);
        delete other;
        delete hud;
        // Each button acts on its own pair; a pair that goes leaves the stack.
        m_bluetooth.disconnectRequests.clear();
        card->connectDisconnect();
        QCOMPARE(m_bluetooth.disconnectRequests, QStringList{QStringLiteral("/b")});
        m_bluetooth.devices.last().connected = false;
        m_panel->getAirpodsInfos();
        QVERIFY(m_panel->cards().isEmpty());
        QTRY_VERIFY(m_panel->findChildren<AirpodsViewController *>().isEmpty());
    }

    void noiseControlRowShowsTheModesAndSendsAPress()
    {
        load(true);
        auto *row = widget<QWidget>(QStringLiteral("noiseControlRow"));
        const auto button = [this](int m) { return widget<QToolButton>(QStringLiteral("noiseMode%1Button").arg(m)); };
        QVERIFY(row->isHidden()); // no mode reported yet
        m_bluetooth.devices.first().model = AirpodsModels::byProductId(0x200E); // AirPods Pro: no adaptive
        m_bluetooth.reportNoiseMode(QStringLiteral("/a"), NoiseMode::Transparency);
        QVERIFY(!row->isHidden() && !button(0)->isHidden() && button(3)->isHidden() && button(2)->isChecked());
        QCOMPARE(button(1)->accessibleName(), QStringLiteral("Noise cancellation"));
        button(1)->click();
        QCOMPARE(m_bluetooth.noiseModes.value(QStringLiteral("/a")), NoiseMode::NoiseCancellation);
        QVERIFY(button(1)->isChecked() && !button(2)->isChecked());
        // A screen reader toggles instead of clicking: the mode goes all the same; toggling the current one off
        // leaves it on.
        const auto toggle = [&](int m) {
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(button(m));
            accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        };
        toggle(2);
        QCOMPARE(m_bluetooth.noiseModes.value(QStringLiteral("/a")), NoiseMode::Transparency);
        toggle(2);
        QVERIFY(button(2)->isChecked());
        QCOMPARE(m_bluetooth.noiseModes.value(QStringLiteral("/a")), NoiseMode::Transparency);
        // Each level reads as a sentence.
        BatteryState charging = levels(87, 91, -1);
        charging.left->charging = true;
        m_bluetooth.setBattery(QStringLiteral("/a"), charging);
        m_panel->getAirpodsInfos();
        QCOMPARE(widget<QLabel>(QStringLiteral("leftAirpodBatteryLabel"))->accessibleName(),
                 QStringLiteral("Left AirPod 87 percent, charging"));
        QCOMPARE(widget<QLabel>(QStringLiteral("rightAirpodBatteryLabel"))->accessibleName(),
                 QStringLiteral("Right AirPod 91 percent"));
        m_bluetooth.devices.first().connected = false;
        m_panel->getAirpodsInfos();
        QVERIFY(row->isHidden());
    }

    // In German and French, at one and a half times the font: the captions and noise modes in the language, each
    // text whole.
    void speaksTheLanguageWithEveryTextWhole_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("texts"); // the captions left, right, case; the four noise modes
        QTest::newRow("German") << QStringLiteral("de") << QStringLiteral("Links|Rechts|Case|Aus|Unterdrückung|Transparenz|Adaptiv");
        QTest::newRow("French") << QStringLiteral("fr")
                                << QStringLiteral("Gauche|Droit|Boîtier|Désactivé|Réduction|Transparence|Adaptatif");
    }
    void speaksTheLanguageWithEveryTextWhole()
    {
        QFETCH(QString, language);
        QFETCH(QString, texts);
        const QFont font = QApplication::font();
        const auto restore = qScopeGuard([font] {
            for (QTranslator *translator : qApp->findChildren<QTranslator *>()) {
                QCoreApplication::removeTranslator(translator);
                delete translator;
            }
            QLocale::setDefault(QLocale::c());
            QApplication::setFont(font);
        });
        QLocale::setDefault(QLocale(language));
        Translations::install(QStringLiteral("earlume"));
        QFont larger = font;
        larger.setPointSizeF(font.pointSizeF() * 1.5);
        QApplication::setFont(larger);
        load(true);
        m_bluetooth.devices.first().modalias = QStringLiteral("bluetooth:v004Cp2014d0001"); // AirPods Pro 2: four modes
        m_bluetooth.reportNoiseMode(QStringLiteral("/a"), NoiseMode::Adaptive);
        m_panel->show();
        m_panel->resize(m_panel->sizeHint());
        QStringList shown;
        for (const char *caption : {"leftAirpod", "rightAirpod", "case"}) {
            shown.append(widget(QLatin1String(caption) + QLatin1String("BatteryCaption"))->text());
        }
        for (int mode = 0; mode < 4; ++mode) {
            shown.append(widget<QToolButton>(QStringLiteral("noiseMode%1Button").arg(mode))->text());
        }
        QCOMPARE(shown.join(u'|'), texts);
        for (QWidget *child : m_panel->findChildren<QWidget *>()) {
            const bool text = qobject_cast<QLabel *>(child) || qobject_cast<QToolButton *>(child);
            if (text && child->isVisibleTo(m_panel.get())) {
                const QSize needed = qobject_cast<QToolButton *>(child)
                    ? QSize(child->fontMetrics().horizontalAdvance(static_cast<QToolButton *>(child)->text()), 0)
                    : child->sizeHint();
                QVERIFY2(needed.width() <= child->width() && needed.height() <= child->height(),
                         qPrintable(child->objectName()));
            }
        }
    }

    void popoverOpensBesideItsAnchor()
    {
        const QRect screen(0, 0, 1440, 900);
        const QSize size(300, 200);
        const int gap = Popover::placement({700, 0, 20, 20}, size, screen).y() - 20; // below a tray at the top
        QVERIFY(gap >= 0 && gap < 10);
        QCOMPARE(Popover::placement({700, 880, 20, 20}, size, screen), QPoint(559, 880 - gap - 200)); // above one below
        QCOMPARE(Popover::placement({1430, 0, 10, 20}, size, screen), QPoint(1140, 20 + gap)); // kept on the screen
    }

    // A 1440 x 900 screen, a 300 x 200 panel; the host's point, the work area, the pointer where it is known.
    void popoverOpensWhereTheBarIsWithoutAScreenPoint_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("pointer"); // null: not known (a Wayland session)
        QTest::addColumn<QPoint>("expected");
        const QRect all(0, 0, 1440, 900);
        QTest::newRow("waybar's point in its icon") << QPoint(10, 14) << all << QPoint() << QPoint(1136, 36);
        QTest::newRow("menu, bottom bar in the work area") << QPoint() << QRect(0, 0, 1440, 860) << QPoint(9, 9)
                                                           << QPoint(1136, 656);
        QTest::newRow("menu, no strut, pointer low") << QPoint() << all << QPoint(1300, 880) << QPoint(1136, 696);
        QTest::newRow("menu, bar on the left") << QPoint() << QRect(48, 0, 1392, 900) << QPoint(9, 9)
                                               << QPoint(52, 696);
        QTest::newRow("point off every screen") << QPoint(-5, 2000) << all << QPoint() << QPoint(1136, 36);
        QTest::newRow("corner point the pointer confirms") << QPoint(30, 12) << QRect(0, 28, 1440, 872)
                                                           << QPoint(31, 13) << QPoint(0, 28);
        QTest::newRow("corner point, pointer elsewhere") << QPoint(30, 12) << QRect(0, 28, 1440, 872)
                                                         << QPoint(700, 450) << QPoint(1136, 32);
        QTest::newRow("top bar the work area misses") << QPoint(1400, 12) << all << QPoint() << QPoint(1140, 32);
        QTest::newRow("bottom bar the work area misses") << QPoint(1400, 890) << all << QPoint() << QPoint(1140, 668);
        QTest::newRow("top bar in the work area") << QPoint(1400, 12) << QRect(0, 28, 1440, 872) << QPoint()
                                                  << QPoint(1140, 28);
    }
    void popoverOpensWhereTheBarIsWithoutAScreenPoint()
    {
        QFETCH(QPoint, point);
        QFETCH(QRect, available);
        QFETCH(QPoint, pointer);
        QFETCH(QPoint, expected);
        Popover::Desktop desktop{{QRect(0, 0, 1440, 900)}, {available}, std::nullopt, !pointer.isNull()};
        if (!pointer.isNull()) {
            desktop.pointer = pointer;
        }
        QCOMPARE(Popover::placementFor(point, QSize(300, 200), desktop), expected);
        desktop.direction = Qt::RightToLeft; // trays sit at the other end
        if (!Popover::isScreenPoint(point, desktop) && available.left() == 0) {
            QCOMPARE(Popover::placementFor(point, QSize(300, 200), desktop).x(), 4);
        }
    }

    // Closed for a moment, it gives back its native window and Qt's fonts; opened again, it draws the same.
    void popoverGivesBackItsWindowOnceClosed()
    {
        load(true, levels(80, 90, 40));
        Popover popover;
        popover.setContentViewController(m_panel.release());
        popover.showFor(QPoint(700, 12));
        QVERIFY(QTest::qWaitForWindowExposed(&popover));
        const QImage drawn = popover.grab().toImage();
        QVERIFY(!IdleMemory::release(IdleMemory::Pictures::Keep)); // not while a window is shown
        const WId window = popover.internalWinId();
        popover.performClose();
        popover.showFor(QPoint(700, 12)); // opened again at once: the same window
        QCOMPARE(popover.internalWinId(), window);
        popover.performClose();
        QTRY_VERIFY_WITH_TIMEOUT(!popover.internalWinId(), Popover::ReleaseAfterMs * 3);
        popover.showFor(QPoint(700, 12));
        QVERIFY(QTest::qWaitForWindowExposed(&popover));
        QCOMPARE(popover.grab().toImage(), drawn);
    }

    void hudShowsThePanelLowOnTheScreenThenGoes()
    {
        QCOMPARE(HudWindow::frameFor({1440, 100, 1920, 1080}, {300, 200}), QRect(2250, 760, 300, 200));
        load(true);
        QPointer<HudWindow> hud = HudWindow::showHud(&m_pairs, &m_workspace, &m_appearance);
        QVERIFY(hud->panel()->findChild<QToolButton *>(QStringLiteral("connectDisconnectButton"))->isHidden());
        QCOMPARE(hud->size(), hud->picture().deviceIndependentSize().toSize());
        const QImage first = hud->picture();
        // Readings and the name arrive after the connection; the visible window follows them.
        m_bluetooth.setBattery(QStringLiteral("/a"), levels(80, 90, 40));
        QTRY_COMPARE(hud->panel()->findChild<QLabel *>(QStringLiteral("globalAirpodsBatteryLabel"))->text(), "85%");
        QTRY_VERIFY(hud->picture() != first);
        m_bluetooth.devices.first().name = QStringLiteral("Renamed");
        Q_EMIT m_bluetooth.devicesChanged();
        QTRY_COMPARE(hud->panel()->findChild<QLabel *>(QStringLiteral("airpodsNameLabel"))->text(), "Renamed");
        QVERIFY(hud->panel()->findChild<QToolButton *>(QStringLiteral("connectDisconnectButton"))->isHidden());
        m_bluetooth.reportNoiseMode(QStringLiteral("/a"), NoiseMode::Off); // a pair with noise control: still no row
        QVERIFY(hud->panel()->findChild<QWidget *>(QStringLiteral("noiseControlRow"))->isHidden());
        // A second window about the same pair shares the first one's panel and picture, even after a change
        // that leaves the picture as it was; the panel goes with the last window.
        QPointer<HudWindow> second = HudWindow::showHud(&m_pairs, &m_workspace, &m_appearance);
        QCOMPARE(second->panel(), hud->panel());
        QCOMPARE(second->picture().constBits(), hud->picture().constBits());
        Q_EMIT m_bluetooth.devicesChanged();
        QTest::qWait(10);
        QCOMPARE(second->picture().constBits(), hud->picture().constBits());
        QPointer<AirpodsViewController> shared = hud->panel();
        QVERIFY(QSignalSpy(hud, &HudWindow::orderedOut).wait(HudWindow::VisibleMs + HudWindow::FadeMs + 5000));
        QTRY_VERIFY(hud.isNull());
        QTRY_VERIFY(second.isNull());
        QVERIFY(shared.isNull());
    }
};

QTEST_MAIN(TestAirpodsViewController)
#include "TestAirpodsViewController.moc"
