// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoginServiceKit.h"
#include "TestSettingsSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <memory>

class TestLoginServiceKit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void entryLivesInConfigHomeAutostart();
    void addThenExists_data();
    void addThenExists();
    void execLineIsQuotedAndEscaped_data();
    void execLineIsQuotedAndEscaped();
    void existsReadsHandWrittenEntries_data();
    void existsReadsHandWrittenEntries();
    void existsFindsProgramNamedWithoutPath();
    void noEntryMeansNoItem();
    void addReplacesEntryOfAnotherPath();
    void addRewritesDisabledEntry();
    void removeDeletesEntry();
    void removeWithoutEntrySucceeds();
    void removeLeavesEntryOfAnotherPath();
    void addFailsWhenFolderCannotBeMade();
    void addFailsWithoutLeavingHalfAFile();
    void removeFailureIsReported();
    void splitExec_data();
    void splitExec();

private:
    static void writeEntry(const QString &contents);
    static QString validate(const QString &file);

    std::unique_ptr<ScopedConfigHome> m_home;
};

void TestLoginServiceKit::init()
{
    m_home = std::make_unique<ScopedConfigHome>();
}

void TestLoginServiceKit::cleanup()
{
    m_home.reset();
}

void TestLoginServiceKit::writeEntry(const QString &contents)
{
    QVERIFY(QDir().mkpath(LoginServiceKit::autostartDirectory()));
    QFile file(LoginServiceKit::entryFilePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents.toUtf8());
}

/// desktop-file-validate's complaints about @p file; empty when it accepts the file.
QString TestLoginServiceKit::validate(const QString &file)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (tool.isEmpty()) {
        return QStringLiteral("desktop-file-validate is not installed (Debian package desktop-file-utils)");
    }
    QProcess process;
    process.start(tool, {file});
    process.waitForFinished();
    const QString output = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    return process.exitCode() == 0 && output.trimmed().isEmpty() ? QString() : output;
}

void TestLoginServiceKit::entryLivesInConfigHomeAutostart()
{
    QCOMPARE(LoginServiceKit::autostartDirectory(), m_home->path() + QStringLiteral("/autostart"));
    QCOMPARE(LoginServiceKit::entryFilePath(),
             m_home->path() + QStringLiteral("/autostart/com.vostel.Earlume.desktop"));
}

void TestLoginServiceKit::addThenExists_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("plain") << QStringLiteral("/usr/bin/Earlume");
    QTest::newRow("spaces") << QStringLiteral("/home/me/My Programs/Earlume");
    QTest::newRow("double quote") << QStringLiteral("/opt/say \"hi\"/Earlume");
    QTest::newRow("single quote") << QStringLiteral("/opt/it's/Earlume");
    QTest::newRow("backslash") << QStringLiteral("/opt/back\\slash/Earlume");
    QTest::newRow("dollar") << QStringLiteral("/opt/$HOME/Earlume");
    QTest::newRow("backtick") << QStringLiteral("/opt/`id`/Earlume");
    QTest::newRow("percent") << QStringLiteral("/opt/100%u/Earlume");
    QTest::newRow("shell specials") << QStringLiteral("/opt/a;b&c|d<e>f(g)*?#~/Earlume");
    QTest::newRow("tab") << QStringLiteral("/opt/a\tb/Earlume");
    QTest::newRow("non-ASCII") << QStringLiteral("/home/zoë/Écouteurs/Earlume");
}

void TestLoginServiceKit::addThenExists()
{
    QFETCH(QString, path);
    QVERIFY(!LoginServiceKit::isExistLoginItems(path));
    QVERIFY(LoginServiceKit::addLoginItems(path));
    QVERIFY(LoginServiceKit::isExistLoginItems(path));
    QVERIFY(!LoginServiceKit::isExistLoginItems(path + QStringLiteral("2")));
    QVERIFY(!LoginServiceKit::isExistLoginItems(QStringLiteral("/usr/bin/Earlume2")));
    const QString complaints = validate(LoginServiceKit::entryFilePath());
    QVERIFY2(complaints.isEmpty(), qPrintable(complaints));
}

