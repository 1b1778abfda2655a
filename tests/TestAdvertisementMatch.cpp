// SPDX-License-Identifier: GPL-3.0-or-later
#include "battery/AdvertisementMatch.h"

#include <QObject>
#include <QTest>

#include <chrono>
#include <optional>

using namespace AdvertisementMatch;
using ProximityPairing::AirPodsModel;
using ProximityPairing::ProximityPairingMessage;
using std::chrono::milliseconds;
using std::chrono::seconds;

Q_DECLARE_METATYPE(QList<AdvertisementMatch::Advertisement>)
Q_DECLARE_METATYPE(std::optional<qint16>)

namespace
{

constexpr quint16 BeatsModel = 0x0320; // an Apple accessory model that is no AirPods

ProximityPairingMessage message(quint16 model,
                                std::optional<int> left = 80,
                                std::optional<int> right = 90,
                                std::optional<int> casePercent = 70)
{
    ProximityPairingMessage m;
    m.model = model;
    m.leftPercent = left;
    m.rightPercent = right;
    m.casePercent = casePercent;
    return m;
}

quint16 modelOf(AirPodsModel model)
{
    return static_cast<quint16>(model);
}

Advertisement advertisement(const QString &advertiser,
                            qint16 rssi,
                            milliseconds receivedAt,
                            quint16 model = modelOf(AirPodsModel::AirPodsPro2))
{
    return {advertiser, message(model), rssi, receivedAt};
}

BluetoothDevice airpods(const QString &modalias = QString())
{
    BluetoothDevice device;
    device.path = QStringLiteral("/org/bluez/hci0/dev_AA_BB_CC_DD_EE_FF");
    device.classOfDevice = AirpodsClassOfDevice;
    device.paired = true;
    device.connected = true;
    device.modalias = modalias;
    return device;
}

const QString ProTwoModalias = QStringLiteral("bluetooth:v004Cp2014d0001");
const milliseconds Now = seconds(1000);

} // namespace

class TestAdvertisementMatch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void appleProductIdFromModalias_data();
    void appleProductIdFromModalias();
    void productIdIsModelWithBytesSwapped_data();
    void productIdIsModelWithBytesSwapped();
    void strongSignalThreshold_data();
    void strongSignalThreshold();
    void messageFitsDevice_data();
    void messageFitsDevice();
    void bestMatchPicksStrongestRecent_data();
    void bestMatchPicksStrongestRecent();
    void readingsFromMessage_data();
    void readingsFromMessage();
    void nextAgeingMoment_data();
    void nextAgeingMoment();
};

void TestAdvertisementMatch::appleProductIdFromModalias_data()
{
    QTest::addColumn<QString>("modalias");
    QTest::addColumn<int>("productId"); // -1: none

    QTest::newRow("bluetooth source, Apple") << QStringLiteral("bluetooth:v004Cp2014d0001") << 0x2014;
    QTest::newRow("lower-case hex") << QStringLiteral("bluetooth:v004cp200ed0e26") << 0x200E;
    QTest::newRow("usb source, Apple's Bluetooth id") << QStringLiteral("usb:v004Cp2024dF05D") << 0x2024;
    QTest::newRow("usb source, Apple's USB id") << QStringLiteral("usb:v05ACp2027d0100") << 0x2027;
    QTest::newRow("Apple's USB id under bluetooth source") << QStringLiteral("bluetooth:v05ACp2014d0001") << -1;
    QTest::newRow("other vendor") << QStringLiteral("bluetooth:v0046p2014d0001") << -1;
    QTest::newRow("adapter's own modalias") << QStringLiteral("usb:v1D6Bp0245d050A") << -1;
    QTest::newRow("empty") << QString() << -1;
    QTest::newRow("truncated") << QStringLiteral("bluetooth:v004Cp20") << -1;
    QTest::newRow("trailing junk") << QStringLiteral("bluetooth:v004Cp2014d0001x") << -1;
    QTest::newRow("unknown source") << QStringLiteral("pci:v004Cp2014d0001") << -1;
    QTest::newRow("not hex") << QStringLiteral("bluetooth:v004Cp20G4d0001") << -1;
}

