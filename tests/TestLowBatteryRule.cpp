// SPDX-License-Identifier: GPL-3.0-or-later
#include "bluetooth/ReadingTrust.h"
#include "notices/LowBatteryNotifier.h"

#include <QTest>

namespace
{
// "A L15 R40+ C30": the origin (Accessory, Proven advertisement, Matched advertisement, Battery1), then the levels
// of Left, Right, Case and Single, "+" when charging.
BatteryState parse(const QString &step)
{
    static constexpr std::array origins{BatteryOrigin::Accessory, BatteryOrigin::ProvenAdvertisement,
                                        BatteryOrigin::Advertisement, BatteryOrigin::Battery1};
    BatteryState state;
    const QStringList words = step.split(u' ', Qt::SkipEmptyParts);
    const qsizetype origin = QStringLiteral("APMB").indexOf(words.value(0));
    state.origin = origin < 0 ? BatteryOrigin::None : origins[origin];
    for (const QString &word : words.mid(1)) {
        const BatteryLevel level{word.mid(1).remove(u'+').toInt(), word.endsWith(u'+')};
        std::array{&state.left, &state.right, &state.caseBattery, &state.single}[QStringLiteral("LRCS").indexOf(word[0])]
            ->emplace(level);
    }
    return state;
}
} // namespace

class TestLowBatteryRule : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Where each kind of reading may go: anywhere when it is certainly the pair's; BlueZ's own not back to BlueZ;
    // an advertisement matched by model and signal only into our own panel.
    void trustRule_data()
    {
        QTest::addColumn<QString>("origin");
        QTest::addColumn<QString>("uses"); // panel, system, warning, media pause: 1 where allowed
        QTest::newRow("accessory protocol") << "A" << "1111";
        QTest::newRow("proven advertisement") << "P" << "1111";
        QTest::newRow("matched advertisement") << "M" << "1000";
        QTest::newRow("Battery1") << "B" << "1010";
        QTest::newRow("none") << "-" << "0000";
    }
    void trustRule()
    {
        QFETCH(QString, origin);
        QString uses;
        for (const auto use : {ReadingTrust::Use::Panel, ReadingTrust::Use::System, ReadingTrust::Use::Warning,
                               ReadingTrust::Use::MediaPause}) {
            uses += ReadingTrust::mayUse(parse(origin).origin, use) ? u'1' : u'0';
        }
        QTEST(uses, "uses");
    }

    // Steps separated by "|", "reset" for a reconnection; what each step warns, "; " between parts.
    void warnsOncePerCrossing_data()
    {
        QTest::addColumn<int>("threshold");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("warnings");
        QTest::newRow("crossing, not again below") << 20 << "A L30 R40 | A L20 R40 | A L19 R40 | A L21 R40"
                                                   << " | Left AirPod at 20 % |  | ";
        QTest::newRow("again after charging above +5") << 20 << "A L15 | A L25 | A L15 | A L26 | A L15"
                                                       << "Left AirPod at 15 % |  |  |  | Left AirPod at 15 %";
        QTest::newRow("again after reconnecting") << 20 << "A R12 | reset | A R12" << "Right AirPod at 12 % |  | Right AirPod at 12 %";
        QTest::newRow("matched advertisement neither warns nor re-arms")
            << 20 << "M L10 | P L10 | M L90 | P L10" << " | Left AirPod at 10 % |  | ";
        QTest::newRow("not while charging") << 20 << "A L10+ | A L10" << " | Left AirPod at 10 %";
        QTest::newRow("parts apart, case and single")
            << 20 << "B S8 | A R5 C5 | A L40 R5 C4" << "AirPods at 8 % | Right AirPod at 5 %; AirPods case at 5 % | ";
        QTest::newRow("a part out of reach keeps its state") << 20 << "A L15 R30 | A R30 | A L15 R30"
                                                             << "Left AirPod at 15 % |  | ";
        QTest::newRow("threshold 50") << 50 << "A L51 | A L50 | A L55 | A L56 | A L49"
                                      << " | Left AirPod at 50 % |  |  | Left AirPod at 49 %";
        QTest::newRow("nothing known") << 20 << "A | N L5" << " | ";
    }
    void warnsOncePerCrossing()
    {
        QFETCH(int, threshold);
        QFETCH(QString, steps);
        QFETCH(QString, warnings);
        LowBatteryRule rule(threshold);
        QStringList said;
        for (const QString &step : steps.split(u'|')) {
            QStringList now;
            if (step.trimmed() == QLatin1String("reset")) {
                rule.reset();
            } else {
                for (const LowBatteryWarning &warning : rule.update(parse(step))) {
                    now.append(LowBatteryNotifier::text(warning));
                }
            }
            said.append(now.join(QStringLiteral("; ")));
        }
        QCOMPARE(said.join(QStringLiteral(" | ")), warnings);
    }
};

QTEST_GUILESS_MAIN(TestLowBatteryRule)
#include "TestLowBatteryRule.moc"