void TestLoginServiceKit::execLineIsQuotedAndEscaped_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("execLine");
    QTest::newRow("plain") << QStringLiteral("/usr/bin/Earlume") << QStringLiteral("Exec=\"/usr/bin/Earlume\"");
    QTest::newRow("space") << QStringLiteral("/opt/My Apps/Earlume") << QStringLiteral("Exec=\"/opt/My Apps/Earlume\"");
    // Quoting escapes ", `, $ and \ with a backslash; the value's own escaping then doubles every backslash.
    QTest::newRow("quote") << QStringLiteral("/opt/a\"b/Earlume") << QStringLiteral("Exec=\"/opt/a\\\\\"b/Earlume\"");
    QTest::newRow("backslash") << QStringLiteral("/opt/a\\b/Earlume")
                               << QStringLiteral("Exec=\"/opt/a\\\\\\\\b/Earlume\"");
    QTest::newRow("dollar and backtick") << QStringLiteral("/opt/$x`y/Earlume")
                                         << QStringLiteral("Exec=\"/opt/\\\\$x\\\\`y/Earlume\"");
    QTest::newRow("percent") << QStringLiteral("/opt/50%/Earlume") << QStringLiteral("Exec=\"/opt/50%%/Earlume\"");
}

void TestLoginServiceKit::execLineIsQuotedAndEscaped()
{
    QFETCH(QString, path);
    QFETCH(QString, execLine);
    QVERIFY(LoginServiceKit::addLoginItems(path));
    QFile file(LoginServiceKit::entryFilePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    QCOMPARE(lines.value(0), QStringLiteral("[Desktop Entry]"));
    QVERIFY2(lines.contains(execLine), qPrintable(lines.join(QLatin1Char('\n'))));
    QVERIFY(lines.contains(QStringLiteral("Type=Application")));
}

void TestLoginServiceKit::existsReadsHandWrittenEntries_data()
{
    QTest::addColumn<QString>("contents");
    QTest::addColumn<bool>("exists");
    const QString head = QStringLiteral("[Desktop Entry]\nType=Application\nName=Earlume\n");
    QTest::newRow("unquoted") << head + QStringLiteral("Exec=/usr/bin/Earlume\n") << true;
    QTest::newRow("quoted") << head + QStringLiteral("Exec=\"/usr/bin/Earlume\"\n") << true;
    QTest::newRow("with arguments") << head + QStringLiteral("Exec=/usr/bin/Earlume --verbose %U\n") << true;
    QTest::newRow("spaces around =") << QStringLiteral("[Desktop Entry]\nType = Application\nName = Earlume\n"
                                                       "Exec = /usr/bin/Earlume\n")
                                     << true;
    QTest::newRow("comments and other groups")
        << QStringLiteral("# made by hand\n[Desktop Entry]\n# the agent\nType=Application\nName=Earlume\n"
                          "Exec=/usr/bin/Earlume\n\n[Desktop Action Quit]\nName=Quit\nExec=/bin/false\n")
        << true;
    QTest::newRow("explicitly not hidden") << head + QStringLiteral("Exec=/usr/bin/Earlume\nHidden=false\n") << true;
    QTest::newRow("hidden") << head + QStringLiteral("Exec=/usr/bin/Earlume\nHidden=true\n") << false;
    QTest::newRow("switched off") << head + QStringLiteral("Exec=/usr/bin/Earlume\nX-GNOME-Autostart-enabled=false\n")
                                  << false;
    QTest::newRow("other program") << head + QStringLiteral("Exec=/usr/bin/Earlume2\n") << false;
    QTest::newRow("program only as argument") << head + QStringLiteral("Exec=/usr/bin/env /usr/bin/Earlume\n") << false;
    QTest::newRow("no Exec") << head << false;
    QTest::newRow("empty Exec") << head + QStringLiteral("Exec=\n") << false;
    QTest::newRow("unbalanced quote") << head + QStringLiteral("Exec=\"/usr/bin/Earlume\n") << false;
    QTest::newRow("no Name") << QStringLiteral("[Desktop Entry]\nType=Application\nExec=/usr/bin/Earlume\n") << false;
    QTest::newRow("link, not application")
        << QStringLiteral("[Desktop Entry]\nType=Link\nName=Earlume\nExec=/usr/bin/Earlume\nURL=file:///\n") << false;
    QTest::newRow("main group not first")
        << QStringLiteral("[Other]\nA=b\n[Desktop Entry]\nType=Application\nName=Earlume\nExec=/usr/bin/Earlume\n")
        << false;
    QTest::newRow("key before any group") << QStringLiteral("Exec=/usr/bin/Earlume\n") + head << false;
    QTest::newRow("Exec only in another group")
        << head + QStringLiteral("[Desktop Action Start]\nName=Start\nExec=/usr/bin/Earlume\n") << false;
    QTest::newRow("not a desktop entry") << QStringLiteral("\x7f"
                                                           "ELF garbage")
                                         << false;
    QTest::newRow("empty file") << QString() << false;
}

void TestLoginServiceKit::existsReadsHandWrittenEntries()
{
    QFETCH(QString, contents);
    QFETCH(bool, exists);
    writeEntry(contents);
    QCOMPARE(LoginServiceKit::isExistLoginItems(QStringLiteral("/usr/bin/Earlume")), exists);
}

void TestLoginServiceKit::existsFindsProgramNamedWithoutPath()
{
    QTemporaryDir bin;
    const QString program = bin.filePath(QStringLiteral("Earlume"));
    QFile file(program);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit() + ':' + path);
    writeEntry(QStringLiteral("[Desktop Entry]\nType=Application\nName=Earlume\nExec=Earlume\n"));
    const bool exists = LoginServiceKit::isExistLoginItems(program);
    const bool existsForOther = LoginServiceKit::isExistLoginItems(bin.filePath(QStringLiteral("Other")));
    qputenv("PATH", path);
    QVERIFY(exists);
    QVERIFY(!existsForOther);
}

