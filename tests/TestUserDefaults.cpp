// SPDX-License-Identifier: GPL-3.0-or-later
#include "UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class TestUserDefaults : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

    void writeFile(const QByteArray &contents)
    {
        QDir().mkpath(QFileInfo(UserDefaults::filePath()).absolutePath());
        QFile file(UserDefaults::filePath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_home.isValid());
        const QString config = m_home.path() + QStringLiteral("/config-") + QString::fromLatin1(QTest::currentTestFunction());
        QDir(config).removeRecursively();
        qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
    }

    void freshSuiteReadsAllOff()
    {
        const UserDefaults defaults;
        QVERIFY(!defaults.hideMenu());
        QVERIFY(!defaults.showHudOnConnection());
        QVERIFY(!defaults.settingsButton());
        QVERIFY(!defaults.connectButton());
        QVERIFY(!QFile::exists(UserDefaults::filePath()));
    }

    void writesAreSeenByTheNextOpening()
    {
        {
            UserDefaults defaults;
            defaults.setBool(true, SettingsKeys::HideMenu);
            defaults.setBool(false, SettingsKeys::ConnectButton);
            defaults.setBool(true, SettingsKeys::ShowHudOnConnection);
            QVERIFY(defaults.synchronize());
        }
        const UserDefaults reread;
        QVERIFY(reread.hideMenu());
        QVERIFY(reread.showHudOnConnection());
        QVERIFY(!reread.connectButton());
        QVERIFY(!reread.settingsButton());
        QCOMPARE(UserDefaults::filePath(),
                 QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + QStringLiteral("/com.vostel.Earlume.settings-plist.ini"));
    }

    void anotherWritersChangeIsSeenWithoutRestart()
    {
        UserDefaults first;
        first.setBool(true, SettingsKeys::SettingsButton);
        QVERIFY(first.synchronize());
        QVERIFY(UserDefaults().settingsButton());
        // Another process rewrites the file; the next opening must not answer from a stale copy.
        QTest::qWait(1100);
        writeFile("[General]\nSettings%20Button=false\n");
        QVERIFY(!UserDefaults().settingsButton());
    }

    void valuesOtherThanTrueOrFalseReadOff_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("expected");
        QTest::newRow("true") << QByteArray("true") << true;
        QTest::newRow("false") << QByteArray("false") << false;
        QTest::newRow("word") << QByteArray("banana") << false;
        QTest::newRow("number") << QByteArray("1") << false;
        QTest::newRow("empty") << QByteArray("") << false;
    }
    void valuesOtherThanTrueOrFalseReadOff()
    {
        QFETCH(QByteArray, stored);
        QFETCH(bool, expected);
        writeFile("[General]\nHide%20Menu=" + stored + "\n");
        if (stored != "true" && stored != "false") {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not true or false")));
        }
        QCOMPARE(UserDefaults().hideMenu(), expected);
    }

    void damagedFileReadsAllOffWithOneWarning()
    {
        QByteArray garbage("[General\nHide%20Menu=true\n\x01\x02\xff\xfe=\n[[[");
        garbage.append(QByteArray(64, '\0'));
        writeFile(garbage);
        static int warnings = 0;
        warnings = 0;
        bool anyOn = false;
        const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
            if (type == QtWarningMsg && text.contains(QLatin1String("damaged"))) {
                ++warnings;
            }
        });
        for (int i = 0; i < 3; ++i) {
            const UserDefaults defaults;
            anyOn = anyOn || defaults.hideMenu();
        }
        qInstallMessageHandler(previous);
        QVERIFY(!anyOn);
        QCOMPARE(warnings, 1);
    }

    void saveThatCannotReachTheDiskIsReported()
    {
        writeFile("[General]\nHide%20Menu=true\n");
        const QString path = UserDefaults::filePath();
        UserDefaults defaults;
        defaults.setBool(false, SettingsKeys::HideMenu);
        // Something that is not a file stands where the settings must go: the atomic save cannot replace it.
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkpath(path + QStringLiteral("/in-the-way")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Cannot save the settings")));
        QVERIFY(!defaults.synchronize());
        QVERIFY(QFileInfo::exists(path + QStringLiteral("/in-the-way")));
        // Nothing half-written is left beside it.
        const QStringList left = QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char(','))));
    }

    void readOnlyDirectoryKeepsTheOldFile()
    {
        if (::geteuid() == 0) {
            QSKIP("root may write into a read-only directory");
        }
        writeFile("[General]\nHide%20Menu=true\n");
        const QString dir = QFileInfo(UserDefaults::filePath()).absolutePath();
        QVERIFY(QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        UserDefaults defaults;
        defaults.setBool(false, SettingsKeys::HideMenu);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Cannot save the settings")));
        const bool saved = defaults.synchronize();
        QVERIFY(QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        QVERIFY(!saved);
        QVERIFY(UserDefaults().hideMenu());
    }
};

QTEST_GUILESS_MAIN(TestUserDefaults)
#include "TestUserDefaults.moc"
