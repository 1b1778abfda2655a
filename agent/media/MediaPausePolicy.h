// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QStringList>

#include <chrono>
#include <optional>

/**
 * When to pause media players and when to play them again as AirPods come out of the ears and go back in, decided
 * from the pairs' in-ear readings alone; no bus and no clock of its own (times come on the caller's clock).
 *
 *  - A bud that was in an ear and is out now asks to pause the players playing now; the caller names those it
 *    paused (paused()), and they are remembered.
 *  - Both buds of a pair in the ears again, within ResumeWindow of the last bud taken out, asks to play the
 *    remembered players again, and only those, once. Later, they are forgotten.
 *  - Buds going from the case into the ears ask nothing: nothing was paused.
 *  - An unknown in-ear state (no reading from the AirPods themselves) forgets where that pair's buds were, so a
 *    reading after it is no movement.
 *  - With the option off nothing is asked, and what was remembered is forgotten.
 */
class MediaPausePolicy
{
public:
    static constexpr std::chrono::milliseconds ResumeWindow = std::chrono::minutes(10);

    struct Decision {
        bool pausePlaying = false;
        /// The players to play again.
        QStringList resume;
        bool operator==(const Decision &) const = default;
    };

    /// The pair at @p path reads @p leftInEar and @p rightInEar (none: unknown) at @p now.
    Decision update(const QString &path,
                    std::optional<bool> leftInEar,
                    std::optional<bool> rightInEar,
                    std::chrono::milliseconds now,
                    bool enabled);

    /// @p player was paused on the last request to pause.
    void paused(const QString &player);

private:
    struct Ears {
        bool left = false;
        bool right = false;
    };

    QHash<QString, Ears> m_ears;
    QStringList m_remembered;
    std::chrono::milliseconds m_takenOutAt{0};
};
