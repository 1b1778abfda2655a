// SPDX-License-Identifier: GPL-3.0-or-later
#include "battery/ProximityPairing.h"

#include <QByteArray>
#include <QObject>
#include <QTest>

#include <cstdint>
#include <optional>
#include <span>

using namespace ProximityPairing;

namespace
{

constexpr auto Pro = std::uint16_t(AirPodsModel::AirPodsPro);

// A 27-byte paired message as laid out in ProximityPairing.h: lid 0x31, colour and reserved byte 0, and 16 bytes
// standing in for the encrypted tail.
QByteArray frame(std::uint8_t status, std::uint8_t buds, std::uint8_t caseByte, std::uint16_t model = Pro)
{
    return QByteArray() + char(MessageType) + char(FullLength) + char(PairedPrefix) + char(model >> 8)
        + char(model & 0xFF) + char(status) + char(buds) + char(caseByte) + char(0x31) + QByteArray(2, '\0')
        + QByteArray::fromHex("00112233445566778899aabbccddeeff");
}

QByteArray withByte(QByteArray bytes, int index, int value)
{
    bytes[index] = char(value);
    return bytes;
}

std::span<const std::uint8_t> bytesOf(const QByteArray &bytes)
{
    return {reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size())};
}

void row(const char *name, const QByteArray &bytes, const char *expected, int company = AppleCompanyId)
{
    QTest::newRow(name) << bytes << company << QString::fromLatin1(expected);
}