void TestLoginServiceKit::noEntryMeansNoItem()
{
    QVERIFY(!QFile::exists(LoginServiceKit::autostartDirectory()));
    QVERIFY(!LoginServiceKit::isExistLoginItems(QStringLiteral("/usr/bin/Earlume")));
    // Asking creates nothing.
    QVERIFY(!QFile::exists(LoginServiceKit::autostartDirectory()));
}

void TestLoginServiceKit::addReplacesEntryOfAnotherPath()
{
    QVERIFY(LoginServiceKit::addLoginItems(QStringLiteral("/opt/old/Earlume")));
    QVERIFY(LoginServiceKit::addLoginItems(QStringLiteral("/opt/new/Earlume")));
    QVERIFY(LoginServiceKit::isExistLoginItems(QStringLiteral("/opt/new/Earlume")));
    QVERIFY(!LoginServiceKit::isExistLoginItems(QStringLiteral("/opt/old/Earlume")));
}

void TestLoginServiceKit::addRewritesDisabledEntry()
{
    writeEntry(QStringLiteral("[Desktop Entry]\nType=Application\nName=Earlume\nExec=/usr/bin/Earlume\nHidden=true\n"));
    QVERIFY(!LoginServiceKit::isExistLoginItems(QStringLiteral("/usr/bin/Earlume")));
    QVERIFY(LoginServiceKit::addLoginItems(QStringLiteral("/usr/bin/Earlume")));
    QVERIFY(LoginServiceKit::isExistLoginItems(QStringLiteral("/usr/bin/Earlume")));
}

void TestLoginServiceKit::removeDeletesEntry()
{
    QVERIFY(LoginServiceKit::addLoginItems(QStringLiteral("/usr/bin/Earlume")));
    QVERIFY(LoginServiceKit::removeLoginItems(QStringLiteral("/usr/bin/Earlume")));
    QVERIFY(!QFile::exists(LoginServiceKit::entryFilePath()));
    QVERIFY(!LoginServiceKit::isExistLoginItems(QStringLiteral("/usr/bin/Earlume")));
    // The folder stays: it holds other programs' entries too.
    QVERIFY(QFile::exists(LoginServiceKit::autostartDirectory()));
}

void TestLoginServiceKit::removeWithoutEntrySucceeds()
{
    QVERIFY(LoginServiceKit::removeLoginItems(QStringLiteral("/usr/bin/Earlume")));
    QVERIFY(!QFile::exists(LoginServiceKit::autostartDirectory()));
}

void TestLoginServiceKit::removeLeavesEntryOfAnotherPath()
{
    QVERIFY(LoginServiceKit::addLoginItems(QStringLiteral("/opt/other copy/Earlume")));
    QVERIFY(LoginServiceKit::removeLoginItems(QStringLiteral("/usr/bin/Earlume")));
    QVERIFY(LoginServiceKit::isExistLoginItems(QStringLiteral("/opt/other copy/Earlume")));
}

