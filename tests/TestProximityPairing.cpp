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

// The 16 bytes after the reserved byte; encrypted on the air, never read by the decoder.
const QByteArray EncryptedTail = QByteArray::fromHex("00112233445566778899aabbccddeeff");

// A 27-byte paired message laid out as documented in ProximityPairing.h.
QByteArray frame(std::uint16_t model, std::uint8_t status, std::uint8_t buds, std::uint8_t caseByte,
                 std::uint8_t lid = 0x31)
{
    QByteArray bytes;
    bytes.append(char(MessageType));
    bytes.append(char(FullLength));
    bytes.append(char(PairedPrefix));
    bytes.append(char(model >> 8));
    bytes.append(char(model & 0xFF));
    bytes.append(char(status));
    bytes.append(char(buds));
    bytes.append(char(caseByte));
    bytes.append(char(lid));
    bytes.append(char(0x00)); // colour
    bytes.append(char(0x00)); // reserved
    bytes.append(EncryptedTail);
    return bytes;
}

QByteArray proFrame(std::uint8_t status, std::uint8_t buds, std::uint8_t caseByte)
{
    return frame(std::uint16_t(AirPodsModel::AirPodsPro), status, buds, caseByte);
}

std::span<const std::uint8_t> bytesOf(const QByteArray &bytes)
{
    return {reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size())};
}

// -1 stands for "no reading" in the data tables.
int percentOrNone(const std::optional<int> &percent)
{
    return percent.value_or(-1);
}

// Byte 7 read with a given placement of the case level: what a decoder built on that placement would report.
struct CaseByteReading {
    int casePercent;
    bool caseCharging;
    bool primaryCharging;
    bool otherCharging;
};

CaseByteReading readCaseByte(std::uint8_t caseByte, bool caseLevelInLowNibble)
{
    const std::uint8_t level = caseLevelInLowNibble ? (caseByte & 0x0F) : (caseByte >> 4);
    const std::uint8_t flags = caseLevelInLowNibble ? (caseByte >> 4) : (caseByte & 0x0F);
    return {percentOrNone(percentFromNibble(level)), (flags & 0x4) != 0, (flags & 0x1) != 0, (flags & 0x2) != 0};
}

} // namespace

class TestProximityPairing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesBatteriesAndCharging_data();
    void decodesBatteriesAndCharging();
    void mapsEveryNibble_data();
    void mapsEveryNibble();
    void decodesInEarFlagsOfObservedStatusValues_data();
    void decodesInEarFlagsOfObservedStatusValues();
    void rejectsInvalidFrames_data();
    void rejectsInvalidFrames();
    void acceptsShortAndLongFrames_data();
    void acceptsShortAndLongFrames();
    void acceptsOnlyAppleCompany_data();
    void acceptsOnlyAppleCompany();
    void knowsEveryAirPodsModel_data();
    void knowsEveryAirPodsModel();
    void rejectsOtherModelsAsAirPods_data();
    void rejectsOtherModelsAsAirPods();
    void caseNibblePlacementAgainstPublishedFrames_data();
    void caseNibblePlacementAgainstPublishedFrames();
    void keepsStatusAndLidBytesOfPublishedFrame();
};

void TestProximityPairing::decodesBatteriesAndCharging_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("primaryIsLeft");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("casePercent");
    QTest::addColumn<bool>("leftCharging");
    QTest::addColumn<bool>("rightCharging");
    QTest::addColumn<bool>("caseCharging");

    // Status 0x2B: both buds in ears, left primary, so high nibble = right and bit 4 = left.
    QTest::newRow("left primary, unswapped") << proFrame(0x2B, 0x97, 0x15) << true << 70 << 90 << 50 << true
                                             << false << false;
    // Status 0x0B: the same with the right bud primary; nibbles and charging bits change sides.
    QTest::newRow("right primary, swapped") << proFrame(0x0B, 0x97, 0x15) << false << 90 << 70 << 50 << false
                                            << true << false;
    QTest::newRow("other bud charging, left primary") << proFrame(0x22, 0x31, 0x28) << true << 10 << 30 << 80
                                                      << false << true << false;
    QTest::newRow("other bud charging, right primary") << proFrame(0x02, 0x31, 0x28) << false << 30 << 10 << 80
                                                       << true << false << false;
    QTest::newRow("all charging in the case") << proFrame(0x55, 0x64, 0x73) << false << 60 << 40 << 30 << true
                                              << true << true;
    QTest::newRow("100 percent everywhere") << proFrame(0x2B, 0xAA, 0x0A) << true << 100 << 100 << 100 << false
                                            << false << false;
    QTest::newRow("empty batteries") << proFrame(0x2B, 0x00, 0x00) << true << 0 << 0 << 0 << false << false
                                     << false;
    QTest::newRow("unknown everywhere") << proFrame(0x2B, 0xFF, 0x0F) << true << -1 << -1 << -1 << false << false
                                        << false;
    QTest::newRow("left unknown, left primary") << proFrame(0x22, 0x8F, 0x06) << true << -1 << 80 << 60 << false
                                                << false << false;
    QTest::newRow("left unknown, right primary") << proFrame(0x02, 0xF8, 0x06) << false << -1 << 80 << 60
                                                 << false << false << false;
    QTest::newRow("undefined nibbles read as unknown") << proFrame(0x2B, 0xBC, 0x4E) << true << -1 << -1 << -1
                                                       << false << false << true;
    QTest::newRow("bit 7 of byte 7 is not a charging flag") << proFrame(0x2B, 0x55, 0x85) << true << 50 << 50
                                                            << 50 << false << false << false;
}

