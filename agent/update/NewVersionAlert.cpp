// SPDX-License-Identifier: GPL-3.0-or-later
#include "NewVersionAlert.h"

#include <QPushButton>

QString newVersionAlertInformativeText(const QString &newVersion, const QString &current)
{
    return QStringLiteral("Version ") + newVersion + QStringLiteral(" of Earlume is available, and you have ") + current
        + QStringLiteral(". Do you want to download it?");
}

std::unique_ptr<QMessageBox> makeNewVersionAlert(const QString &newVersion, const QString &current, QWidget *parent)
{
    auto box = std::make_unique<QMessageBox>(parent);
    box->setObjectName(QStringLiteral("newVersionAlertMessageBox"));
    // Without a title of its own the window would be named after the application, like the panel and the HUD.
    box->setWindowTitle(QStringLiteral("Earlume update"));
    box->setIcon(QMessageBox::Warning);
    box->setTextFormat(Qt::PlainText);
    box->setText(QStringLiteral("A new version is available"));
    box->setInformativeText(newVersionAlertInformativeText(newVersion, current));
    QPushButton *yes = box->addButton(QStringLiteral("Yes"), QMessageBox::YesRole);
    yes->setObjectName(QStringLiteral("yesButton"));
    QPushButton *no = box->addButton(QStringLiteral("No"), QMessageBox::NoRole);
    no->setObjectName(QStringLiteral("noButton"));
    box->setDefaultButton(yes);
    box->setEscapeButton(no);
    return box;
}
