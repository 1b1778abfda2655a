// SPDX-License-Identifier: GPL-3.0-or-later
#include "AirpodsPanelModel.h"
#include "fakes/FakeBluetoothService.h"

#include <QTest>

namespace
{
const auto makeDevice = &FakeBluetoothService::pairedDevice;

AirpodsPanelModel::ReadingsProvider fixedReadings(qint64 left, qint64 right, qint64 caseLevel)
{
    return [=](const BluetoothDevice &) {
        BatteryReadings readings;
        readings.left = left;
        readings.right = right;
        readings.caseLevel = caseLevel;
        return readings;
    };
}

const BluetoothDevice pods = makeDevice(QStringLiteral("/org/bluez/hci0/dev_A"), QStringLiteral("Ann's AirPods"),
                                        AirpodsClassOfDevice, true);
} // namespace

class TestAirpodsPanelModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void batteryIconBoundaries_data()
    {
        QTest::addColumn<qint64>("level");
        QTest::addColumn<QString>("icon");
        const QList<std::pair<qint64, const char *>> rows = {
            {-5, "empty"}, {0, "empty"}, {9, "empty"}, {10, "bad"}, {39, "bad"}, {40, "medium"}, {59, "medium"},
            {60, "ok"}, {90, "ok"}, {91, "good"}, {100, "good"}, {255, "good"}};
        for (const auto &[level, icon] : rows) {
            QTest::addRow("%lld", static_cast<long long>(level)) << level << QString::fromLatin1(icon);
        }
    }
    void batteryIconBoundaries()
    {
        QFETCH(qint64, level);
        QFETCH(QString, icon);
        QCOMPARE(AirpodsPanelModel::batteryIconName(level), icon);
    }

    void combinedLevelTruncatesAndPercentTextIsBare_data()
    {
        QTest::addColumn<qint64>("left");
        QTest::addColumn<qint64>("right");
        QTest::addColumn<QString>("text");
        QTest::newRow("85+90") << qint64(85) << qint64(90) << QStringLiteral("87%");
        QTest::newRow("85+86") << qint64(85) << qint64(86) << QStringLiteral("85%");
        QTest::newRow("0+0") << qint64(0) << qint64(0) << QStringLiteral("0%");
        QTest::newRow("100+100") << qint64(100) << qint64(100) << QStringLiteral("100%");
        QTest::newRow("toward zero") << qint64(-3) << qint64(0) << QStringLiteral("-1%");
    }
    void combinedLevelTruncatesAndPercentTextIsBare()
    {
        QFETCH(qint64, left);
        QFETCH(qint64, right);
        QFETCH(QString, text);
        QCOMPARE(AirpodsPanelModel::percentText(AirpodsPanelModel::combinedLevel(left, right)), text);
    }

    void onlyTheExactClassIsAirpods_data()
    {
        QTest::addColumn<quint32>("classOfDevice");
        QTest::addColumn<bool>("airpods");
        QTest::newRow("airpods") << quint32(0x240418) << true;
        QTest::newRow("wearable headset minor class") << quint32(0x240404) << false;
        QTest::newRow("one service bit more") << quint32(0x260418) << false;
        QTest::newRow("lowest bit") << quint32(0x240419) << false;
        QTest::newRow("keyboard") << quint32(0x002540) << false;
        QTest::newRow("no class") << quint32(0) << false;
    }
    void onlyTheExactClassIsAirpods()
    {
        QFETCH(quint32, classOfDevice);
        QFETCH(bool, airpods);
        AirpodsPanelModel model;
        model.getAirpodsInfos({makeDevice(QStringLiteral("/d"), QStringLiteral("X"), classOfDevice, true)},
                              fixedReadings(50, 50, 50));
        QCOMPARE(model.state().name, airpods ? QStringLiteral("X") : QStringLiteral("No Airpods"));
        QCOMPARE(model.areAirpodsConnected(), std::optional<bool>(airpods));
    }

    void noAirpodsState()
    {
        AirpodsPanelModel model;
        QCOMPARE(model.areAirpodsConnected(), std::nullopt);
        // A connected pair first, so that the no-AirPods state must clear what it showed.
        model.getAirpodsInfos({pods}, fixedReadings(85, 90, 40));
        QVERIFY(model.airpodsDevice());
        model.getAirpodsInfos({}, fixedReadings(0, 0, 0));
        const PanelState &state = model.state();
        QCOMPARE(state.name, QStringLiteral("No Airpods"));
        QCOMPARE(state.cover, PanelImages::Disconnected);
        for (const PanelElement *element : {&state.globalText, &state.leftText, &state.rightText, &state.caseText,
                                            &state.globalIcon, &state.leftIcon, &state.rightIcon, &state.caseIcon}) {
            QVERIFY(element->hidden);
        }
        QVERIFY(state.buttonHidden);
        QCOMPARE(model.airpodsDevice(), std::nullopt);
        QCOMPARE(model.areAirpodsConnected(), std::optional<bool>(false));
        // Hidden texts keep what they showed last.
        QCOMPARE(state.globalText.content, QStringLiteral("87%"));
    }

    void pairedButDisconnected()
    {
        BluetoothDevice away = pods;
        away.connected = false;
        AirpodsPanelModel model;
        model.getAirpodsInfos({away}, fixedReadings(85, 90, 40));
        const PanelState &state = model.state();
        QCOMPARE(state.name, QStringLiteral("Disconnected"));
        QCOMPARE(state.cover, PanelImages::Disconnected);
        QVERIFY(state.globalText.hidden && state.caseIcon.hidden && state.leftText.hidden);
        QVERIFY(!state.buttonHidden);
        QCOMPARE(state.buttonImage, PanelImages::Refresh);
        QCOMPARE(state.buttonTint, QColor(158, 185, 255));
        QCOMPARE(model.airpodsDevice(), std::optional<QString>(away.path));
        QCOMPARE(model.areAirpodsConnected(), std::optional<bool>(false));
    }

    void withCaseLayout()
    {
        AirpodsPanelModel model;
        model.getAirpodsInfos({pods}, fixedReadings(85, 90, 40));
        const PanelState &state = model.state();
        QCOMPARE(state.name, QStringLiteral("Ann's AirPods"));
        QCOMPARE(state.cover, PanelImages::FullCover);
        QCOMPARE(state.globalText, (PanelElement{false, QStringLiteral("87%")}));
        QCOMPARE(state.globalIcon, (PanelElement{false, QStringLiteral("ok")}));
        QCOMPARE(state.caseText, (PanelElement{false, QStringLiteral("40%")}));
        QCOMPARE(state.caseIcon, (PanelElement{false, QStringLiteral("medium")}));
        QVERIFY(state.leftText.hidden && state.rightText.hidden && state.leftIcon.hidden && state.rightIcon.hidden);
        QCOMPARE(state.buttonImage, PanelImages::Stop);
        QCOMPARE(state.buttonTint, QColor(255, 158, 158));
        QVERIFY(!state.buttonHidden);
        QCOMPARE(model.areAirpodsConnected(), std::optional<bool>(true));
    }

    void withCaseLayoutShowsZeroCombined()
    {
        AirpodsPanelModel model;
        model.getAirpodsInfos({pods}, fixedReadings(0, 0, -1));
        QCOMPARE(model.state().cover, PanelImages::FullCover);
        QCOMPARE(model.state().globalText.content, QStringLiteral("0%"));
        QCOMPARE(model.state().globalIcon.content, QStringLiteral("empty"));
        QCOMPARE(model.state().caseText.content, QStringLiteral("-1%"));
    }

    void budsOnlyLayout_data()
    {
        QTest::addColumn<qint64>("left");
        QTest::addColumn<qint64>("right");
        QTest::addColumn<QString>("leftText");
        QTest::addColumn<QString>("leftIcon");
        QTest::addColumn<QString>("rightText");
        QTest::addColumn<QString>("rightIcon");
        QTest::newRow("left missing") << qint64(0) << qint64(55) << QString() << PanelImages::NoAirpods
                                      << QStringLiteral("55%") << QStringLiteral("medium");
        QTest::newRow("right negative") << qint64(100) << qint64(-1) << QStringLiteral("100%")
                                        << QStringLiteral("good") << QString() << PanelImages::NoAirpods;
        QTest::newRow("both") << qint64(9) << qint64(10) << QStringLiteral("9%") << QStringLiteral("empty")
                              << QStringLiteral("10%") << QStringLiteral("bad");
    }
    void budsOnlyLayout()
    {
        QFETCH(qint64, left);
        QFETCH(qint64, right);
        AirpodsPanelModel model;
        model.getAirpodsInfos({pods}, fixedReadings(left, right, 0));
        const PanelState &state = model.state();
        QCOMPARE(state.cover, PanelImages::BudsOnly);
        QVERIFY(state.globalText.hidden && state.caseText.hidden && state.globalIcon.hidden && state.caseIcon.hidden);
        QVERIFY(!state.leftText.hidden && !state.rightText.hidden && !state.leftIcon.hidden && !state.rightIcon.hidden);
        QTEST(state.leftText.content, "leftText");
        QTEST(state.leftIcon.content, "leftIcon");
        QTEST(state.rightText.content, "rightText");
        QTEST(state.rightIcon.content, "rightIcon");
    }

    void firstConnectedSecondNot()
    {
        BluetoothDevice second = makeDevice(QStringLiteral("/org/bluez/hci0/dev_B"), QStringLiteral("Spare"),
                                            AirpodsClassOfDevice, false);
        AirpodsPanelModel model;
        model.getAirpodsInfos({pods, second}, fixedReadings(50, 50, 0));
        QCOMPARE(model.state().name, pods.name);
        QCOMPARE(model.airpodsDevice(), std::optional<QString>(second.path));
        QCOMPARE(model.areAirpodsConnected(), std::optional<bool>(true));
    }

    void twoConnectedShowTheLater()
    {
        BluetoothDevice second = makeDevice(QStringLiteral("/org/bluez/hci0/dev_B"), QStringLiteral("Later"),
                                            AirpodsClassOfDevice, true);
        AirpodsPanelModel model;
        model.getAirpodsInfos({pods, second}, [](const BluetoothDevice &device) {
            return device.name == QLatin1String("Later") ? BatteryReadings{20, 20, 0} : BatteryReadings{90, 90, 90};
        });
        QCOMPARE(model.state().name, QStringLiteral("Later"));
        QCOMPARE(model.state().cover, PanelImages::BudsOnly);
        QCOMPARE(model.state().leftText.content, QStringLiteral("20%"));
    }

    void otherDevicesAreSkippedButAirpodsOrderKept()
    {
        const BluetoothDevice keyboard = makeDevice(QStringLiteral("/k"), QStringLiteral("Keyboard"), 0x002540, true);
        AirpodsPanelModel model;
        const QList<BluetoothDevice> airpods = model.getAirpods({keyboard, pods, keyboard});
        QCOMPARE(airpods.size(), 1);
        QCOMPARE(airpods.first().path, pods.path);
        // An empty list leaves the chosen device as it was; only the no-AirPods state clears it.
        model.getAirpods({keyboard});
        QCOMPARE(model.airpodsDevice(), std::optional<QString>(pods.path));
    }
};

QTEST_GUILESS_MAIN(TestAirpodsPanelModel)
#include "TestAirpodsPanelModel.moc"
