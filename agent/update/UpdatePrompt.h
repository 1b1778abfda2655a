// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

/**
 * Asks the user whether to download a newer version. The agent's one is MessageBoxUpdatePrompt; tests put a
 * scripted one in its place.
 */
class UpdatePrompt
{
public:
    using Answer = std::function<void(bool download)>;

    virtual ~UpdatePrompt();
    /// Shows the question and returns at once; @p answer runs exactly once, when the user has answered (true
    /// means "download it"). It never blocks or nests an event loop, so the agent keeps working meanwhile.
    virtual void askToDownload(const QString &newVersion, const QString &current, Answer answer) = 0;
};
