// SPDX-License-Identifier: GPL-3.0-or-later
// The new-version alert's texts and buttons, and the prompt that runs it modally.
#include "update/MessageBoxUpdatePrompt.h"
#include "update/NewVersionAlert.h"

#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>

namespace
{
enum Answer { ClickYes, ClickNo, PressEnter, PressEscape };
} // namespace

class TestNewVersionAlert : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void alertTextsAreExact();
    void informativeTextKeepsVersionsAsGiven_data();
    void informativeTextKeepsVersionsAsGiven();
    void alertHasYesThenNo();
    void promptAnswers_data();
    void promptAnswers();

private:
    /// Runs the prompt and, once its dialog is up, lets answer() act on it; returns the prompt's result.
    bool runPrompt(const std::function<void(QMessageBox *)> &answer, bool *sawDialog);
};

void TestNewVersionAlert::alertTextsAreExact()
{
    const std::unique_ptr<QMessageBox> box = makeNewVersionAlert(QStringLiteral("1.5"), QStringLiteral("1.4"));
    QCOMPARE(box->text(), QStringLiteral("A new version is available"));
    QCOMPARE(box->informativeText(),
             QStringLiteral("Version 1.5 of Earlume is available, and you have 1.4. Do you want to download it?"));
    QCOMPARE(box->icon(), QMessageBox::Warning);
    QCOMPARE(box->textFormat(), Qt::PlainText);
}

void TestNewVersionAlert::informativeTextKeepsVersionsAsGiven_data()
{
    QTest::addColumn<QString>("newVersion");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("expected");

    QTest::newRow("three segments")
        << "1.10.2" << "1.4.0"
        << "Version 1.10.2 of Earlume is available, and you have 1.4.0. Do you want to download it?";
    QTest::newRow("major") << "2" << "1.4"
                           << "Version 2 of Earlume is available, and you have 1.4. Do you want to download it?";
}

void TestNewVersionAlert::informativeTextKeepsVersionsAsGiven()
{
    QFETCH(QString, newVersion);
    QFETCH(QString, current);
    QFETCH(QString, expected);
    QCOMPARE(newVersionAlertInformativeText(newVersion, current), expected);
    QCOMPARE(makeNewVersionAlert(newVersion, current)->informativeText(), expected);
}

void TestNewVersionAlert::alertHasYesThenNo()
{
    const std::unique_ptr<QMessageBox> box = makeNewVersionAlert(QStringLiteral("1.5"), QStringLiteral("1.4"));
    const QList<QAbstractButton *> buttons = box->buttons();
    QCOMPARE(buttons.size(), 2);
    QCOMPARE(buttons.at(0)->text(), QStringLiteral("Yes"));
    QCOMPARE(box->buttonRole(buttons.at(0)), QMessageBox::YesRole);
    QCOMPARE(buttons.at(1)->text(), QStringLiteral("No"));
    QCOMPARE(box->buttonRole(buttons.at(1)), QMessageBox::NoRole);
    QCOMPARE(box->defaultButton(), buttons.at(0));
    QCOMPARE(box->escapeButton(), buttons.at(1));
}

bool TestNewVersionAlert::runPrompt(const std::function<void(QMessageBox *)> &answer, bool *sawDialog)
{
    *sawDialog = false;
    // Polls from the prompt's own modal loop until the dialog is shown, then answers it.
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) {
            return;
        }
        poll.stop();
        *sawDialog = box->text() == QStringLiteral("A new version is available")
            && box->informativeText().startsWith(QStringLiteral("Version 1.5 of Earlume"));
        answer(box);
    });
    poll.start();
    MessageBoxUpdatePrompt prompt;
    return prompt.askToDownload(QStringLiteral("1.5"), QStringLiteral("1.4"));
}

void TestNewVersionAlert::promptAnswers_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("download");

    QTest::newRow("Yes") << int(ClickYes) << true;
    QTest::newRow("No") << int(ClickNo) << false;
    QTest::newRow("Enter takes the default") << int(PressEnter) << true;
    QTest::newRow("Escape means no") << int(PressEscape) << false;
}

void TestNewVersionAlert::promptAnswers()
{
    QFETCH(int, action);
    QFETCH(bool, download);

    bool sawDialog = false;
    const bool result = runPrompt(
        [action](QMessageBox *box) {
            const QList<QAbstractButton *> buttons = box->buttons();
            switch (action) {
            case ClickYes:
                buttons.at(0)->click();
                break;
            case ClickNo:
                buttons.at(1)->click();
                break;
            case PressEnter:
                QTest::keyClick(box, Qt::Key_Return);
                break;
            case PressEscape:
                QTest::keyClick(box, Qt::Key_Escape);
                break;
            }
        },
        &sawDialog);
    QVERIFY(sawDialog);
    QCOMPARE(result, download);
}

QTEST_MAIN(TestNewVersionAlert)
#include "TestNewVersionAlert.moc"
