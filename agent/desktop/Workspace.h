// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QUrl>

/**
 * Hands URLs to the desktop: the settings program's URL scheme, the update archive. The real one goes
 * through xdg-open; tests put a recording one in its place. The result of an open is never acted on.
 */
class Workspace : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void openUrl(const QUrl &url) = 0;
};

/// The desktop's own handler (QDesktopServices, that is xdg-open).
class DesktopWorkspace : public Workspace
{
    Q_OBJECT

public:
    using Workspace::Workspace;

    void openUrl(const QUrl &url) override;
};
