// SPDX-License-Identifier: GPL-3.0-or-later
#include "MediaPausePolicy.h"

MediaPausePolicy::Decision MediaPausePolicy::update(const QString &path,
                                                    std::optional<bool> leftInEar,
                                                    std::optional<bool> rightInEar,
                                                    std::chrono::milliseconds now,
                                                    bool enabled)
{
    if (!enabled) {
        m_remembered.clear();
    }
    if (!leftInEar || !rightInEar) {
        m_ears.remove(path);
        return {};
    }
    const Ears ears{*leftInEar, *rightInEar};
    const std::optional<Ears> before = m_ears.contains(path) ? std::optional(m_ears.value(path)) : std::nullopt;
    m_ears.insert(path, ears);
    if (!enabled) {
        return {};
    }
    Decision decision;
    if (before && ((before->left && !ears.left) || (before->right && !ears.right))) {
        decision.pausePlaying = true;
        m_takenOutAt = now;
    }
    // A pair that comes back connected with both buds in counts as put back as well.
    const bool putBack = ears.left && ears.right && !(before && before->left && before->right);
    if (putBack && now - m_takenOutAt <= ResumeWindow) {
        decision.resume = m_remembered;
    }
    if (putBack) {
        m_remembered.clear();
    }
    return decision;
}

void MediaPausePolicy::paused(const QString &player)
{
    if (!m_remembered.contains(player)) {
        m_remembered.append(player);
    }
}
