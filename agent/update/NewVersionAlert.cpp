// SPDX-License-Identifier: GPL-3.0-or-later
#include "NewVersionAlert.h"

#include <QCoreApplication>
#include <QPushButton>

QString newVersionAlertInformativeText(const QString &newVersion, const QString &current)
{
    return QCoreApplication::translate("NewVersionAlert",
                                       "Version %1 of Earlume is available, and you have %2. Do you want to download it?")
        .arg(newVersion, current);
}

std::unique_ptr<QMessageBox> makeNewVersionAlert(const QString &newVersion, const QString &current, QWidget *parent)
{
    auto box = std::make_unique<QMessageBox>(parent);
    box->setObjectName(QStringLiteral("newVersionAlertMessageBox"));
    // Without a title of its own the window would be named after the application, like the panel and the HUD.
    box->setWindowTitle(QCoreApplication::translate("NewVersionAlert", "Earlume update"));
    box->setIcon(QMessageBox::Warning);
    box->setTextFormat(Qt::PlainText);
    box->setText(QCoreApplication::translate("NewVersionAlert", "A new version is available"));
    box->setInformativeText(newVersionAlertInformativeText(newVersion, current));
    QPushButton *yes = box->addButton(QCoreApplication::translate("NewVersionAlert", "Yes"), QMessageBox::YesRole);
    yes->setObjectName(QStringLiteral("yesButton"));
    QPushButton *no = box->addButton(QCoreApplication::translate("NewVersionAlert", "No"), QMessageBox::NoRole);
    no->setObjectName(QStringLiteral("noButton"));
    box->setDefaultButton(yes);
    box->setEscapeButton(no);
    return box;
}
