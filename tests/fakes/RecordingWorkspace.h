// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktop/Workspace.h"

/// Remembers every URL handed to it instead of opening it.
class RecordingWorkspace : public Workspace
{
    Q_OBJECT

public:
    QList<QUrl> opened;

    void openUrl(const QUrl &url) override { opened << url; }
};