void TestAdvertisementMatch::appleProductIdFromModalias()
{
    QFETCH(QString, modalias);
    QFETCH(int, productId);
    const auto result = appleProductId(modalias);
    QCOMPARE(result.has_value(), productId >= 0);
    if (result) {
        QCOMPARE(int(*result), productId);
    }
}

void TestAdvertisementMatch::productIdIsModelWithBytesSwapped_data()
{
    QTest::addColumn<int>("productId");
    QTest::addColumn<int>("model");

    // Every AirPods model with the product id that carries it. Published product ids that bear the rule out:
    // 0x2014 (AirPods Pro 2), 0x201B (AirPods 4 with noise cancellation), 0x2024 (AirPods Pro 2, USB-C).
    QTest::newRow("AirPods") << 0x2002 << int(AirPodsModel::AirPods1);
    QTest::newRow("AirPods 2") << 0x200F << int(AirPodsModel::AirPods2);
    QTest::newRow("AirPods 3") << 0x2013 << int(AirPodsModel::AirPods3);
    QTest::newRow("AirPods 4") << 0x2019 << int(AirPodsModel::AirPods4);
    QTest::newRow("AirPods 4 ANC") << 0x201B << int(AirPodsModel::AirPods4NoiseCancelling);
    QTest::newRow("AirPods Pro") << 0x200E << int(AirPodsModel::AirPodsPro);
    QTest::newRow("AirPods Pro 2") << 0x2014 << int(AirPodsModel::AirPodsPro2);
    QTest::newRow("AirPods Pro 2 USB-C") << 0x2024 << int(AirPodsModel::AirPodsPro2UsbC);
    QTest::newRow("AirPods Pro 3") << 0x2027 << int(AirPodsModel::AirPodsPro3);
    QTest::newRow("AirPods Max") << 0x200A << int(AirPodsModel::AirPodsMax);
    QTest::newRow("AirPods Max USB-C") << 0x201F << int(AirPodsModel::AirPodsMaxUsbC);
    QTest::newRow("AirPods Max 2") << 0x202D << int(AirPodsModel::AirPodsMax2);
    QTest::newRow("another Apple product") << 0x2003 << 0x0320;
}

void TestAdvertisementMatch::productIdIsModelWithBytesSwapped()
{
    QFETCH(int, productId);
    QFETCH(int, model);
    QCOMPARE(int(modelForProductId(quint16(productId))), model);
}

void TestAdvertisementMatch::strongSignalThreshold_data()
{
    QTest::addColumn<std::optional<qint16>>("rssi");
    QTest::addColumn<bool>("strong");

    QTest::newRow("in the ears") << std::optional<qint16>(-42) << true;
    QTest::newRow("at the threshold") << std::optional<qint16>(MinimumRssi) << true;
    QTest::newRow("just below") << std::optional<qint16>(MinimumRssi - 1) << false;
    QTest::newRow("next room") << std::optional<qint16>(-85) << false;
    QTest::newRow("largest valid") << std::optional<qint16>(20) << true;
    QTest::newRow("not available (127)") << std::optional<qint16>(127) << false;
    QTest::newRow("no reading") << std::optional<qint16>() << false;
}

void TestAdvertisementMatch::strongSignalThreshold()
{
    QFETCH(std::optional<qint16>, rssi);
    QFETCH(bool, strong);
    QCOMPARE(isStrong(rssi), strong);
}