void TestProximityPairing::decodesBatteriesAndCharging()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, primaryIsLeft);
    QFETCH(int, left);
    QFETCH(int, right);
    QFETCH(int, casePercent);
    QFETCH(bool, leftCharging);
    QFETCH(bool, rightCharging);
    QFETCH(bool, caseCharging);

    const std::optional<ProximityPairingMessage> message = decodeProximityPairing(bytesOf(bytes));
    QVERIFY(message.has_value());
    QCOMPARE(message->primaryIsLeft, primaryIsLeft);
    QCOMPARE(percentOrNone(message->leftPercent), left);
    QCOMPARE(percentOrNone(message->rightPercent), right);
    QCOMPARE(percentOrNone(message->casePercent), casePercent);
    QCOMPARE(message->leftCharging, leftCharging);
    QCOMPARE(message->rightCharging, rightCharging);
    QCOMPARE(message->caseCharging, caseCharging);
}

void TestProximityPairing::mapsEveryNibble_data()
{
    QTest::addColumn<int>("nibble");
    QTest::addColumn<int>("percent");

    for (int nibble = 0; nibble <= 9; ++nibble) {
        QTest::addRow("0x%X", nibble) << nibble << nibble * 10;
    }
    QTest::newRow("0xA") << 0xA << 100;
    for (int nibble = 0xB; nibble <= 0xF; ++nibble) {
        QTest::addRow("0x%X", nibble) << nibble << -1;
    }
}

void TestProximityPairing::mapsEveryNibble()
{
    QFETCH(int, nibble);
    QFETCH(int, percent);

    QCOMPARE(percentOrNone(percentFromNibble(std::uint8_t(nibble))), percent);
    // Only the low four bits count.
    QCOMPARE(percentOrNone(percentFromNibble(std::uint8_t(0xF0 | nibble))), percent);

    // Each of the three places a nibble can sit decodes it the same way.
    const std::optional<ProximityPairingMessage> message =
        decodeProximityPairing(bytesOf(proFrame(0x22, std::uint8_t(nibble << 4 | nibble), std::uint8_t(nibble))));
    QVERIFY(message.has_value());
    QCOMPARE(percentOrNone(message->leftPercent), percent);
    QCOMPARE(percentOrNone(message->rightPercent), percent);
    QCOMPARE(percentOrNone(message->casePercent), percent);
}

