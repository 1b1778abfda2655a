// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Workspace.h"

#include <QList>

/// Remembers every URL handed to it instead of opening it.
class RecordingWorkspace : public Workspace
{
    Q_OBJECT

public:
    using Workspace::Workspace;

    QList<QUrl> opened;

    void openUrl(const QUrl &url) override { opened << url; }
};