void TestAdvertisementMatch::messageFitsDevice_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<bool>("hasLevels");
    QTest::addColumn<QString>("modalias");
    QTest::addColumn<bool>("fits");

    const int pro2 = modelOf(AirPodsModel::AirPodsPro2);
    const int max = modelOf(AirPodsModel::AirPodsMax);
    QTest::newRow("AirPods, no modalias") << pro2 << true << QString() << true;
    QTest::newRow("same model as modalias") << pro2 << true << ProTwoModalias << true;
    QTest::newRow("other AirPods model than modalias") << max << true << ProTwoModalias << false;
    QTest::newRow("not AirPods") << int(BeatsModel) << true << QString() << false;
    QTest::newRow("not AirPods, modalias names it")
        << int(BeatsModel) << true << QStringLiteral("bluetooth:v004Cp2003d0001") << false;
    QTest::newRow("other vendor's modalias sets no model")
        << max << true << QStringLiteral("bluetooth:v0046p2014d0001") << true;
    QTest::newRow("no level at all") << pro2 << false << ProTwoModalias << false;
}

void TestAdvertisementMatch::messageFitsDevice()
{
    QFETCH(int, model);
    QFETCH(bool, hasLevels);
    QFETCH(QString, modalias);
    QFETCH(bool, fits);
    const ProximityPairingMessage m = hasLevels ? message(quint16(model))
                                                : message(quint16(model), std::nullopt, std::nullopt, std::nullopt);
    QCOMPARE(fitsDevice(m, airpods(modalias)), fits);
}

void TestAdvertisementMatch::bestMatchPicksStrongestRecent_data()
{
    QTest::addColumn<QList<Advertisement>>("advertisements");
    QTest::addColumn<QString>("modalias");
    QTest::addColumn<QString>("winner"); // empty: no match

    using List = QList<Advertisement>;
    const quint16 max = modelOf(AirPodsModel::AirPodsMax);
    const quint16 pro2 = modelOf(AirPodsModel::AirPodsPro2);
    const auto ad = [pro2](const char *name, qint16 rssi, milliseconds age, std::optional<quint16> model = {}) {
        return advertisement(QString::fromLatin1(name), rssi, Now - age, model.value_or(pro2));
    };
    const milliseconds justNow(0);
    const QString none;

    QTest::newRow("none") << List() << QString() << none;
    QTest::newRow("one strong, fresh") << List{ad("a", -50, justNow)} << QString() << QStringLiteral("a");
    QTest::newRow("one weak") << List{ad("a", -75, justNow)} << QString() << none;
    QTest::newRow("no strength known")
        << List{{QStringLiteral("a"), message(pro2), std::nullopt, Now}} << QString() << none;
    QTest::newRow("exactly at the age limit") << List{ad("a", -50, MaximumAge)} << QString() << QStringLiteral("a");
    QTest::newRow("past the age limit") << List{ad("a", -50, MaximumAge + milliseconds(1))} << QString() << none;
    QTest::newRow("stronger of two recent")
        << List{ad("a", -55, justNow), ad("b", -45, seconds(5))} << QString() << QStringLiteral("b");
    QTest::newRow("recent beats stronger older")
        << List{ad("a", -40, seconds(60)), ad("b", -58, seconds(2))} << QString() << QStringLiteral("b");
    QTest::newRow("stronger of two older")
        << List{ad("a", -40, seconds(100)), ad("b", -58, seconds(40))} << QString() << QStringLiteral("a");
    QTest::newRow("equal strength, newer wins")
        << List{ad("b", -50, seconds(10)), ad("a", -50, seconds(1))} << QString() << QStringLiteral("a");
    QTest::newRow("weak stranger does not count")
        << List{ad("a", -70, justNow), ad("b", -59, seconds(50))} << QString() << QStringLiteral("b");
    QTest::newRow("modalias rules out stronger other model")
        << List{ad("a", -40, justNow, max), ad("b", -55, justNow)} << ProTwoModalias << QStringLiteral("b");
    QTest::newRow("without modalias the stronger model wins")
        << List{ad("a", -40, justNow, max), ad("b", -55, justNow)} << QString() << QStringLiteral("a");
    QTest::newRow("only other models")
        << List{ad("a", -40, justNow, max), ad("b", -40, justNow, BeatsModel)} << ProTwoModalias << none;
}

