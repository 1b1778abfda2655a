// SPDX-License-Identifier: GPL-3.0-or-later
// The accessory protocol's packets, the resolution of private addresses with the key it hands over, and its store.
#include "aap/AapKeyStore.h"
#include "aap/ResolvablePrivateAddress.h"
#include "battery/AdvertisementMatch.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Aap;

namespace
{
QString hex(std::span<const std::uint8_t> b)
{
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(b.data()), qsizetype(b.size())).toHex());
}

// "battery 4:100/1 8:-/2", "in-ear 0/1", "keys irk=… enc=-", "connect reply" or "none".
QString describe(const std::optional<Message> &m)
{
    QString s = !m ? QStringLiteral("none") : QStringLiteral("connect reply");
    const auto optionalHex = [](const auto &key) { return key ? hex(*key) : QStringLiteral("-"); };
    if (const auto *b = m ? std::get_if<BatteryReport>(&*m) : nullptr) {
        s = QStringLiteral("battery");
        for (const auto &e : b->entries) {
            const QString level = e.level ? QString::number(*e.level) : QStringLiteral("-");
            s += QStringLiteral(" %1:%2/%3").arg(QString::number(int(e.component)), level, QString::number(e.status));
        }
    } else if (const auto *i = m ? std::get_if<InEarReport>(&*m) : nullptr) {
        s = QStringLiteral("in-ear %1/%2").arg(i->primary).arg(i->secondary);
    } else if (const auto *k = m ? std::get_if<KeysReport>(&*m) : nullptr) {
        s = QStringLiteral("keys irk=%1 enc=%2").arg(optionalHex(k->irk), optionalHex(k->encryptionKey));
    } else if (const auto *n = m ? std::get_if<NoiseControlReport>(&*m) : nullptr) {
        s = QStringLiteral("noise %1").arg(n->mode);
    } else if (const auto *d = m ? std::get_if<MetadataReport>(&*m) : nullptr) {
        s = QString::fromStdString("metadata " + d->name + '/' + d->modelNumber + '/' + d->manufacturer);
    }
    return s;
}

// The Core specification's sample for ah: prand 70 81 94 hashes to 0D FB AA under this IRK.
const std::array<std::uint8_t, 16> SampleIrk
    = {0xec, 0x02, 0x34, 0xa3, 0x57, 0xc8, 0xad, 0x05, 0x34, 0x10, 0x10, 0xa6, 0x0a, 0x39, 0x7d, 0x9b};
} // namespace