// A decoded message in one line, so that a table row states all of it: "left primary: L70c R90 C-" is left 70 %
// and charging, right 90 %, case without a reading.
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

        // Status bit 5 set: the left bud is primary and owns the low nibble and charging bit 4; clear: the right one.
        row("left primary, unswapped", frame(0x2B, 0x97, 0x15), "left primary: L70c R90 C50");
        row("right primary, swapped", frame(0x0B, 0x97, 0x15), "right primary: L90 R70c C50");
        row("other bud charging, left primary", frame(0x22, 0x31, 0x28), "left primary: L10 R30c C80");
        row("other bud charging, right primary", frame(0x02, 0x31, 0x28), "right primary: L30c R10 C80");
        row("all charging", frame(0x55, 0x64, 0x73), "right primary: L60c R40c C30c");
        row("100 percent", frame(0x2B, 0xAA, 0x0A), "left primary: L100 R100 C100");
        row("empty batteries", frame(0x2B, 0x00, 0x00), "left primary: L0 R0 C0");
        row("unknown everywhere", frame(0x2B, 0xFF, 0x0F), "left primary: L- R- C-");
        row("left unknown, left primary", frame(0x22, 0x8F, 0x06), "left primary: L- R80 C60");
        row("left unknown, right primary", frame(0x02, 0xF8, 0x06), "right primary: L- R80 C60");
        row("undefined nibbles are unknown", frame(0x2B, 0xBC, 0x4E), "left primary: L- R- C-c");
        row("bit 7 of byte 7 is no flag", frame(0x2B, 0x55, 0x85), "left primary: L50 R50 C50");

        // Frames of other lengths, types and companies; the accepted ones carry the levels of the full frame.
        const QByteArray full = frame(0x22, 0x74, 0x15);
        const char *ok = "left primary: L40c R70 C50";
        row("usual 27 bytes", full, ok);
        row("short: 9 bytes, length 7", withByte(full.left(9), 1, 7), ok);
        row("short: 11 bytes, length 9", withByte(full.left(11), 1, 9), ok);
        row("long: another message follows", full + QByteArray::fromHex("1005031c0a5b6f"), ok);
        row("long: trailing padding", full + QByteArray(13, '\0'), ok);
        row("long: length 7 in 27 bytes", withByte(full, 1, 7), ok);
        row("long: length above 0x19", withByte(full + QByteArray(5, 'Z'), 1, 0x19 + 5), ok);
        row("empty", {}, "rejected");
        row("type byte only", full.left(1), "rejected");
        row("short: cut before the lid byte", full.left(8), "rejected");
        row("wrong type: Nearby Info", withByte(full, 0, 0x10), "rejected");
        row("prefix 0x00", withByte(full, 2, 0x00), "rejected");
        row("length byte below the decoded fields", withByte(full, 1, 6), "rejected");
        row("length byte zero", withByte(full, 1, 0), "rejected");
        row("length byte 0xFF", withByte(full, 1, 0xFF), "rejected");
        row("truncated: length 0x19, 26 bytes", full.left(26), "rejected");
        row("truncated: 9 bytes, length 8", withByte(full.left(9), 1, 8), "rejected");
        row("wrong company: byte-swapped Apple 0x4C00", full, "rejected", 0x4C00);
        row("wrong company: Microsoft 0x0006", full, "rejected", 0x0006);
        row("wrong company: 0xFFFF", full, "rejected", 0xFFFF);
    }

    void decodesFrames()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, company);
        QFETCH(QString, expected);

        const auto message = decodeProximityPairing(std::uint16_t(company), bytesOf(bytes));
        QCOMPARE(describe(message), expected);
        if (company == AppleCompanyId) { // the overload without a company decides alike
            QCOMPARE(describe(decodeProximityPairing(bytesOf(bytes))), expected);
        }
        if (message) {
            QCOMPARE(int(message->lid), 0x31);
        }
    }

    void mapsEveryNibble()
    {
        for (int nibble = 0; nibble <= 0xF; ++nibble) {
            const std::optional<int> percent = nibble <= 0xA ? std::optional<int>(nibble * 10) : std::nullopt;
            QCOMPARE(percentFromNibble(std::uint8_t(nibble)), percent);
            QCOMPARE(percentFromNibble(std::uint8_t(0xF0 | nibble)), percent); // only the low four bits count
            // All three places a level sits decode it alike.
            const QString level = percent ? QString::number(*percent) : QStringLiteral("-");
            QCOMPARE(describe(decodeProximityPairing(bytesOf(frame(0x22, std::uint8_t(nibble * 0x11), nibble)))),
                     QStringLiteral("left primary: L%1 R%1 C%1").arg(level));
        }
    }

    void decodesInEarFlagsOfObservedStatusValues_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("inEar"); // the buds in an ear, "L", "R" or both

        // Every status value listed, with its label, by the furiousMAC Wireshark dissector (airpods_status_vals in
        // dissector/<version>/packet-bthci_cmd.c of github.com/furiousMAC/continuity).
        QTest::newRow("0x2B Both AirPods in ear") << 0x2B << "LR";
        QTest::newRow("0x0B Both AirPods in ear") << 0x0B << "LR";
        QTest::newRow("0x01 Both out of case, not in ear") << 0x01 << "";
        QTest::newRow("0x21 Both taken out of ears") << 0x21 << "";
        QTest::newRow("0x02 Right in ear, Left in case") << 0x02 << "R";
        QTest::newRow("0x22 Left in ear, Right in case") << 0x22 << "L";
        QTest::newRow("0x75 Case: Both AirPods in case") << 0x75 << "";
        QTest::newRow("0x55 Case: Both AirPods in case") << 0x55 << "";
        QTest::newRow("0x03 Right in ear, Left out of case") << 0x03 << "R";
        QTest::newRow("0x23 Left in ear, Right out of case") << 0x23 << "L";
        QTest::newRow("0x33 Left in ear, Right in case") << 0x33 << "L";
        QTest::newRow("0x53 Case: Left in ear, Right in case") << 0x53 << "L";
        QTest::newRow("0x13 Right in ear, Left in case") << 0x13 << "R";
        QTest::newRow("0x73 Case: Right in ear, Left in case") << 0x73 << "R";
        QTest::newRow("0x11 Right out of case, Left in case") << 0x11 << "";
        QTest::newRow("0x71 Case: Right out of case, Left in case") << 0x71 << "";
        QTest::newRow("0x31 Left out of case, Right in case") << 0x31 << "";
        QTest::newRow("0x51 Case: Left out of case, Right in case") << 0x51 << "";
    }

    void decodesInEarFlagsOfObservedStatusValues()
    {
        QFETCH(int, status);
        QFETCH(QString, inEar);

        const auto message = decodeProximityPairing(bytesOf(frame(std::uint8_t(status), 0x88, 0x0F)));
        QVERIFY(message.has_value());
        QCOMPARE(int(message->status), status);
        QCOMPARE(message->leftInEar, inEar.contains(QLatin1Char('L')));
        QCOMPARE(message->rightInEar, inEar.contains(QLatin1Char('R')));
    }

    void recognisesAirPodsModels_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QByteArray>("name"); // empty: no AirPods

        QTest::newRow("AirPods 1") << 0x0220 << QByteArray("AirPods");
        QTest::newRow("AirPods 2") << 0x0F20 << QByteArray("AirPods (2nd generation)");
        QTest::newRow("AirPods 3") << 0x1320 << QByteArray("AirPods (3rd generation)");
        QTest::newRow("AirPods 4") << 0x1920 << QByteArray("AirPods 4");
        QTest::newRow("AirPods 4 ANC") << 0x1B20 << QByteArray("AirPods 4 with Active Noise Cancellation");
        QTest::newRow("AirPods Pro") << 0x0E20 << QByteArray("AirPods Pro");
        QTest::newRow("AirPods Pro 2") << 0x1420 << QByteArray("AirPods Pro 2");
        QTest::newRow("AirPods Pro 2 USB-C") << 0x2420 << QByteArray("AirPods Pro 2 (USB-C)");
        QTest::newRow("AirPods Pro 3") << 0x2720 << QByteArray("AirPods Pro 3");
        QTest::newRow("AirPods Max") << 0x0A20 << QByteArray("AirPods Max");
        QTest::newRow("AirPods Max USB-C") << 0x1F20 << QByteArray("AirPods Max (USB-C)");
        QTest::newRow("AirPods Max 2") << 0x2D20 << QByteArray("AirPods Max 2");
        QTest::newRow("Powerbeats3") << 0x0320 << QByteArray();
        QTest::newRow("AirPods Pro byte-swapped") << 0x200E << QByteArray();
        QTest::newRow("zero") << 0x0000 << QByteArray();
    }

    void recognisesAirPodsModels()
    {
        QFETCH(int, model);
        QFETCH(QByteArray, name);

        const bool airpods = !name.isEmpty();
        QCOMPARE(isAirPodsModel(std::uint16_t(model)), airpods);
        QCOMPARE(modelName(std::uint16_t(model)) != nullptr, airpods);
        QCOMPARE(QByteArray(modelName(std::uint16_t(model))), name);
        // Other accessories' messages decode as well; the model travels big-endian at offsets 3-4.
        const auto message = decodeProximityPairing(bytesOf(frame(0x2B, 0x88, 0x08, std::uint16_t(model))));
        QVERIFY(message.has_value());
        QCOMPARE(int(message->model), model);
        QCOMPARE(message->isKnownAirPodsModel(), airpods);
    }

    void caseNibblePlacementAgainstPublishedFrames_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("caseLevelInLowNibble");
        QTest::addColumn<QString>("reading");

        // Source: github.com/furiousMAC/continuity, messages/proximity_pairing.md and dissector/FIELDS.md, the
        // "Example" column of the AirPods message table: prefix 01, model 0x0e20, status 0x55, battery byte 88,
        // charging/case byte 8f, open count 57, colour 00, suffix 00, encrypted data 9672711ae6a965737c80d805039773d1.
        const QByteArray published = QByteArray::fromHex("071901" "0e20" "55" "88" "8f" "39" "00" "00"
                                                         "9672711ae6a965737c80d805039773d1");
        // Chosen placement (the dissector's masks 0x0F / 0x40 0x20 0x10): case level 0xF = no reading, no flag set.
        QTest::newRow("furiousMAC example 888f, case in low nibble")
            << published << true << "right primary: L80 R80 C-";
        // Rejected placement: case 80 % and every flag set, including bit 3, which no source names.
        QTest::newRow("furiousMAC example 888f, case in high nibble")
            << published << false << "right primary: L80c R80c C80c";

        // Same source, the decoded example values of the same table: left 9, right 9, case 7, case not charging, right
        // charging, left charging, put back into byte 7 with the dissector's masks (0x37); read the other way round it
        // would claim a 30 % case that is charging.
        const QByteArray fieldExample = QByteArray::fromHex("071901" "0e20" "55" "99" "37" "39" "00" "00"
                                                            "9672711ae6a965737c80d805039773d1");
        QTest::newRow("furiousMAC field example, case in low nibble")
            << fieldExample << true << "right primary: L90c R90c C70";
        QTest::newRow("furiousMAC field example, case in high nibble")
            << fieldExample << false << "right primary: L90c R90c C30c";
    }

    void caseNibblePlacementAgainstPublishedFrames()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, caseLevelInLowNibble);
        QFETCH(QString, reading);

        QCOMPARE(bytes.size(), 27);
        const auto message = decodeProximityPairing(AppleCompanyId, bytesOf(bytes));
        QVERIFY(message.has_value());
        QCOMPARE(message->model, Pro);
        QCOMPARE(int(message->status), 0x55);
        QCOMPARE(int(message->lid), 0x39);
        QVERIFY(!message->leftInEar && !message->rightInEar);

        // Byte 7 read with this row's placement. Status 0x55 has bit 5 clear: the right bud is primary and owns bit 0.
        const auto caseByte = std::uint8_t(bytes[7]);
        const int flags = caseLevelInLowNibble ? caseByte >> 4 : caseByte & 0x0F;
        ProximityPairingMessage placed = *message;
        placed.casePercent = percentFromNibble(caseLevelInLowNibble ? caseByte & 0x0F : caseByte >> 4);
        placed.caseCharging = flags & 0x4;
        placed.leftCharging = flags & 0x2;
        placed.rightCharging = flags & 0x1;
        QCOMPARE(describe(placed), reading);
        // The decoder follows the low-nibble placement and disagrees with the other one on these frames.
        QCOMPARE(describe(message) == reading, caseLevelInLowNibble);
    }
};

QTEST_GUILESS_MAIN(TestProximityPairing)

#include "TestProximityPairing.moc"
