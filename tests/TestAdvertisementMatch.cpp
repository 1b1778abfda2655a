// SPDX-License-Identifier: GPL-3.0-or-later
#include "battery/AdvertisementMatch.h"

#include <QTest>

using namespace AdvertisementMatch;
using namespace std::chrono_literals;

namespace
{
constexpr quint16 Pro2 = 0x1420, Max = 0x0A20, Beats = 0x0320;
constexpr auto Now = 1000s;

// A message from @p advertiser heard @p age before Now.
Advertisement ad(const char *advertiser, std::optional<qint16> rssi, std::chrono::milliseconds age = {},
                 quint16 model = Pro2, std::optional<int> level = 80)
{
    ProximityPairing::ProximityPairingMessage message;
    message.model = model;
    message.leftPercent = message.rightPercent = level;
    return {QString::fromLatin1(advertiser), message, rssi, Now - age};
}
} // namespace

class TestAdvertisementMatch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void picksTheAdvertisementOfTheConnectedAirpods_data()
    {
        QTest::addColumn<QList<Advertisement>>("advertisements");
        QTest::addColumn<QString>("modalias");
        QTest::addColumn<QString>("winner"); // empty: none
        const auto row = [](const char *name, const QList<Advertisement> &ads, const char *winner,
                            const char *modalias = "") {
            QTest::newRow(name) << ads << QString::fromLatin1(modalias) << QString::fromLatin1(winner);
        };
        row("none heard", {}, "");
        row("strong and fresh", {ad("a", -50)}, "a");
        row("RSSI -60", {ad("a", -60)}, "a");
        row("RSSI -61", {ad("a", -61)}, "");
        row("RSSI 127: not available", {ad("a", 127)}, "");
        row("no RSSI", {ad("a", std::nullopt)}, "");
        row("3 minutes old", {ad("a", -50, 3min)}, "a");
        row("just over 3 minutes old", {ad("a", -50, 3min + 1ms)}, "");
        row("no level at all", {ad("a", -50, {}, Pro2, std::nullopt)}, "");
        row("no AirPods", {ad("a", -40, {}, Beats)}, "");
        row("stronger of two recent", {ad("a", -55), ad("b", -45, 5s)}, "b");
        row("recent beats stronger older", {ad("a", -40, 60s), ad("b", -58, 2s)}, "b");
        row("30 s old is still recent", {ad("a", -40, 40s), ad("b", -58, 30s)}, "b");
        row("stronger of two older", {ad("a", -40, 100s), ad("b", -58, 40s)}, "a");
        row("equal strength: the newer", {ad("b", -50, 10s), ad("a", -50, 1s)}, "a");
        row("equal in all: the first path", {ad("b", -50), ad("a", -50)}, "a");
        // A Modalias naming an Apple product admits its model only: the product id with its bytes swapped.
        const QList<Advertisement> maxAndPro2 = {ad("a", -40, {}, Max), ad("b", -55)};
        row("no Modalias: the stronger model", maxAndPro2, "a");
        row("Modalias of AirPods Pro 2", maxAndPro2, "b", "bluetooth:v004Cp2014d0001");
        row("lower-case hex", maxAndPro2, "b", "bluetooth:v004cp2014d0e26");
        row("usb source, Bluetooth vendor id", maxAndPro2, "b", "usb:v004Cp2014dF05D");
        row("usb source, USB vendor id", maxAndPro2, "b", "usb:v05ACp2014d0100");
        row("USB vendor id under bluetooth source", maxAndPro2, "a", "bluetooth:v05ACp2014d0001");
        row("other vendor", maxAndPro2, "a", "bluetooth:v0046p2014d0001");
        row("trailing junk", maxAndPro2, "a", "bluetooth:v004Cp2014d0001x");
        row("only other models", {ad("a", -40, {}, Max), ad("b", -40, {}, Beats)}, "", "bluetooth:v004Cp2014d0001");
    }
    void picksTheAdvertisementOfTheConnectedAirpods()
    {
        QFETCH(QList<Advertisement>, advertisements);
        QFETCH(QString, modalias);
        BluetoothDevice airpods;
        airpods.modalias = modalias;
        for (int pass = 0; pass < 2; ++pass) { // the order the messages were kept in must not matter
            const auto best = bestMatch(advertisements, airpods, Now);
            QTEST(best ? best->advertiser : QString(), "winner");
            std::reverse(advertisements.begin(), advertisements.end());
        }
    }
};

QTEST_GUILESS_MAIN(TestAdvertisementMatch)
#include "TestAdvertisementMatch.moc"