void TestProximityPairing::decodesInEarFlagsOfObservedStatusValues_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("leftInEar");
    QTest::addColumn<bool>("rightInEar");

    // Every status value listed, with its label, by the furiousMAC Wireshark dissector (airpods_status_vals in
    // dissector/<version>/packet-bthci_cmd.c of github.com/furiousMAC/continuity); the labels give the in-ear state.
    QTest::newRow("0x2B Both AirPods in ear") << 0x2B << true << true;
    QTest::newRow("0x0B Both AirPods in ear") << 0x0B << true << true;
    QTest::newRow("0x01 Both out of case, not in ear") << 0x01 << false << false;
    QTest::newRow("0x21 Both taken out of ears") << 0x21 << false << false;
    QTest::newRow("0x02 Right in ear, Left in case") << 0x02 << false << true;
    QTest::newRow("0x22 Left in ear, Right in case") << 0x22 << true << false;
    QTest::newRow("0x75 Case: Both AirPods in case") << 0x75 << false << false;
    QTest::newRow("0x55 Case: Both AirPods in case") << 0x55 << false << false;
    QTest::newRow("0x03 Right in ear, Left out of case") << 0x03 << false << true;
    QTest::newRow("0x23 Left in ear, Right out of case") << 0x23 << true << false;
    QTest::newRow("0x33 Left in ear, Right in case") << 0x33 << true << false;
    QTest::newRow("0x53 Case: Left in ear, Right in case") << 0x53 << true << false;
    QTest::newRow("0x13 Right in ear, Left in case") << 0x13 << false << true;
    QTest::newRow("0x73 Case: Right in ear, Left in case") << 0x73 << false << true;
    QTest::newRow("0x11 Right out of case, Left in case") << 0x11 << false << false;
    QTest::newRow("0x71 Case: Right out of case, Left in case") << 0x71 << false << false;
    QTest::newRow("0x31 Left out of case, Right in case") << 0x31 << false << false;
    QTest::newRow("0x51 Case: Left out of case, Right in case") << 0x51 << false << false;
}

void TestProximityPairing::decodesInEarFlagsOfObservedStatusValues()
{
    QFETCH(int, status);
    QFETCH(bool, leftInEar);
    QFETCH(bool, rightInEar);

    const std::optional<ProximityPairingMessage> message =
        decodeProximityPairing(bytesOf(proFrame(std::uint8_t(status), 0x88, 0x0F)));
    QVERIFY(message.has_value());
    QCOMPARE(int(message->status), status);
    QCOMPARE(message->primaryIsLeft, (status & 0x20) != 0);
    QCOMPARE(message->leftInEar, leftInEar);
    QCOMPARE(message->rightInEar, rightInEar);
}

void TestProximityPairing::rejectsInvalidFrames_data()
{
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray valid = proFrame(0x2B, 0x88, 0x08);
    QVERIFY(decodeProximityPairing(bytesOf(valid)).has_value());

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("type byte only") << valid.left(1);
    QTest::newRow("cut before the lid byte") << valid.left(8);

    QByteArray wrongType = valid;
    wrongType[0] = char(0x10); // Nearby Info
    QTest::newRow("wrong type") << wrongType;

    QByteArray handoff = valid;
    handoff[0] = char(0x0C);
    QTest::newRow("handoff type") << handoff;

    QByteArray notPaired = valid;
    notPaired[2] = char(0x00);
    QTest::newRow("prefix 0x00") << notPaired;

    QByteArray lengthTooSmall = valid;
    lengthTooSmall[1] = char(6);
    QTest::newRow("length byte shorter than the decoded fields") << lengthTooSmall;

    QByteArray lengthZero = valid;
    lengthZero[1] = char(0);
    QTest::newRow("length byte zero") << lengthZero;

    QTest::newRow("truncated: length 0x19, 26 bytes") << valid.left(26);
    QTest::newRow("truncated: length 0x19, 9 bytes") << valid.left(9);

    QByteArray lengthTooLarge = valid;
    lengthTooLarge[1] = char(0xFF);
    QTest::newRow("length byte 0xFF") << lengthTooLarge;

    QByteArray shortClaimsMore = valid.left(9);
    shortClaimsMore[1] = char(8);
    QTest::newRow("9 bytes, length byte 8") << shortClaimsMore;
}

void TestProximityPairing::rejectsInvalidFrames()
{
    QFETCH(QByteArray, bytes);

    QVERIFY(!decodeProximityPairing(bytesOf(bytes)).has_value());
    QVERIFY(!decodeProximityPairing(AppleCompanyId, bytesOf(bytes)).has_value());
}

void TestProximityPairing::acceptsShortAndLongFrames_data()
{
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray full = proFrame(0x22, 0x74, 0x15);

    QTest::newRow("usual 27 bytes") << full;

    QByteArray shortest = full.left(9);
    shortest[1] = char(7);
    QTest::newRow("short: 9 bytes, length 7") << shortest;

    QByteArray withoutTail = full.left(11);
    withoutTail[1] = char(9);
    QTest::newRow("short: 11 bytes, length 9") << withoutTail;

    QTest::newRow("long: another message follows") << full + QByteArray::fromHex("1005031c0a5b6f");
    QTest::newRow("long: trailing padding") << full + QByteArray(13, '\0');

    QByteArray shortInLong = full;
    shortInLong[1] = char(7);
    QTest::newRow("long: length 7 in 27 bytes") << shortInLong;

    QByteArray longer = full + QByteArray(5, char(0x5A));
    longer[1] = char(0x19 + 5);
    QTest::newRow("length byte above 0x19, data complete") << longer;
}

