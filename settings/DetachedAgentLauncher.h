// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AgentLauncher.h"

/// Starts the agent as a detached process of its own (QProcess::startDetached), in the user's home folder.
class DetachedAgentLauncher : public AgentLauncher
{
public:
    bool launch(const QString &path) override;
};
