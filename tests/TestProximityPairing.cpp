// SPDX-License-Identifier: GPL-3.0-or-later
#include "battery/ProximityPairing.h"

#include <QTest>

using namespace ProximityPairing;

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
        row("other bud charging, left primary", frame(0x22, 0x31, 0x28), "left primary: L10 R30c C80");
        row("other bud charging, right primary", frame(0x02, 0x31, 0x28), "right primary: L30c R10 C80");
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
};

QTEST_GUILESS_MAIN(TestProximityPairing)
#include "TestProximityPairing.moc"