void TestProximityPairing::acceptsShortAndLongFrames()
{
    QFETCH(QByteArray, bytes);

    const std::optional<ProximityPairingMessage> message = decodeProximityPairing(bytesOf(bytes));
    QVERIFY(message.has_value());
    QCOMPARE(message->model, std::uint16_t(AirPodsModel::AirPodsPro));
    QCOMPARE(percentOrNone(message->leftPercent), 40);
    QCOMPARE(percentOrNone(message->rightPercent), 70);
    QCOMPARE(percentOrNone(message->casePercent), 50);
    QVERIFY(message->leftCharging);
    QVERIFY(!message->rightCharging);
    QVERIFY(message->leftInEar);
    QCOMPARE(int(message->lid), 0x31);
}

void TestProximityPairing::acceptsOnlyAppleCompany_data()
{
    QTest::addColumn<int>("companyId");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("Apple 0x004C") << 0x004C << true;
    QTest::newRow("byte-swapped 0x4C00") << 0x4C00 << false;
    QTest::newRow("Microsoft 0x0006") << 0x0006 << false;
    QTest::newRow("Samsung 0x0075") << 0x0075 << false;
    QTest::newRow("Google 0x00E0") << 0x00E0 << false;
    QTest::newRow("zero") << 0x0000 << false;
    QTest::newRow("0xFFFF") << 0xFFFF << false;
}

void TestProximityPairing::acceptsOnlyAppleCompany()
{
    QFETCH(int, companyId);
    QFETCH(bool, accepted);

    const QByteArray bytes = proFrame(0x2B, 0x88, 0x08);
    const std::optional<ProximityPairingMessage> message = decodeProximityPairing(std::uint16_t(companyId),
                                                                                  bytesOf(bytes));
    QCOMPARE(message.has_value(), accepted);
    if (accepted) {
        QCOMPARE(percentOrNone(message->leftPercent), 80);
    }
}

void TestProximityPairing::knowsEveryAirPodsModel_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QByteArray>("name");

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
}

void TestProximityPairing::knowsEveryAirPodsModel()
{
    QFETCH(int, model);
    QFETCH(QByteArray, name);

    QVERIFY(isAirPodsModel(std::uint16_t(model)));
    QVERIFY(modelName(std::uint16_t(model)) != nullptr);
    QCOMPARE(QByteArray(modelName(std::uint16_t(model))), name);

    // The model travels big-endian at offsets 3-4.
    const QByteArray bytes = frame(std::uint16_t(model), 0x2B, 0x88, 0x08);
    QCOMPARE(std::uint8_t(bytes[3]), std::uint8_t(model >> 8));
    const std::optional<ProximityPairingMessage> message = decodeProximityPairing(bytesOf(bytes));
    QVERIFY(message.has_value());
    QCOMPARE(int(message->model), model);
    QVERIFY(message->isKnownAirPodsModel());
}

void TestProximityPairing::rejectsOtherModelsAsAirPods_data()
{
    QTest::addColumn<int>("model");

    QTest::newRow("Powerbeats3 0x0320") << 0x0320;
    QTest::newRow("BeatsX 0x0520") << 0x0520;
    QTest::newRow("Beats Solo3 0x0620") << 0x0620;
    QTest::newRow("AirPods Pro byte-swapped 0x200E") << 0x200E;
    QTest::newRow("zero") << 0x0000;
    QTest::newRow("0xFFFF") << 0xFFFF;
}

void TestProximityPairing::rejectsOtherModelsAsAirPods()
{
    QFETCH(int, model);

    QVERIFY(!isAirPodsModel(std::uint16_t(model)));
    QVERIFY(modelName(std::uint16_t(model)) == nullptr);

    // Other accessories' messages still decode; they are just not known AirPods.
    const std::optional<ProximityPairingMessage> message =
        decodeProximityPairing(bytesOf(frame(std::uint16_t(model), 0x2B, 0x88, 0x08)));
    QVERIFY(message.has_value());
    QCOMPARE(int(message->model), model);
    QVERIFY(!message->isKnownAirPodsModel());
}

