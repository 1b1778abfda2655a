// SPDX-License-Identifier: GPL-3.0-or-later
// The AirPods' battery advertisement: how it is decoded, and which one overheard belongs to the connected pair.
#include "aap/ResolvablePrivateAddress.h"
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

// Levels as text, "L87c R91 C-" or "S64": a part without a reading is "-", a charging one ends in "c".
QString describe(const SealedLevels &l)
{
    const auto part = [](const std::optional<Level> &level) {
        return level ? QString::number(level->percent) + QLatin1String(level->charging ? "c" : "") : QStringLiteral("-");
    };
    return l.single ? QLatin1Char('S') + part(l.single)
                    : QStringLiteral("L%1 R%2 C%3").arg(part(l.left), part(l.right), part(l.casePart));
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

    // The sealed part, made here with the published layout: block bytes 1-3 are the primary bud, the other one and
    // the case (bit 7 charging), enciphered under a key, put in the last 16 bytes and read back through the decoder.
    void opensTheSealedLevels_data()
    {
        QTest::addColumn<QByteArray>("clear");
        QTest::addColumn<QByteArray>("sealed");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *clear, const char *sealed, const char *expected) {
            QTest::newRow(name) << QByteArray::fromHex(clear) << QByteArray::fromHex(sealed)
                                << QString::fromLatin1(expected);
        };
        row("left primary", "0e202b5804", "00573b2a", "L87 R59 C42");
        row("right primary, all charging", "0e200b5874", "00d7bbaa", "L59c R87c C42c");
        row("0 and 100 are readings", "14202ba000", "00006400", "L0 R100 C0");
        row("above 100 is no reading", "14202b5505", "00657fff", "L- R- C-");
        row("other bytes are not required to be constants", "14202b4404", "ff2a2b2cffffffffffffffffffffffff",
            "L42 R43 C44");
        row("AirPods Max: one level, no case", "0a20020600", "0040ffff", "S64");
        row("AirPods Max 2, charging", "2d20230a10", "00e1ffff", "S97c");
        // A wrong key (or the key's bytes in the wrong order) gives bytes that do not fit the clear 10 % levels.
        row("does not fit the clear levels", "14202b5505", "00573b2a", "L87 R59 C42 unfit");
    }
    void opensTheSealedLevels()
    {
        QFETCH(QByteArray, clear);
        QFETCH(QByteArray, sealed);
        const ResolvablePrivateAddress::Block key{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88,
                                                  0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x00};
        ResolvablePrivateAddress::Block plain{};
        std::copy(sealed.cbegin(), sealed.cend(), plain.begin());
        const auto cipher = ResolvablePrivateAddress::encryptBlock(key, plain);
        QVERIFY(cipher);
        const QByteArray bytes = QByteArray::fromHex("071901") + clear + QByteArray::fromHex("310000")
                                 + QByteArray(reinterpret_cast<const char *>(cipher->data()), 16)
                                 + QByteArray::fromHex("1005"); // another message follows
        const std::span data(reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size()));
        const auto message = decodeProximityPairing(data);
        QVERIFY(message && message->encrypted);
        const auto opened = ResolvablePrivateAddress::decryptBlock(key, *message->encrypted);
        QVERIFY(opened);
        const SealedLevels levels = levelsFromDeciphered(*message, *opened);
        QTEST(QString(describe(levels) + QLatin1String(sealedFitsClear(*message, levels) ? "" : " unfit")), "expected");
        // A part the sealed block has no reading of keeps the clear 10 % level.
        const BatteryState clearState = stateFrom(*message);
        BatteryState state = clearState;
        applySealedLevels(state, levels);
        QCOMPARE(state.single.has_value(), isOverEarModel(message->model));
        if (!isOverEarModel(message->model)) {
            QCOMPARE(state.left->percent, levels.left ? levels.left->percent : clearState.left->percent);
            QCOMPARE(state.caseBattery->percent,
                     levels.casePart ? levels.casePart->percent : clearState.caseBattery->percent);
        }
        QCOMPARE(message->worn.has_value(), message->model == 0x2D20); // only AirPods Max 2 tell it
    }

    // Whose lid bit counts, and which change of it is an opening (status bit 6: this bud in the case; bit 2: both).
    void followsTheLid_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("before"); // -1: no earlier trusted lid
        QTest::addColumn<int>("now");
        QTest::addColumn<QString>("expected"); // untrusted, opened, or unchanged
        const auto row = [](const char *name, int status, int before, int now, const char *expected) {
            QTest::newRow(name) << status << before << now << QString::fromLatin1(expected);
        };
        row("bud in the case: closed to open, counter moved", 0x55, 0x0A, 0x03, "opened");
        row("both in the case", 0x24, 0x09, 0x02, "opened");
        row("counter did not move", 0x55, 0x0A, 0x02, "unchanged");
        row("open to open", 0x55, 0x02, 0x03, "unchanged");
        row("open to closed", 0x55, 0x02, 0x0B, "unchanged");
        row("first frame heard", 0x55, -1, 0x03, "unchanged");
        row("bud out of the case: stale lid", 0x11, 0x0A, 0x03, "untrusted");
        row("both in ears", 0x2B, 0x0A, 0x03, "untrusted");
    }
    void followsTheLid()
    {
        QFETCH(int, status);
        QFETCH(int, before);
        QFETCH(int, now);
        const auto lidOf = [status](int lid) {
            const QByteArray bytes = QByteArray::fromHex("0707010e20") + char(status) + "\x55\x35" + char(lid);
            return trustedLid(*decodeProximityPairing(
                std::span(reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size()))));
        };
        const auto current = lidOf(now);
        const auto earlier = before < 0 ? std::nullopt : lidOf(before);
        QTEST(!current ? QStringLiteral("untrusted") : caseOpened(earlier, *current) ? QStringLiteral("opened")
                                                                                  : QStringLiteral("unchanged"),
              "expected");
        if (current) {
            QCOMPARE(current->open, !(now & 0x08));
        }
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
        // A record naming no Apple product (cut short, a stray letter, another source) is no AirPods either.
        row("Modalias cut short", maxAndPro2, "", "bluetooth:v004Cp2014");
        row("Modalias with a stray letter", maxAndPro2, "", "bluetooth:v004Cp2g14d0001");
        row("Modalias of another source", maxAndPro2, "", "pci:v004Cp2014d0001");
        row("Modalias with spaces around", maxAndPro2, "b", " bluetooth:v004Cp2014d0001\n");
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
