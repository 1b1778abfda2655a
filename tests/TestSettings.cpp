// SPDX-License-Identifier: GPL-3.0-or-later
#include "Settings.h"

#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

class TestSettings : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QFile m_file;

private Q_SLOTS:
    void init()
    {
        static int run = 0;
        const QString config = m_home.filePath(QString::number(++run));
        QVERIFY(QDir().mkpath(config));
        qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
        // The other program opens the same file: its name and its keys are fixed.
        m_file.setFileName(config + QStringLiteral("/com.vostel.Earlume.settings-plist.ini"));
    }

    // Only the word true is on; anything else, and a file that is not ours, reads as off.
    void readsOnlyTrueAsOn_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("options");
        QTest::newRow("hide menu") << QByteArray("Hide%20Menu=true") << QStringLiteral("1000");
        QTest::newRow("hud") << QByteArray("Show%20Hud%20On%20Connection=true") << QStringLiteral("0100");
        QTest::newRow("settings button") << QByteArray("Settings%20Button=true") << QStringLiteral("0010");
        QTest::newRow("connect button") << QByteArray("Connect%20Button=true") << QStringLiteral("0001");
        QTest::newRow("false") << QByteArray("Hide%20Menu=false") << QStringLiteral("0000");
        QTest::newRow("TRUE") << QByteArray("Hide%20Menu=TRUE") << QStringLiteral("0000");
        QTest::newRow("1") << QByteArray("Hide%20Menu=1") << QStringLiteral("0000");
        QTest::newRow("not ours") << QByteArray("Hide%20Menu=true\n\xff") + '\0' << QStringLiteral("0000");
    }
    void readsOnlyTrueAsOn()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, options);
        QVERIFY(m_file.open(QIODevice::WriteOnly));
        m_file.write("[General]\n" + contents + '\n');
        m_file.close();
        const Settings settings;
        QString read;
        for (bool on : {settings.hideMenu(), settings.showHudOnConnection(), settings.settingsButton(),
                        settings.connectButton()}) {
            read += QLatin1Char(on ? '1' : '0');
        }
        QCOMPARE(read, options);
    }

    // The low-battery warning is on until switched off; the threshold is kept within 5..50.
    void lowBatteryOptions_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("warning");
        QTest::addColumn<int>("threshold");
        QTest::newRow("absent") << QByteArray() << true << 20;
        QTest::newRow("off, 35") << QByteArray("Low%20Battery%20Warning=false\nLow%20Battery%20Threshold=35") << false << 35;
        QTest::newRow("too low") << QByteArray("Low%20Battery%20Threshold=2") << true << 5;
        QTest::newRow("too high") << QByteArray("Low%20Battery%20Threshold=80") << true << 50;
        QTest::newRow("no number") << QByteArray("Low%20Battery%20Threshold=many") << true << 20;
        QTest::newRow("not ours") << QByteArray("Low%20Battery%20Threshold=35\n\xff") + '\0' << false << 20;
    }
    void lowBatteryOptions()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, warning);
        QFETCH(int, threshold);
        QVERIFY(m_file.open(QIODevice::WriteOnly));
        m_file.write("[General]\n" + contents + '\n');
        m_file.close();
        QCOMPARE(Settings().lowBatteryWarning(), warning);
        QCOMPARE(Settings().lowBatteryThreshold(), threshold);
    }

    void failedSaveKeepsTheOldFile()
    {
        Settings settings;
        QSignalSpy changed(&settings, &Settings::changed);
        settings.setHideMenu(true);
        QVERIFY(settings.save() && changed.count() == 1);
        settings.setHideMenu(false);
        // Not a byte may be written, even by root: a save that emptied the file first would lose it.
        rlimit previous{};
        getrlimit(RLIMIT_FSIZE, &previous);
        const rlimit none{0, previous.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &none);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Cannot save the settings")));
        const bool saved = settings.save();
        setrlimit(RLIMIT_FSIZE, &previous);
        QVERIFY(!saved && changed.count() == 1 && settings.hideMenu());
        QCOMPARE(settings.errorString(), QStringLiteral("File too large"));
        QVERIFY(m_file.open(QIODevice::ReadOnly));
        QCOMPARE(m_file.readAll(), QByteArray("[General]\nHide%20Menu=true\n"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "TestSettings.moc"
