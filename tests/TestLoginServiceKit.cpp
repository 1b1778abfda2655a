// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoginServiceKit.h"

#include <QTemporaryDir>
#include <QTest>

class TestLoginServiceKit : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QFile m_entry;

private Q_SLOTS:
    void init()
    {
        static int run = 0;
        const QString config = m_home.filePath(QString::number(++run));
        qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
        // Where desktop sessions look for it.
        m_entry.setFileName(config + QStringLiteral("/autostart/com.vostel.Earlume.desktop"));
    }

    void addWritesAnEntryThatStartsThePath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << QStringLiteral("/usr/bin/Earlume") << QStringLiteral("\"/usr/bin/Earlume\"");
        QTest::newRow("space") << QStringLiteral("/opt/My Apps/Earlume") << QStringLiteral("\"/opt/My Apps/Earlume\"");
        // Quoting escapes ", `, $ and \ with a backslash; the value's own escaping then doubles every backslash.
        QTest::newRow("quote") << QStringLiteral("/opt/a\"b/E") << QStringLiteral("\"/opt/a\\\\\"b/E\"");
        QTest::newRow("backslash") << QStringLiteral("/opt/a\\b/E") << QStringLiteral("\"/opt/a\\\\\\\\b/E\"");
        QTest::newRow("dollar, backtick") << QStringLiteral("/opt/$x`y/E") << QStringLiteral("\"/opt/\\\\$x\\\\`y/E\"");
        // A field code such as %u must not arise from the path.
        QTest::newRow("percent") << QStringLiteral("/opt/100%u/E") << QStringLiteral("\"/opt/100%%u/E\"");
    }
    void addWritesAnEntryThatStartsThePath()
    {
        QFETCH(QString, path);
        QFETCH(QString, exec);
        QVERIFY(LoginServiceKit::addLoginItems(path));
        QVERIFY(m_entry.open(QIODevice::ReadOnly));
        const QString contents = QString::fromUtf8(m_entry.readAll());
        m_entry.close();
        QVERIFY2(contents.startsWith(QStringLiteral("[Desktop Entry]\nType=Application\nName=Earlume\n"))
                     && contents.contains(QStringLiteral("\nExec=") + exec + QLatin1Char('\n')),
                 qPrintable(contents));
        QVERIFY(LoginServiceKit::isExistLoginItems(path));
        QVERIFY(!LoginServiceKit::isExistLoginItems(path + QLatin1Char('2')));
        QVERIFY(LoginServiceKit::removeLoginItems(path));
        QVERIFY(!m_entry.exists());
        // Turned off by hand, as desktops do.
        QVERIFY(LoginServiceKit::addLoginItems(path));
        QVERIFY(m_entry.open(QIODevice::Append) && m_entry.write("Hidden=true\n"));
        m_entry.close();
        QVERIFY(!LoginServiceKit::isExistLoginItems(path));
    }
};

QTEST_GUILESS_MAIN(TestLoginServiceKit)
#include "TestLoginServiceKit.moc"
