// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/**
 * Asks the user whether to download a newer version. The agent's one is MessageBoxUpdatePrompt; tests put a
 * scripted one in its place.
 */
class UpdatePrompt
{
public:
    virtual ~UpdatePrompt();

    /// Blocks in the prompt's own event loop until the user answers; true means "download it".
    virtual bool askToDownload(const QString &newVersion, const QString &current) = 0;
};
