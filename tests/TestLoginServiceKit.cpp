// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoginServiceKit.h"
#include "TestSettingsSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <memory>

namespace
{
const QString Path = QStringLiteral("/usr/bin/Earlume");
const QString Head = QStringLiteral("[Desktop Entry]\nType=Application\nName=Earlume\n");

[[nodiscard]] bool writeEntry(const QString &contents)
{
    QFile file(LoginServiceKit::entryFilePath());
    return QDir().mkpath(LoginServiceKit::autostartDirectory()) && file.open(QIODevice::WriteOnly)
        && file.write(contents.toUtf8()) == contents.toUtf8().size();
}

enum Blocker { FileForFolder, FolderForEntry, FullFolderForEntry, ReadOnlyFolder };
} // namespace

class TestLoginServiceKit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void addWritesAValidEntry_data();
    void addWritesAValidEntry();
    void existsReadsHandWrittenEntries_data();
    void existsReadsHandWrittenEntries();
    void existsFindsProgramNamedWithoutPath();
    void addReplacesAndRemoveKeepsOtherPathsEntries();
    void failureIsOneLineAndLeavesNoHalfFile_data();
    void failureIsOneLineAndLeavesNoHalfFile();
    void splitExec_data();
    void splitExec();

private:
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

void TestLoginServiceKit::addWritesAValidEntry_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("execLine");
    QTest::newRow("plain") << Path << QStringLiteral("Exec=\"/usr/bin/Earlume\"");
    QTest::newRow("space") << QStringLiteral("/opt/My Apps/Earlume") << QStringLiteral("Exec=\"/opt/My Apps/Earlume\"");
    // Quoting escapes ", `, $ and \ with a backslash; the value's own escaping then doubles every backslash.
    QTest::newRow("quote") << QStringLiteral("/opt/a\"b/Earlume") << QStringLiteral("Exec=\"/opt/a\\\\\"b/Earlume\"");
    QTest::newRow("backslash") << QStringLiteral("/opt/a\\b/Earlume")
                               << QStringLiteral("Exec=\"/opt/a\\\\\\\\b/Earlume\"");
    QTest::newRow("dollar and backtick") << QStringLiteral("/opt/$x`y/Earlume")
                                         << QStringLiteral("Exec=\"/opt/\\\\$x\\\\`y/Earlume\"");
    // A field code such as %u must not arise from the path.
    QTest::newRow("percent") << QStringLiteral("/opt/100%u/Earlume") << QStringLiteral("Exec=\"/opt/100%%u/Earlume\"");
    QTest::newRow("single quote") << QStringLiteral("/opt/it's/Earlume")
                                  << QStringLiteral("Exec=\"/opt/it's/Earlume\"");
    QTest::newRow("shell specials") << QStringLiteral("/opt/a;b&c|d<e>f(g)*?#~/Earlume")
                                    << QStringLiteral("Exec=\"/opt/a;b&c|d<e>f(g)*?#~/Earlume\"");
    QTest::newRow("tab") << QStringLiteral("/opt/a\tb/Earlume") << QStringLiteral("Exec=\"/opt/a\\tb/Earlume\"");
    QTest::newRow("non-ASCII") << QStringLiteral("/home/zoë/Écouteurs/Earlume")
                               << QStringLiteral("Exec=\"/home/zoë/Écouteurs/Earlume\"");
}

