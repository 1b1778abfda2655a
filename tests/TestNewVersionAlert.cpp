// SPDX-License-Identifier: GPL-3.0-or-later
// The new-version alert's texts and buttons, and the prompt that runs it modally.
#include "update/MessageBoxUpdatePrompt.h"
#include "update/NewVersionAlert.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestNewVersionAlert : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void alertTextsAndButtons()
    {
        // Both versions are shown as published and as built, never normalised.
        QCOMPARE(newVersionAlertInformativeText(QStringLiteral("1.10.2"), QStringLiteral("1.4.0")),
                 QStringLiteral("Version 1.10.2 of Earlume is available, and you have 1.4.0. "
                                "Do you want to download it?"));
        const std::unique_ptr<QMessageBox> box = makeNewVersionAlert(QStringLiteral("1.5"), QStringLiteral("1.4"));
        QCOMPARE(box->text(), QStringLiteral("A new version is available"));
        QCOMPARE(box->informativeText(),
                 QStringLiteral("Version 1.5 of Earlume is available, and you have 1.4. Do you want to download it?"));
        QCOMPARE(box->icon(), QMessageBox::Warning);
        const QList<QAbstractButton *> buttons = box->buttons();
        QCOMPARE(buttons.size(), 2);
        QCOMPARE(buttons.at(0)->text(), QStringLiteral("Yes"));
        QCOMPARE(box->buttonRole(buttons.at(0)), QMessageBox::YesRole);
        QCOMPARE(buttons.at(1)->text(), QStringLiteral("No"));
        QCOMPARE(box->buttonRole(buttons.at(1)), QMessageBox::NoRole);
        QCOMPARE(box->defaultButton(), buttons.at(0));
        QCOMPARE(box->escapeButton(), buttons.at(1));
    }

    void promptAnswers_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("download");

        QTest::newRow("Yes") << "Yes" << true;
        QTest::newRow("No") << "No" << false;
    }

    void promptAnswers()
    {
        QFETCH(QString, button);
        QFETCH(bool, download);

        // Polls from the prompt's own modal loop until the alert is up, then answers it.
        QString shown;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) {
                return;
            }
            poll.stop();
            shown = box->text() + u'\n' + box->informativeText();
            for (QAbstractButton *candidate : box->buttons()) {
                if (candidate->text() == button) {
                    candidate->click();
                }
            }
        });
        poll.start(10);
        QCOMPARE(MessageBoxUpdatePrompt().askToDownload(QStringLiteral("1.5"), QStringLiteral("1.4")), download);
        QCOMPARE(shown,
                 QStringLiteral("A new version is available\n")
                     + newVersionAlertInformativeText(QStringLiteral("1.5"), QStringLiteral("1.4")));
    }
};

QTEST_MAIN(TestNewVersionAlert)
#include "TestNewVersionAlert.moc"
