// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/**
 * Starts the agent program. The settings program goes through this port only, so that tests can see
 * what would be started without starting anything.
 */
class AgentLauncher
{
public:
    virtual ~AgentLauncher() = default;

    /// Starts the program at @p path so that it keeps running after the settings program ends.
    /// Returns whether it could be started; a failure has been reported on standard error.
    virtual bool launch(const QString &path) = 0;
};