void TestLoginServiceKit::addWritesAValidEntry()
{
    QFETCH(QString, path);
    QFETCH(QString, execLine);
    QVERIFY(!LoginServiceKit::isExistLoginItems(path));
    // Asking creates nothing.
    QCOMPARE(QDir(m_home->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QVERIFY(LoginServiceKit::addLoginItems(path));
    // Where desktop sessions look for it.
    QFile file(m_home->path() + QStringLiteral("/autostart/com.vostel.Earlume.desktop"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    QCOMPARE(lines.value(0), QStringLiteral("[Desktop Entry]"));
    QVERIFY(lines.contains(QStringLiteral("Type=Application")));
    QVERIFY2(lines.contains(execLine), qPrintable(lines.join(QLatin1Char('\n'))));
    QProcess validator;
    validator.setProcessChannelMode(QProcess::MergedChannels);
    validator.start(QStringLiteral("desktop-file-validate"), {file.fileName()});
    QVERIFY2(validator.waitForFinished(), "desktop-file-validate (Debian package desktop-file-utils) is needed");
    const QString complaints = QString::fromUtf8(validator.readAll());
    QVERIFY2(validator.exitCode() == 0 && complaints.trimmed().isEmpty(), qPrintable(complaints));
    QVERIFY(LoginServiceKit::isExistLoginItems(path));
    QVERIFY(!LoginServiceKit::isExistLoginItems(path + QStringLiteral("2")));
}

void TestLoginServiceKit::existsReadsHandWrittenEntries_data()
{
    QTest::addColumn<QString>("contents");
    QTest::addColumn<bool>("exists");
    QTest::newRow("unquoted") << Head + QStringLiteral("Exec=/usr/bin/Earlume\n") << true;
    QTest::newRow("quoted") << Head + QStringLiteral("Exec=\"/usr/bin/Earlume\"\n") << true;
    QTest::newRow("with arguments") << Head + QStringLiteral("Exec=/usr/bin/Earlume --verbose %U\n") << true;
    QTest::newRow("spaces around =") << QStringLiteral("[Desktop Entry]\nType = Application\nName = Earlume\n"
                                                       "Exec = /usr/bin/Earlume\n")
                                     << true;
    QTest::newRow("comments and other groups")
        << QStringLiteral("# made by hand\n[Desktop Entry]\n# the agent\nType=Application\nName=Earlume\n"
                          "Exec=/usr/bin/Earlume\n\n[Desktop Action Quit]\nName=Quit\nExec=/bin/false\n")
        << true;
    QTest::newRow("explicitly not hidden") << Head + QStringLiteral("Exec=/usr/bin/Earlume\nHidden=false\n") << true;
    QTest::newRow("hidden") << Head + QStringLiteral("Exec=/usr/bin/Earlume\nHidden=true\n") << false;
    QTest::newRow("switched off") << Head + QStringLiteral("Exec=/usr/bin/Earlume\nX-GNOME-Autostart-enabled=false\n")
                                  << false;
    QTest::newRow("other program") << Head + QStringLiteral("Exec=/usr/bin/Earlume2\n") << false;
    QTest::newRow("program only as argument") << Head + QStringLiteral("Exec=/usr/bin/env /usr/bin/Earlume\n") << false;
    QTest::newRow("no Exec") << Head << false;
    QTest::newRow("empty Exec") << Head + QStringLiteral("Exec=\n") << false;
    QTest::newRow("unbalanced quote") << Head + QStringLiteral("Exec=\"/usr/bin/Earlume\n") << false;
    QTest::newRow("no Name") << QStringLiteral("[Desktop Entry]\nType=Application\nExec=/usr/bin/Earlume\n") << false;
    QTest::newRow("link, not application")
        << QStringLiteral("[Desktop Entry]\nType=Link\nName=Earlume\nExec=/usr/bin/Earlume\nURL=file:///\n") << false;
    QTest::newRow("main group not first")
        << QStringLiteral("[Other]\nA=b\n[Desktop Entry]\nType=Application\nName=Earlume\nExec=/usr/bin/Earlume\n")
        << false;
    QTest::newRow("key before any group") << QStringLiteral("Exec=/usr/bin/Earlume\n") + Head << false;
    QTest::newRow("Exec only in another group")
        << Head + QStringLiteral("[Desktop Action Start]\nName=Start\nExec=/usr/bin/Earlume\n") << false;
    QTest::newRow("not a desktop entry") << QStringLiteral("\x7f" "ELF garbage") << false;
}

void TestLoginServiceKit::existsReadsHandWrittenEntries()
{
    QFETCH(QString, contents);
    QFETCH(bool, exists);
    QVERIFY(writeEntry(contents));
    QCOMPARE(LoginServiceKit::isExistLoginItems(Path), exists);
}

void TestLoginServiceKit::existsFindsProgramNamedWithoutPath()
{
    QTemporaryDir bin;
    QFile program(bin.filePath(QStringLiteral("Earlume")));
    QVERIFY(program.open(QIODevice::WriteOnly));
    program.close();
    QVERIFY(program.setPermissions(program.permissions() | QFileDevice::ExeOwner));
    QVERIFY(writeEntry(Head + QStringLiteral("Exec=Earlume\n")));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit() + ':' + path);
    const bool exists = LoginServiceKit::isExistLoginItems(program.fileName());
    const bool existsForOther = LoginServiceKit::isExistLoginItems(bin.filePath(QStringLiteral("Other")));
    qputenv("PATH", path);
    QVERIFY(exists);
    QVERIFY(!existsForOther);
}

void TestLoginServiceKit::addReplacesAndRemoveKeepsOtherPathsEntries()
{
    const QString other = QStringLiteral("/opt/other copy/Earlume");
    // Nothing to remove is no failure, and creates nothing.
    QVERIFY(LoginServiceKit::removeLoginItems(Path));
    QVERIFY(!QFile::exists(LoginServiceKit::autostartDirectory()));
    QVERIFY(LoginServiceKit::addLoginItems(other));
    QVERIFY(LoginServiceKit::removeLoginItems(Path));
    QVERIFY(LoginServiceKit::isExistLoginItems(other));
    QVERIFY(LoginServiceKit::addLoginItems(Path));
    QVERIFY(!LoginServiceKit::isExistLoginItems(other));
    QVERIFY(writeEntry(Head + QStringLiteral("Exec=/usr/bin/Earlume\nHidden=true\n")));
    QVERIFY(LoginServiceKit::addLoginItems(Path));
    QVERIFY(LoginServiceKit::isExistLoginItems(Path));
    QVERIFY(LoginServiceKit::removeLoginItems(Path));
    QVERIFY(!QFile::exists(LoginServiceKit::entryFilePath()));
    // The folder stays: it holds other programs' entries too.
    QVERIFY(QFileInfo(LoginServiceKit::autostartDirectory()).isDir());
}

void TestLoginServiceKit::failureIsOneLineAndLeavesNoHalfFile_data()
{
    QTest::addColumn<int>("blocker");
    QTest::addColumn<QString>("message");
    QTest::newRow("file in place of the folder")
        << int(FileForFolder) << QStringLiteral("Cannot create the autostart folder .*/autostart");
    // Not even root may replace a folder by a file: the save has to fail after it has begun.
    QTest::newRow("folder in place of the entry")
        << int(FolderForEntry) << QStringLiteral("Cannot write the autostart entry .*com.vostel.Earlume.desktop");
    QTest::newRow("read-only folder") << int(ReadOnlyFolder) << QStringLiteral("Cannot write the autostart entry");
    QTest::newRow("removing a non-empty folder in place of the entry")
        << int(FullFolderForEntry) << QStringLiteral("Cannot remove the autostart entry .*com.vostel.Earlume.desktop");
}

void TestLoginServiceKit::failureIsOneLineAndLeavesNoHalfFile()
{
    QFETCH(int, blocker);
    QFETCH(QString, message);
    const QString autostart = LoginServiceKit::autostartDirectory();
    const QString entry = LoginServiceKit::entryFilePath();
    switch (blocker) {
    case FileForFolder:
        QVERIFY(QFile(autostart).open(QIODevice::WriteOnly));
        break;
    case FolderForEntry:
        QVERIFY(QDir().mkpath(entry));
        break;
    case FullFolderForEntry:
        QVERIFY(QDir().mkpath(entry + QStringLiteral("/inside")));
        break;
    case ReadOnlyFolder:
        if (geteuid() == 0) {
            QSKIP("root may write into any folder");
        }
        QVERIFY(QDir().mkpath(autostart));
        QVERIFY(QFile(autostart).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        break;
    }
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(message));
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    const bool done = blocker == FullFolderForEntry ? LoginServiceKit::removeLoginItems(Path)
                                                    : LoginServiceKit::addLoginItems(Path);
    const QStringList left = QDir(autostart).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QFile(autostart).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(!done);
    // Nothing but what blocked the write: no temporary file, no half entry.
    QVERIFY(!QFileInfo(entry).isFile());
    QCOMPARE(left, blocker == FileForFolder || blocker == ReadOnlyFolder ? QStringList()
                                                                        : QStringList{entry.section(u'/', -1)});
}

// Writing and reading back an entry covers quoting and escaping; these are the hand-written forms beyond it.
void TestLoginServiceKit::splitExec_data()
{
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("several") << QStringLiteral("a  b\tc")
                             << QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    QTest::newRow("escapes in quotes") << QStringLiteral("\"a\\\"b\\`c\\$d\\\\e\"")
                                       << QStringList{QStringLiteral("a\"b`c$d\\e")};
    QTest::newRow("backslash before ordinary character stays")
        << QStringLiteral("\"a\\xb\"") << QStringList{QStringLiteral("a\\xb")};
    QTest::newRow("percent") << QStringLiteral("\"/opt/50%%\" %u")
                             << QStringList{QStringLiteral("/opt/50%"), QStringLiteral("%u")};
    QTest::newRow("empty quoted argument")
        << QStringLiteral("prog \"\"") << QStringList{QStringLiteral("prog"), QString()};
    QTest::newRow("unbalanced") << QStringLiteral("\"prog") << QStringList();
}

void TestLoginServiceKit::splitExec()
{
    QFETCH(QString, exec);
    QFETCH(QStringList, arguments);
    QCOMPARE(LoginServiceKit::splitExec(exec), arguments);
}

QTEST_GUILESS_MAIN(TestLoginServiceKit)
#include "TestLoginServiceKit.moc"
