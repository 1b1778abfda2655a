// SPDX-License-Identifier: GPL-3.0-or-later
// When media players are paused and played again as AirPods come out of the ears and go back in.
#include "media/MediaPausePolicy.h"

#include <QTest>

class TestMediaPausePolicy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Readings of one pair as "<left><right>@<minute>": i in an ear, o out (in the case or a hand), ? unknown; a
    // leading ! with the option off. The decisions: - nothing, P pause (the players then paused are named after the
    // step), R<players> play those again.
    void decides_data()
    {
        QTest::addColumn<QString>("readings");
        QTest::addColumn<QString>("decisions");
        const auto row = [](const char *name, const char *readings, const char *decisions) {
            QTest::newRow(name) << QString::fromLatin1(readings) << QString::fromLatin1(decisions);
        };
        row("from the case into the ears", "oo@0 io@0 ii@1", "- - -");
        row("a bud out and back", "ii@0 oi@1 ii@2", "- P R1");
        row("back after ten minutes, then too late", "ii@0 io@1 ii@11 io@12 ii@23", "- P R1 P -");
        row("both out, back one by one", "ii@0 oi@0 oo@1 io@2 ii@3", "- P P - R1,2");
        row("a second round", "ii@0 io@0 ii@1 oi@2 ii@3", "- P R1 P R3");
        row("option off", "ii@0 !oi@0 ii@1", "- - -");
        row("option off while out", "ii@0 oi@0 !oi@1 ii@2", "- P - -");
        row("unknown, then out", "ii@0 ??@0 oi@1", "- - -");
        row("reconnected with both in", "ii@0 oi@0 ??@1 ii@2", "- P - R1");
    }
    void decides()
    {
        QFETCH(QString, readings);
        MediaPausePolicy policy;
        QStringList decisions;
        const auto inEar = [](QChar c) { return c == u'?' ? std::nullopt : std::optional(c == u'i'); };
        for (QString step : readings.split(u' ')) {
            const bool enabled = !step.startsWith(u'!');
            step.remove(u'!');
            const auto now = std::chrono::minutes(step.section(u'@', 1).toInt());
            const auto decision = policy.update(QStringLiteral("/pods"), inEar(step[0]), inEar(step[1]), now, enabled);
            if (decision.pausePlaying) {
                policy.paused(QString::number(decisions.size()));
            }
            decisions << (decision.pausePlaying   ? QStringLiteral("P")
                              : decision.resume.isEmpty() ? QStringLiteral("-")
                                                          : QStringLiteral("R%1").arg(decision.resume.join(u',')));
        }
        QTEST(decisions.join(u' '), "decisions");
    }
};

QTEST_GUILESS_MAIN(TestMediaPausePolicy)
#include "TestMediaPausePolicy.moc"
