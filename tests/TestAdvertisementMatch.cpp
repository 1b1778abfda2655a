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

namespace
{

constexpr auto Pro2 = quint16(AirPodsModel::AirPodsPro2);
constexpr auto Max = quint16(AirPodsModel::AirPodsMax);
constexpr quint16 Beats = 0x0320; // an Apple accessory that is no AirPods
constexpr const char *ProTwoModalias = "bluetooth:v004Cp2014d0001";
const milliseconds Now = seconds(1000);

ProximityPairingMessage
message(quint16 model, std::optional<int> left, std::optional<int> right, std::optional<int> casePercent)
{
    return {.model = model, .leftPercent = left, .rightPercent = right, .casePercent = casePercent};
}

// A message with levels, heard @p age before Now.
Advertisement ad(const char *advertiser, std::optional<qint16> rssi, milliseconds age = {}, quint16 model = Pro2)
{
    return {QString::fromLatin1(advertiser), message(model, 80, 90, 70), rssi, Now - age};
}

} // namespace

class TestAdvertisementMatch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void modelFromModalias_data()
    {
        QTest::addColumn<QString>("modalias");
        QTest::addColumn<int>("model"); // -1: the Modalias names no Apple product

        // The model is the product id with its bytes swapped, as the published product ids 0x2014 (AirPods Pro 2),
        // 0x201B (AirPods 4 with noise cancellation) and 0x2024 (AirPods Pro 2, USB-C) bear out.
        QTest::newRow("AirPods") << "bluetooth:v004Cp2002d0001" << int(AirPodsModel::AirPods1);
        QTest::newRow("AirPods 4 ANC") << "bluetooth:v004Cp201Bd0001" << int(AirPodsModel::AirPods4NoiseCancelling);
        QTest::newRow("AirPods Pro, lower-case hex") << "bluetooth:v004cp200ed0e26" << int(AirPodsModel::AirPodsPro);
        QTest::newRow("AirPods Pro 2") << ProTwoModalias << int(AirPodsModel::AirPodsPro2);
        QTest::newRow("usb source, Bluetooth id") << "usb:v004Cp2024dF05D" << int(AirPodsModel::AirPodsPro2UsbC);
        QTest::newRow("usb source, USB id") << "usb:v05ACp2027d0100" << int(AirPodsModel::AirPodsPro3);
        QTest::newRow("another Apple product") << "bluetooth:v004Cp2003d0001" << 0x0320;
        QTest::newRow("Apple's USB id under bluetooth source") << "bluetooth:v05ACp2014d0001" << -1;
        QTest::newRow("other vendor") << "bluetooth:v0046p2014d0001" << -1;
        QTest::newRow("adapter's own modalias") << "usb:v1D6Bp0245d050A" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("truncated") << "bluetooth:v004Cp20" << -1;
        QTest::newRow("leading junk") << "xbluetooth:v004Cp2014d0001" << -1;
        QTest::newRow("trailing junk") << "bluetooth:v004Cp2014d0001x" << -1;
        QTest::newRow("unknown source") << "pci:v004Cp2014d0001" << -1;
        QTest::newRow("not hex") << "bluetooth:v004Cp20G4d0001" << -1;
    }

    void modelFromModalias()
    {
        QFETCH(QString, modalias);
        QFETCH(int, model);
        const std::optional<quint16> productId = appleProductId(modalias);
        QCOMPARE(productId ? int(modelForProductId(*productId)) : -1, model);
    }

    void bestMatchPicksStrongestRecentFittingMessage_data()
    {
        QTest::addColumn<QList<Advertisement>>("advertisements");
        QTest::addColumn<QString>("modalias");
        QTest::addColumn<QString>("winner"); // empty: no match

        const auto row = [](const char *name, QList<Advertisement> ads, const char *winner, const char *modalias = "") {
            QTest::newRow(name) << ads << QString::fromLatin1(modalias) << QString::fromLatin1(winner);
        };
        row("none", {}, "");
        row("one strong, fresh", {ad("a", -50)}, "a");
        row("one weak", {ad("a", -75)}, "");
        row("strength at the threshold", {ad("a", MinimumRssi)}, "a");
        row("strength just below", {ad("a", MinimumRssi - 1)}, "");
        row("largest valid strength", {ad("a", MaximumRssi)}, "a");
        row("strength not available (127)", {ad("a", 127)}, "");
        row("no strength known", {ad("a", std::nullopt)}, "");
        row("exactly at the age limit", {ad("a", -50, MaximumAge)}, "a");
        row("past the age limit", {ad("a", -50, MaximumAge + milliseconds(1))}, "");
        row("no level at all", {{QStringLiteral("a"), message(Pro2, {}, {}, {}), -50, Now}}, "", ProTwoModalias);
        row("not AirPods", {ad("a", -40, {}, Beats)}, "");
        row("stronger of two recent", {ad("a", -55), ad("b", -45, seconds(5))}, "b");
        row("recent beats stronger older", {ad("a", -40, seconds(60)), ad("b", -58, seconds(2))}, "b");
        row("stronger of two older", {ad("a", -40, seconds(100)), ad("b", -58, seconds(40))}, "a");
        row("equal strength, newer wins", {ad("b", -50, seconds(10)), ad("a", -50, seconds(1))}, "a");
        row("equal in all, the first path", {ad("b", -50), ad("a", -50)}, "a");
        row("weak stranger does not count", {ad("a", -70), ad("b", -59, seconds(50))}, "b");
        // The Modalias model rule: a Modalias naming an Apple product admits that product's model only.
        row("modalias rules out stronger other model", {ad("a", -40, {}, Max), ad("b", -55)}, "b", ProTwoModalias);
        row("without modalias the stronger model wins", {ad("a", -40, {}, Max), ad("b", -55)}, "a");
        row("other vendor's modalias names no model", {ad("a", -40, {}, Max)}, "a", "bluetooth:v0046p2014d0001");
        row("only other models", {ad("a", -40, {}, Max), ad("b", -40, {}, Beats)}, "", ProTwoModalias);
    }

    void bestMatchPicksStrongestRecentFittingMessage()
    {
        QFETCH(QList<Advertisement>, advertisements);
        QFETCH(QString, modalias);
        QFETCH(QString, winner);

        BluetoothDevice airpods;
        airpods.classOfDevice = AirpodsClassOfDevice;
        airpods.modalias = modalias;
        const auto best = bestMatch(advertisements, airpods, Now);
        QCOMPARE(best ? best->advertiser : QString(), winner);
        // The order in which the messages were kept must not matter.
        std::reverse(advertisements.begin(), advertisements.end());
        const auto reversed = bestMatch(advertisements, airpods, Now);
        QCOMPARE(reversed ? reversed->advertiser : QString(), winner);
    }

    void readingsFromMessage()
    {
        // A missing level reads as 0; the charging flags pass through side by side.
        ProximityPairingMessage m = message(Pro2, {}, 30, 90);
        m.leftCharging = m.caseCharging = true;
        QCOMPARE(readingsFrom(m), (BatteryReadings{0, 30, 90, true, false, true}));
        m = message(Pro2, 80, 100, {});
        m.rightCharging = true;
        QCOMPARE(readingsFrom(m), (BatteryReadings{80, 100, 0, false, true, false}));
    }

    void nextAgeingMoment_data()
    {
        QTest::addColumn<QList<Advertisement>>("advertisements");
        QTest::addColumn<qint64>("now");
        QTest::addColumn<qint64>("next"); // -1: none

        const qint64 recent = RecentWindow.count();
        const qint64 maximum = MaximumAge.count();
        const auto at = [](const char *name, qint64 ms) { return ad(name, -50, Now - milliseconds(ms)); };
        QTest::newRow("nothing kept") << QList<Advertisement>() << qint64(0) << qint64(-1);
        QTest::newRow("fresh: leaves the recent window next") << QList{at("a", 0)} << qint64(0) << recent + 1;
        QTest::newRow("older: expires next") << QList{at("a", 0)} << recent + 1 << maximum + 1;
        QTest::newRow("expired: nothing left") << QList{at("a", 0)} << maximum + 1 << qint64(-1);
        QTest::newRow("earliest of several") << QList{at("b", 0), at("a", 5000)} << recent + 10 << recent + 5001;
    }

    void nextAgeingMoment()
    {
        QFETCH(QList<Advertisement>, advertisements);
        QFETCH(qint64, now);
        QFETCH(qint64, next);
        const auto moment = AdvertisementMatch::nextAgeingMoment(advertisements, milliseconds(now));
        QCOMPARE(moment ? moment->count() : qint64(-1), next);
    }
};

QTEST_GUILESS_MAIN(TestAdvertisementMatch)

#include "TestAdvertisementMatch.moc"
