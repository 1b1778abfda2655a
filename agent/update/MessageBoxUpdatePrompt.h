// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "UpdatePrompt.h"

/// Runs the new-version alert (makeNewVersionAlert()) modally; "Yes" means download.
class MessageBoxUpdatePrompt : public UpdatePrompt
{
public:
    bool askToDownload(const QString &newVersion, const QString &current) override;
};