void TestProximityPairing::caseNibblePlacementAgainstPublishedFrames_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("caseLevelInLowNibble");
    QTest::addColumn<int>("casePercent");
    QTest::addColumn<bool>("caseCharging");
    QTest::addColumn<bool>("leftCharging");
    QTest::addColumn<bool>("rightCharging");

    // Source: github.com/furiousMAC/continuity, messages/proximity_pairing.md and dissector/FIELDS.md, the
    // "Example" column of the AirPods message table: prefix 01, model 0x0e20, status 0x55, battery byte 88,
    // charging/case byte 8f, open count 57, colour 00, suffix 00, encrypted data 9672711ae6a965737c80d805039773d1.
    const QByteArray published = QByteArray::fromHex("071901" "0e20" "55" "88" "8f" "39" "00" "00"
                                                     "9672711ae6a965737c80d805039773d1");
    // Chosen placement (the dissector's masks 0x0F / 0x40 0x20 0x10): case level 0xF = no reading, no flag set.
    QTest::newRow("furiousMAC example 888f, case in low nibble") << published << true << -1 << false << false
                                                                 << false;
    // Rejected placement: case 80 % and every flag set, including bit 3, which no source names.
    QTest::newRow("furiousMAC example 888f, case in high nibble") << published << false << 80 << true << true
                                                                  << true;

    // Same source, the decoded example values of the same table: left 9, right 9, case 7, case not charging, right
    // charging, left charging. The byte is rebuilt from those values with the dissector's masks (0x37); read the
    // other way round it would claim a 30 % case that is charging.
    const QByteArray fieldExample = QByteArray::fromHex("071901" "0e20" "55" "99" "37" "39" "00" "00"
                                                        "9672711ae6a965737c80d805039773d1");
    QTest::newRow("furiousMAC field example, case in low nibble") << fieldExample << true << 70 << false << true
                                                                  << true;
    QTest::newRow("furiousMAC field example, case in high nibble") << fieldExample << false << 30 << true << true
                                                                   << true;
}

void TestProximityPairing::caseNibblePlacementAgainstPublishedFrames()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, caseLevelInLowNibble);
    QFETCH(int, casePercent);
    QFETCH(bool, caseCharging);
    QFETCH(bool, leftCharging);
    QFETCH(bool, rightCharging);

    QCOMPARE(bytes.size(), 27);
    const std::optional<ProximityPairingMessage> message = decodeProximityPairing(AppleCompanyId, bytesOf(bytes));
    QVERIFY(message.has_value());
    // Status 0x55 has bit 5 clear: the right bud is primary and owns bit 0 of the flag nibble.
    QVERIFY(!message->primaryIsLeft);

    const CaseByteReading reading = readCaseByte(std::uint8_t(bytes[7]), caseLevelInLowNibble);
    QCOMPARE(reading.casePercent, casePercent);
    QCOMPARE(reading.caseCharging, caseCharging);
    QCOMPARE(reading.otherCharging, leftCharging);
    QCOMPARE(reading.primaryCharging, rightCharging);

    const bool decoderAgrees = percentOrNone(message->casePercent) == casePercent
        && message->caseCharging == caseCharging && message->leftCharging == leftCharging
        && message->rightCharging == rightCharging;
    // The decoder follows the low-nibble placement and disagrees with the other one on these frames.
    QCOMPARE(decoderAgrees, caseLevelInLowNibble);
}

void TestProximityPairing::keepsStatusAndLidBytesOfPublishedFrame()
{
    // Same furiousMAC example frame as above.
    const QByteArray published = QByteArray::fromHex("071901" "0e20" "55" "88" "8f" "39" "00" "00"
                                                     "9672711ae6a965737c80d805039773d1");
    const std::optional<ProximityPairingMessage> message = decodeProximityPairing(bytesOf(published));
    QVERIFY(message.has_value());
    QCOMPARE(message->model, std::uint16_t(AirPodsModel::AirPodsPro));
    QVERIFY(message->isKnownAirPodsModel());
    QCOMPARE(int(message->status), 0x55);
    QCOMPARE(int(message->lid), 57);
    QCOMPARE(percentOrNone(message->leftPercent), 80);
    QCOMPARE(percentOrNone(message->rightPercent), 80);
    QVERIFY(!message->leftInEar);
    QVERIFY(!message->rightInEar);
}

QTEST_GUILESS_MAIN(TestProximityPairing)

#include "TestProximityPairing.moc"
