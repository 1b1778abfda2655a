// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "UpdateServer.h"

#include <QMessageBox>
#include <QString>

#include <memory>

/// "Version <new> of Earlume is available, and you have <current>. Do you want to download it?"
QString newVersionAlertInformativeText(const QString &newVersion, const QString &current);

/**
 * The new-version alert, ready to run modally: a warning box titled "A new version is available" with the
 * informative text above and two buttons, "Yes" (the default, YesRole) and then "No" (NoRole, also Escape).
 * The caller runs it and asks buttonRole(clickedButton()) which one was chosen.
 */
std::unique_ptr<QMessageBox>
makeNewVersionAlert(const QString &newVersion, const QString &current, QWidget *parent = nullptr);
