// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "UpdatePrompt.h"

/// Shows the new-version alert (makeNewVersionAlert()) as an ordinary window; "Yes" means download.
class MessageBoxUpdatePrompt : public UpdatePrompt
{
public:
    void askToDownload(const QString &newVersion, const QString &current, Answer answer) override;
};
