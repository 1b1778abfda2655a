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

QByteArray withByte(QByteArray bytes, int index, int value)
{
    bytes[index] = char(value);
    return bytes;
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

// An AirPods Pro 2 message with both buds at @p level, heard @p age before 1000 s.
Advertisement ad(const char *advertiser, std::optional<qint16> rssi, std::chrono::milliseconds age = {},
                 quint16 model = 0x1420, std::optional<int> level = 80)
{
    ProximityPairingMessage message;
    message.model = model;
    message.leftPercent = message.rightPercent = level;
    return {QString::fromLatin1(advertiser), message, rssi, 1000s - age};
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
        row("right primary", frame(0x0B, 0x97, 0x15), "right primary: L90 R70c C50");
        row("other bud charging", frame(0x22, 0x31, 0x28), "left primary: L10 R30c C80");
        row("case charging, 100 %, no reading", frame(0x2B, 0xAF, 0x4A), "left primary: L- R100 C100c");
        row("empty batteries", frame(0x2B, 0x00, 0x00), "left primary: L0 R0 C0");
        row("undefined nibbles, bit 7 is no flag", frame(0x2B, 0xBC, 0x8E), "left primary: L- R- C-");
        // furiousMAC's published example frame (github.com/furiousMAC/continuity, messages/proximity_pairing.md),
        // and its decoded example values put back into byte 7: the case level sits in the low nibble.
        const QByteArray tail = QByteArray::fromHex("390000" "9672711ae6a965737c80d805039773d1");
        row("published example", QByteArray::fromHex("0719010e2055888f") + tail, "right primary: L80 R80 C-");
        row("published field values", QByteArray::fromHex("0719010e20559937") + tail, "right primary: L90c R90c C70");

        const QByteArray full = frame(0x22, 0x74, 0x15);
        const char *ok = "left primary: L40c R70 C50";
        row("short: 9 bytes, length 7", withByte(full.left(9), 1, 7), ok);
        row("long: another message follows", full + QByteArray::fromHex("1005031c0a5b6f"), ok);
        row("empty", {}, "rejected");
        row("cut before the lid byte", full.left(8), "rejected");
        row("truncated: length 0x19 in 26 bytes", full.left(26), "rejected");
        row("truncated: length 8 in 9 bytes", withByte(full.left(9), 1, 8), "rejected");
        row("length byte below the decoded fields", withByte(full, 1, 6), "rejected");
        row("another type: Nearby Info", withByte(full, 0, 0x10), "rejected");
        row("prefix 0x00", withByte(full, 2, 0x00), "rejected");
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
        row("none heard", {}, "");
        row("RSSI -60", {ad("a", -60)}, "a");
        row("RSSI -61", {ad("a", -61)}, "");
        row("RSSI 127: not available", {ad("a", 127)}, "");
        row("no RSSI", {ad("a", std::nullopt)}, "");
        row("3 minutes old", {ad("a", -50, 3min)}, "a");
        row("just over 3 minutes old", {ad("a", -50, 3min + 1ms)}, "");
        row("no level at all", {ad("a", -50, {}, 0x1420, std::nullopt)}, "");
        row("no AirPods: Powerbeats3", {ad("a", -40, {}, 0x0320)}, "");
        row("stronger of two recent", {ad("a", -55), ad("b", -45, 5s)}, "b");
        row("30 s old is still recent, and beats stronger older", {ad("a", -40, 31s), ad("b", -58, 30s)}, "b");
        row("stronger of two older", {ad("a", -40, 100s), ad("b", -58, 40s)}, "a");
        row("equal strength: the newer", {ad("b", -50, 10s), ad("a", -50, 1s)}, "a");
        row("equal in all: the first path", {ad("b", -50), ad("a", -50)}, "a");
        // A Modalias naming an Apple product admits its model only: the product id with its bytes swapped.
        const QList<Advertisement> maxAndPro2 = {ad("a", -40, {}, 0x0A20), ad("b", -55)};
        row("no Modalias: the stronger model", maxAndPro2, "a");
        row("Modalias of AirPods Pro 2", maxAndPro2, "b", "bluetooth:v004Cp2014d0001");
        row("lower-case hex", maxAndPro2, "b", "bluetooth:v004cp2014d0e26");
        row("usb source, Bluetooth vendor id", maxAndPro2, "b", "usb:v004Cp2014dF05D");
        row("usb source, USB vendor id", maxAndPro2, "b", "usb:v05ACp2014d0100");
        row("USB vendor id under bluetooth source", maxAndPro2, "a", "bluetooth:v05ACp2014d0001");
        row("other vendor", maxAndPro2, "a", "bluetooth:v0046p2014d0001");
        row("trailing junk", maxAndPro2, "a", "bluetooth:v004Cp2014d0001x");
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