class TestAapPacket : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesPackets_data()
    {
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<QString>("expected");
        // Spaces only separate header and opcode, counts and blocks.
        const auto row = [](const char *name, const QByteArray &hexPacket, const QByteArray &expected) {
            QTest::newRow(name) << QByteArray::fromHex(hexPacket) << QString::fromLatin1(expected);
        };
        row("capture", "040004000400 03 0401640101 0201640101 08010c0201", "battery 4:100/1 2:100/1 8:12/2");
        // Posted from AirPods Pro 2 (USB-C), firmware 7A305, in LibrePods' "AAP Definitions" notes: right 100 %,
        // left 99 % charging, case 17 %; then its metadata packet, serial numbers and the encrypted tail included.
        row("AirPods Pro 2, posted", "040004000400 03 0201640201 0401630101 0801110201", "battery 2:100/2 4:99/1 8:17/2");
        row("AirPods Pro 2 (USB-C) metadata, posted",
            "040004001d00 02d5000400 416972506f64732050726f004133303438004170706c6520496e632e0051584e524848595850360036"
            "312e313836383034303030323030303030302e323731330036312e313836383034303030323030303030302e3237313300312e302e"
            "3000636f6d2e6170706c652e6163636573736f72792e757064617465722e6170702e3731004859394c5432454632364a5900483350"
            "4c5748444a32364b3000363335373533360089312a6567a5400f84a3ca234947efd40b90d78436ae5946748d70273e66066a258930"
            "0035333935303630363400",
            "metadata AirPods Pro/A3048/Apple Inc.");
        row("metadata without a model number", "040004001d00 02d5000400 4169720000", "none");
        row("metadata cut inside the name", "040004001d00 02d5000400 41697250", "none");
        // Noise control settings other than the mode, as AirPods Max sent them (posted in kAirPods issue #4).
        row("AirPods Max, other settings, posted", "040004000900 1b00000000", "none");
        row("one bud", "040004000400 01 02015a0201", "battery 2:90/2");
        row("over-ear single", "040004000400 01 01013c0101", "battery 1:60/1");
        row("level out of range, not present", "040004000400 02 0401650401 02010a0001", "battery 4:-/4 2:10/0");
        row("truncated battery block", "040004000400 03 0401640101 0201640101 08", "none");
        row("connect reply", "01000400 0100", "connect reply");
        row("wrong service", "040005000400 01 02015a0201", "none");
        row("unknown opcode", "040004000a00 01 02015a0201", "none");
        row("noise control", "040004000900 0d03000000", "noise 3");
        row("noise control, short", "040004000900 0d04", "noise 4");
        row("other setting (conversational awareness)", "040004000900 2801000000", "none");
        row("setting without value", "040004000900 0d", "none");
        row("in-ear", "040004000600 00 01", "in-ear 0/1");
        const QByteArray irk = "000102030405060708090a0b0c0d0e0f", enc = "101112131415161718191a1b1c1d1e1f";
        const QByteArray both = "keys irk=" + irk + " enc=" + enc;
        row("keys, an unknown one first", "040004003100 03 02000200aaaa 01001000" + irk + "04001000" + enc, both);
        row("keys: irk of 15 bytes skipped", "040004003100 01 01000f00" + irk.left(30), "keys irk=- enc=-");
        row("keys: truncated key", "040004003100 02 01001000" + irk + "04001000" + enc.left(30), "none");
    }
    void decodesPackets()
    {
        QFETCH(QByteArray, packet);
        QTEST(
            describe(decode({reinterpret_cast<const std::uint8_t *>(packet.constData()), std::size_t(packet.size())})),
            "expected");
    }

    // One table of models: every name a model goes by leads to it, and over-ear models show one battery. The
    // advertisement was posted from AirPods Max (USB-C) at 90 % (Airpod-Battery-Monitor issue #31): its other bud
    // and its case read 0, which must never show.
    void modelsAndTheirBatteries()
    {
        const AirpodsModels::Model *max = AirpodsModels::byProductId(0x201F);
        QVERIFY(max && max->hasSingleBattery() && max->wear == AirpodsModels::WearDetection::OnHead);
        QCOMPARE(AirpodsModels::byAdvertisedModel(0x1F20), max);
        QCOMPARE(AirpodsModels::byModelNumber("A3184"), max);
        QCOMPARE(AirpodsModels::byModelNumber("A3048"), AirpodsModels::byProductId(0x2024)); // the metadata above
        QCOMPARE(AirpodsModels::byModelNumber("A2096"), AirpodsModels::byProductId(0x200A));
        QCOMPARE(AirpodsModels::byProductId(0x2014)->noiseModes, AirpodsModels::NoiseModes::WithAdaptive);
        QCOMPARE(AirpodsModels::byProductId(0x2013)->noiseModes, AirpodsModels::NoiseModes::None);
        QVERIFY(!AirpodsModels::byModelNumber("A30") && !AirpodsModels::byProductId(0x20FF));
        for (const AirpodsModels::Model &model : AirpodsModels::all()) { // no name leads to two models
            QCOMPARE(AirpodsModels::byProductId(model.productId), &model);
            QCOMPARE(AirpodsModels::byAdvertisedModel(model.advertisedModel()), &model);
            for (const std::string_view number : model.modelNumbers) {
                QCOMPARE(AirpodsModels::byModelNumber(number), &model);
            }
        }
        const QByteArray frame = QByteArray::fromHex("0719011f202b09800612c02bb63326ae3c9215421a4b8a9642ad1e");
        const auto message = ProximityPairing::decodeProximityPairing(
            {reinterpret_cast<const std::uint8_t *>(frame.constData()), std::size_t(frame.size())});
        QVERIFY(message);
        const BatteryState state = AdvertisementMatch::stateFrom(*message);
        QCOMPARE(state.levelsText(), QStringLiteral("Battery 90 %"));
        // The same correction for any source that reports buds or a case for a model that has neither.
        BatteryState buds;
        buds.left = BatteryLevel{0, false};
        buds.right = BatteryLevel{90, true};
        buds.caseBattery = BatteryLevel{0, false};
        QCOMPARE(buds.shapedFor(max).levelsText(), QStringLiteral("Battery 90 % charging"));
        QVERIFY(buds.shapedFor(max).single->charging);
        QCOMPARE(buds.shapedFor(AirpodsModels::byProductId(0x2014)), buds);
        QCOMPARE(buds.shapedFor(nullptr), buds);
    }

    void encodesPackets()
    {
        QCOMPARE(hex(handshake()), QStringLiteral("00000400010002000000000000000000"));
        QCOMPARE(hex(capabilities()), QStringLiteral("040004004d00ff00000000000000"));
        QCOMPARE(hex(enableNotifications()), QStringLiteral("040004000f00ffffffff"));
        QCOMPARE(hex(requestKeys()), QStringLiteral("0400040030000500"));
        QCOMPARE(hex(setNoiseControl(NoiseMode::NoiseCancellation)), QStringLiteral("0400040009000d02000000"));
    }

    void resolvesPrivateAddresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("resolves");
        // The sample's address as BlueZ writes it, and others whose hash matches their own prand.
        const auto address = [](std::uint8_t top) {
            const auto h = ResolvablePrivateAddress::ah(SampleIrk, {top, 0x81, 0x94});
            return QString::asprintf("%02X:81:94:%02X:%02X:%02X", top, h[0], h[1], h[2]);
        };
        QTest::newRow("sample") << QStringLiteral("70:81:94:0D:FB:AA") << true;
        QTest::newRow("lower case") << QStringLiteral("70:81:94:0d:fb:aa") << true;
        QTest::newRow("top bits 01, another prand") << address(0x4F) << true;
        QTest::newRow("hash bit flipped") << QStringLiteral("70:81:94:0D:FB:AB") << false;
        QTest::newRow("top bits 11") << address(0xF0) << false;
        QTest::newRow("top bits 00") << address(0x30) << false;
        QTest::newRow("five octets") << QStringLiteral("70:81:94:0D:FB") << false;
        QTest::newRow("not hex") << QStringLiteral("70:81:94:0D:FB:AG") << false;
    }
    void resolvesPrivateAddresses()
    {
        QCOMPARE(hex(ResolvablePrivateAddress::ah(SampleIrk, {0x70, 0x81, 0x94})), QStringLiteral("0dfbaa"));
        QFETCH(QString, address);
        QTEST(ResolvablePrivateAddress::resolves(SampleIrk, address), "resolves");
    }

    void keyStoreKeepsKeysPerAddress()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("state/earlume/keys.ini"));
        KeysReport keys{SampleIrk, std::nullopt}, other{std::array<std::uint8_t, 16>{1}, SampleIrk};
        AapKeyStore store(path);
        QVERIFY(store.store(QStringLiteral("4c:11:22:33:44:01"), keys));
        QVERIFY(store.store(QStringLiteral("4C:11:22:33:44:02"), other));
        QCOMPARE(AapKeyStore(path).irk(QStringLiteral("4C:11:22:33:44:01")), SampleIrk);
        QCOMPARE(QFileInfo(path).permissions().toInt() & 0x7777, 0x6600); // rw for the owner (and user) only
        QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("state/earlume"))).permissions().toInt() & 0x7777, 0x7700);

        QFile file(path); // a rewrite would drop the line added here
        QVERIFY(file.open(QIODevice::Append) && file.write("# kept\n") > 0);
        file.close();
        QVERIFY(store.store(QStringLiteral("4C:11:22:33:44:01"), keys));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::ExistingOnly) && file.readAll().endsWith("# kept\n"));
        QVERIFY(AapKeyStore(path).forget(QStringLiteral("4c:11:22:33:44:01")));
        QCOMPARE(AapKeyStore(path).irk(QStringLiteral("4C:11:22:33:44:01")), std::nullopt);
        QCOMPARE(AapKeyStore(path).irk(QStringLiteral("4C:11:22:33:44:02")), other.irk);
        // Only an address is a section, and only 32 hex digits a key; what a hand's edit spoilt is left out.
        QVERIFY(!store.store(QStringLiteral("4C:11:22:33:44"), keys));
        QVERIFY(!store.store(QStringLiteral("4C-11-22-33-44-01"), keys));
        file.close();
        QVERIFY(file.open(QIODevice::Append));
        QVERIFY(file.write("[4C:11:22:33:44:0G]\nirk=" + QByteArray(32, 'a') + "\n[4C:11:22:33:44:03]\nirk="
                           + QByteArray(31, 'a') + "\nencryptionKey=" + QByteArray(32, 'a') + "\n") > 0);
        file.close();
        QCOMPARE(AapKeyStore(path).irk(QStringLiteral("4C:11:22:33:44:0G")), std::nullopt);
        QCOMPARE(AapKeyStore(path).irk(QStringLiteral("4c:11:22:33:44:03")), std::nullopt);
        std::array<std::uint8_t, 16> aa;
        aa.fill(0xaa);
        QCOMPARE(AapKeyStore(path).keys(QStringLiteral("4C:11:22:33:44:03")).encryptionKey, aa);

        AapKeyStore unwritable(dir.filePath(QStringLiteral("state/earlume/keys.ini/keys.ini")));
        QVERIFY(!unwritable.store(QStringLiteral("4C:11:22:33:44:01"), keys));
        QVERIFY(!unwritable.errorString().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAapPacket)
#include "TestAapPacket.moc"
