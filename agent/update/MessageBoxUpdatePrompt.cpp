// SPDX-License-Identifier: GPL-3.0-or-later
#include "MessageBoxUpdatePrompt.h"

#include "NewVersionAlert.h"

void MessageBoxUpdatePrompt::askToDownload(const QString &newVersion, const QString &current, Answer answer)
{
    // Not exec(): a modal box at login, often behind other windows, would hold up the panel until answered.
    QMessageBox *box = makeNewVersionAlert(newVersion, current).release();
    box->setWindowModality(Qt::NonModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::finished, box, [box, answer = std::move(answer)] {
        QAbstractButton *const clicked = box->clickedButton();
        answer(clicked && box->buttonRole(clicked) == QMessageBox::YesRole);
    });
    box->show();
}
