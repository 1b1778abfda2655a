// SPDX-License-Identifier: GPL-3.0-or-later
// The AirPods' battery advertisement: how it is decoded, and which one overheard belongs to the connected pair.
#include "battery/AdvertisementMatch.h"

#include <QTest>

using namespace AdvertisementMatch;
using namespace ProximityPairing;
using namespace std::chrono_literals;

namespace
{
// A 27-byte paired message of AirPods Pro: lid byte 0x31, then colour, a reserved byte and a stand-in encrypted tail.
QByteArray frame(int status, int buds, int caseByte)
{
    return QByteArray::fromHex("0719010e20") + char(status) + char(buds) + char(caseByte) + '\x31' + QByteArray(18, 0);
}

// "left primary: L70c R90 C-": left bud 70 % and charging, right 90 %, case without a reading.
QString describe(const std::optional<ProximityPairingMessage> &m)
{
    const auto part = [](const std::optional<int> &percent, bool charging) -> QString {
        return (percent ? QString::number(*percent) : QStringLiteral("-")) + QLatin1String(charging ? "c" : "");
    };
    return !m ? QStringLiteral("rejected")
              : QStringLiteral("%1 primary: L%2 R%3 C%4")
                    .arg(QLatin1String(m->primaryIsLeft ? "left" : "right"), part(m->leftPercent, m->leftCharging),
                         part(m->rightPercent, m->rightCharging), part(m->casePercent, m->caseCharging));
}

// A message from AirPods Pro 2 (or @p model) with both buds at 80 %, heard @p age before 1000 s.
Advertisement ad(const char *advertiser, std::optional<qint16> rssi, std::chrono::milliseconds age = {},
                 quint16 model = 0x1420)
{
    ProximityPairingMessage message;
    message.model = model;
    message.leftPercent = message.rightPercent = 80;
    return {QString::fromLatin1(advertiser), QString(), message, rssi, 1000s - age};
}
} // namespace

class TestProximityPairing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesFrames_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("company");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QByteArray &bytes, const char *expected, int company = 0x004C) {
            QTest::newRow(name) << bytes << company << QString::fromLatin1(expected);
        };
        // Status bit 5 set: the left bud is primary and owns the low nibble and charging bit 4; clear: the right one.
        row("left primary", frame(0x2B, 0x97, 0x15), "left primary: L70c R90 C50");
        row("case charging, 100 %, undefined nibble", frame(0x2B, 0xAB, 0x4A), "left primary: L- R100 C100c");
        // furiousMAC's published example frame (github.com/furiousMAC/continuity, messages/proximity_pairing.md),
        // and its decoded example values put back into byte 7: the case level sits in the low nibble.
        const QByteArray tail = QByteArray::fromHex("390000" "9672711ae6a965737c80d805039773d1");
        row("published example", QByteArray::fromHex("0719010e2055888f") + tail, "right primary: L80 R80 C-");
        row("published field values", QByteArray::fromHex("0719010e20559937") + tail, "right primary: L90c R90c C70");

        const QByteArray full = frame(0x22, 0x74, 0x15);
        const char *ok = "left primary: L40c R70 C50";
        row("short: 9 bytes, length 7", QByteArray::fromHex("0707010e2022741531"), ok);
        row("long: another message follows", full + QByteArray::fromHex("1005031c0a5b6f"), ok);
        row("empty", {}, "rejected");
        row("cut before the lid byte", full.left(8), "rejected");
        row("truncated: length 0x19 in 26 bytes", full.left(26), "rejected");
        row("length byte below the decoded fields", QByteArray::fromHex("0706010e2022741531"), "rejected");
        row("another type: Nearby Info", '\x10' + full.mid(1), "rejected");
        row("prefix 0x00", full.left(2) + '\0' + full.mid(3), "rejected");
        row("another company: Apple's byte-swapped", full, "rejected", 0x4C00);
    }
    void decodesFrames()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, company);
        const std::span data(reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size()));
        const auto message = decodeProximityPairing(std::uint16_t(company), data);
        QTEST(describe(message), "expected");
        if (company == AppleCompanyId) { // the overload without a company decides alike
            QTEST(describe(decodeProximityPairing(data)), "expected");
        }
        QCOMPARE(message ? message->model : 0x0E20, 0x0E20); // big-endian at offsets 3-4
    }

    void matchesTheConnectedAirpods_data()
    {
        QTest::addColumn<QList<Advertisement>>("advertisements");
        QTest::addColumn<QString>("modalias");
        QTest::addColumn<QString>("winner"); // empty: none
        const auto row = [](const char *name, const QList<Advertisement> &ads, const char *winner,
                            const char *modalias = "") {
            QTest::newRow(name) << ads << QString::fromLatin1(modalias) << QString::fromLatin1(winner);
        };
        row("RSSI -60", {ad("a", -60)}, "a");
        row("RSSI -61", {ad("a", -61)}, "");
        row("no RSSI", {ad("a", std::nullopt)}, "");
        row("3 minutes old", {ad("a", -50, 3min)}, "a");
        row("just over 3 minutes old", {ad("a", -50, 3min + 1ms)}, "");
        row("no AirPods: Powerbeats3", {ad("a", -40, {}, 0x0320)}, "");
        row("stronger of two recent", {ad("a", -55), ad("b", -45, 5s)}, "b");
        row("30 s old is still recent, and beats stronger older", {ad("a", -40, 31s), ad("b", -58, 30s)}, "b");
        row("stronger of two older", {ad("a", -40, 100s), ad("b", -58, 40s)}, "a");
        // A Modalias naming an Apple product admits its model only: the product id with its bytes swapped.
        const QList<Advertisement> maxAndPro2 = {ad("a", -40, {}, 0x0A20), ad("b", -55)};
        row("no Modalias: the stronger model", maxAndPro2, "a");
        row("Modalias of AirPods Pro 2", maxAndPro2, "b", "bluetooth:v004Cp2014d0001");
        row("usb source, USB vendor id", maxAndPro2, "b", "usb:v05ACp2014d0100");
        row("another maker's headset", maxAndPro2, "", "bluetooth:v0046p2014d0001");
    }
    void matchesTheConnectedAirpods()
    {
        QFETCH(QList<Advertisement>, advertisements);
        BluetoothDevice airpods;
        QFETCH(QString, modalias);
        airpods.modalias = modalias;
        for (int pass = 0; pass < 2; ++pass) { // the order the messages were kept in must not matter
            const auto best = bestMatch(advertisements, airpods, 1000s);
            QTEST(best ? best->advertiser : QString(), "winner");
            std::reverse(advertisements.begin(), advertisements.end());
        }
    }
};

QTEST_GUILESS_MAIN(TestProximityPairing)
#include "TestProximityPairing.moc"