void TestLoginServiceKit::addFailsWhenFolderCannotBeMade()
{
    // A file where the folder should be.
    QFile blocker(LoginServiceKit::autostartDirectory());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("Cannot create the autostart folder .*/autostart")));
    QVERIFY(!LoginServiceKit::addLoginItems(QStringLiteral("/usr/bin/Earlume")));
    QVERIFY(!LoginServiceKit::isExistLoginItems(QStringLiteral("/usr/bin/Earlume")));
}

void TestLoginServiceKit::addFailsWithoutLeavingHalfAFile()
{
    // A folder in place of the entry cannot be replaced by a file, not even by root, who may write
    // anywhere else: the save has to fail after it has begun.
    const QString autostart = LoginServiceKit::autostartDirectory();
    QVERIFY(QDir().mkpath(LoginServiceKit::entryFilePath()));
    QTest::ignoreMessage(
        QtWarningMsg,
        QRegularExpression(QStringLiteral("Cannot write the autostart entry .*com.vostel.Earlume.desktop")));
    QVERIFY(!LoginServiceKit::addLoginItems(QStringLiteral("/usr/bin/Earlume")));
    QCOMPARE(QDir(autostart).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("com.vostel.Earlume.desktop")});
    QVERIFY(QFileInfo(LoginServiceKit::entryFilePath()).isDir());

    if (geteuid() != 0) {
        // A folder the user may not write to.
        QVERIFY(QDir().rmdir(LoginServiceKit::entryFilePath()));
        QFile(autostart).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Cannot write the autostart entry")));
        const bool added = LoginServiceKit::addLoginItems(QStringLiteral("/usr/bin/Earlume"));
        const QStringList left = QDir(autostart).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QFile(autostart).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY(!added);
        QCOMPARE(left, QStringList());
    }
}

void TestLoginServiceKit::removeFailureIsReported()
{
    // Not a file, and not empty: nothing can remove it as a file.
    QVERIFY(QDir().mkpath(LoginServiceKit::entryFilePath() + QStringLiteral("/inside")));
    QTest::ignoreMessage(
        QtWarningMsg,
        QRegularExpression(QStringLiteral("Cannot remove the autostart entry .*com.vostel.Earlume.desktop")));
    QVERIFY(!LoginServiceKit::removeLoginItems(QStringLiteral("/usr/bin/Earlume")));
}

void TestLoginServiceKit::splitExec_data()
{
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("one") << QStringLiteral("/usr/bin/Earlume") << QStringList{QStringLiteral("/usr/bin/Earlume")};
    QTest::newRow("several") << QStringLiteral("a  b\tc")
                             << QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    QTest::newRow("quoted space") << QStringLiteral("\"/opt/My Apps/Earlume\" -x")
                                  << QStringList{QStringLiteral("/opt/My Apps/Earlume"), QStringLiteral("-x")};
    QTest::newRow("escapes in quotes") << QStringLiteral("\"a\\\"b\\`c\\$d\\\\e\"")
                                       << QStringList{QStringLiteral("a\"b`c$d\\e")};
    QTest::newRow("backslash before ordinary character stays")
        << QStringLiteral("\"a\\xb\"") << QStringList{QStringLiteral("a\\xb")};
    QTest::newRow("percent") << QStringLiteral("\"/opt/50%%\" %u")
                             << QStringList{QStringLiteral("/opt/50%"), QStringLiteral("%u")};
    QTest::newRow("empty quoted argument")
        << QStringLiteral("prog \"\"") << QStringList{QStringLiteral("prog"), QString()};
    QTest::newRow("unbalanced") << QStringLiteral("\"prog") << QStringList();
    QTest::newRow("empty") << QString() << QStringList();
}

void TestLoginServiceKit::splitExec()
{
    QFETCH(QString, exec);
    QFETCH(QStringList, arguments);
    QCOMPARE(LoginServiceKit::splitExec(exec), arguments);
    if (!arguments.isEmpty()) {
        QCOMPARE(LoginServiceKit::splitExec(LoginServiceKit::quoteExecArgument(arguments.first())).value(0),
                 arguments.first());
    }
}

QTEST_GUILESS_MAIN(TestLoginServiceKit)
#include "TestLoginServiceKit.moc"
