// SPDX-License-Identifier: GPL-3.0-or-later
#include "MessageBoxUpdatePrompt.h"

#include "NewVersionAlert.h"

bool MessageBoxUpdatePrompt::askToDownload(const QString &newVersion, const QString &current)
{
    const std::unique_ptr<QMessageBox> box = makeNewVersionAlert(newVersion, current);
    box->exec();
    QAbstractButton *const clicked = box->clickedButton();
    return clicked && box->buttonRole(clicked) == QMessageBox::YesRole;
}