void TestAdvertisementMatch::bestMatchPicksStrongestRecent()
{
    QFETCH(QList<Advertisement>, advertisements);
    QFETCH(QString, modalias);
    QFETCH(QString, winner);

    const auto best = bestMatch(advertisements, airpods(modalias), Now);
    QCOMPARE(best ? best->advertiser : QString(), winner);

    // The order in which the messages were kept must not matter.
    std::reverse(advertisements.begin(), advertisements.end());
    const auto reversed = bestMatch(advertisements, airpods(modalias), Now);
    QCOMPARE(reversed ? reversed->advertiser : QString(), winner);
}

void TestAdvertisementMatch::readingsFromMessage_data()
{
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("casePercent"); // -1: none in the message
    QTest::addColumn<bool>("charging");

    QTest::newRow("all three") << 80 << 100 << 60 << false;
    QTest::newRow("no case") << 50 << 40 << -1 << false;
    QTest::newRow("one bud only") << -1 << 30 << 90 << true;
    QTest::newRow("buds at 0") << 0 << 0 << 10 << true;
}

void TestAdvertisementMatch::readingsFromMessage()
{
    QFETCH(int, left);
    QFETCH(int, right);
    QFETCH(int, casePercent);
    QFETCH(bool, charging);

    const auto orNone = [](int value) { return value < 0 ? std::nullopt : std::optional<int>(value); };
    ProximityPairingMessage m
        = message(modelOf(AirPodsModel::AirPods3), orNone(left), orNone(right), orNone(casePercent));
    m.leftCharging = charging;
    m.caseCharging = charging;

    const BatteryReadings readings = readingsFrom(m);
    QCOMPARE(readings.left, qint64(std::max(left, 0)));
    QCOMPARE(readings.right, qint64(std::max(right, 0)));
    QCOMPARE(readings.caseLevel, qint64(std::max(casePercent, 0)));
    QCOMPARE(readings.leftCharging, charging);
    QCOMPARE(readings.rightCharging, false);
    QCOMPARE(readings.caseCharging, charging);
}

void TestAdvertisementMatch::nextAgeingMoment_data()
{
    QTest::addColumn<QList<Advertisement>>("advertisements");
    QTest::addColumn<qint64>("now");
    QTest::addColumn<qint64>("next"); // -1: none

    const qint64 recent = RecentWindow.count();
    const qint64 maximum = MaximumAge.count();
    const auto at = [](qint64 ms) { return advertisement(QStringLiteral("a"), -50, milliseconds(ms)); };
    QTest::newRow("nothing kept") << QList<Advertisement>() << qint64(0) << qint64(-1);
    QTest::newRow("fresh: leaves the recent window next") << QList<Advertisement>{at(0)} << qint64(0) << recent + 1;
    QTest::newRow("older: expires next") << QList<Advertisement>{at(0)} << recent + 1 << maximum + 1;
    QTest::newRow("expired: nothing left") << QList<Advertisement>{at(0)} << maximum + 1 << qint64(-1);
    QTest::newRow("earliest of several")
        << QList<Advertisement>{at(5000), advertisement(QStringLiteral("b"), -50, milliseconds(0))} << recent + 10
        << recent + 5001;
}

void TestAdvertisementMatch::nextAgeingMoment()
{
    QFETCH(QList<Advertisement>, advertisements);
    QFETCH(qint64, now);
    QFETCH(qint64, next);
    const auto moment = AdvertisementMatch::nextAgeingMoment(advertisements, milliseconds(now));
    QCOMPARE(moment ? moment->count() : qint64(-1), next);
}

QTEST_GUILESS_MAIN(TestAdvertisementMatch)

#include "TestAdvertisementMatch.moc"
