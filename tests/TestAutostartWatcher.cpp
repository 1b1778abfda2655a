// SPDX-License-Identifier: GPL-3.0-or-later
#include "AutostartWatcher.h"
#include "LoginServiceKit.h"
#include "TestSettingsSupport.h"

#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace
{
/// One change of the autostart folder or of its entry, named as in the tables below.
bool apply(const QString &change)
{
    const QString folder = LoginServiceKit::autostartDirectory();
    const QString entry = LoginServiceKit::entryFilePath();
    if (change == QLatin1String("mkdir")) {
        return QDir().mkpath(folder);
    }
    if (change == QLatin1String("rmdir")) {
        return QDir().rmdir(folder);
    }
    if (change == QLatin1String("add")) {
        return LoginServiceKit::addLoginItems(QStringLiteral("/usr/bin/Earlume"));
    }
    if (change == QLatin1String("replace")) {
        // An atomic save: a new file takes the watched one's place.
        return LoginServiceKit::addLoginItems(QStringLiteral("/opt/one/Earlume"));
    }
    if (change == QLatin1String("append")) {
        // Changes the file but not the folder's list of files.
        QFile file(entry);
        return file.open(QIODevice::Append) && file.write("Hidden=true\n") > 0;
    }
    if (change == QLatin1String("delete")) {
        return QFile::remove(entry);
    }
    return false;
}
} // namespace

class TestAutostartWatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void reportsEveryChange_data();
    void reportsEveryChange();
    void ignoresOtherChangesOfTheParent();

private:
    std::unique_ptr<ScopedConfigHome> m_home;
};

void TestAutostartWatcher::init()
{
    m_home = std::make_unique<ScopedConfigHome>();
}

void TestAutostartWatcher::cleanup()
{
    m_home.reset();
}

void TestAutostartWatcher::reportsEveryChange_data()
{
    QTest::addColumn<QString>("configHome");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("changes");
    const QString add = QStringLiteral("add");
    QTest::newRow("new entry") << QString() << QStringList{QStringLiteral("mkdir")} << QStringList{add};
    QTest::newRow("entry deleted") << QString() << QStringList{add} << QStringList{QStringLiteral("delete")};
    QTest::newRow("entry edited in place") << QString() << QStringList{add} << QStringList{QStringLiteral("append")};
    QTest::newRow("entry replaced, then edited")
        << QString() << QStringList{add} << QStringList{QStringLiteral("replace"), QStringLiteral("append")};
    QTest::newRow("folder appears, then its entry goes")
        << QString() << QStringList() << QStringList{add, QStringLiteral("delete")};
    QTest::newRow("folder removed") << QString() << QStringList{QStringLiteral("mkdir")}
                                    << QStringList{QStringLiteral("rmdir")};
    QTest::newRow("folder appears below missing parents")
        << QStringLiteral("/not/there/yet") << QStringList() << QStringList{QStringLiteral("mkdir")};
}

void TestAutostartWatcher::reportsEveryChange()
{
    QFETCH(QString, configHome);
    QFETCH(QStringList, before);
    QFETCH(QStringList, changes);
    qputenv("XDG_CONFIG_HOME", (m_home->path() + configHome).toLocal8Bit());
    const QString autostart = LoginServiceKit::autostartDirectory();
    for (const QString &change : std::as_const(before)) {
        QVERIFY2(apply(change), qPrintable(change));
    }
    AutostartWatcher watcher;
    // The folder once it exists; until then the nearest parent, and nothing is created just to be watched.
    QCOMPARE(watcher.watchedDirectory(), before.isEmpty() ? m_home->path() : autostart);
    QCOMPARE(QDir(m_home->path()).isEmpty(), before.isEmpty());

    QSignalSpy changed(&watcher, &AutostartWatcher::changed);
    for (const QString &change : std::as_const(changes)) {
        changed.clear();
        QVERIFY2(apply(change), qPrintable(change));
        QTRY_VERIFY2(changed.count() >= 1, qPrintable(change));
    }
    QTRY_COMPARE(watcher.watchedDirectory(), QFileInfo(autostart).isDir() ? autostart : m_home->path());
}

void TestAutostartWatcher::ignoresOtherChangesOfTheParent()
{
    AutostartWatcher watcher;
    QSignalSpy changed(&watcher, &AutostartWatcher::changed);
    // A second watcher on the same folder tells when the change has been delivered.
    QFileSystemWatcher barrier({m_home->path()});
    QSignalSpy delivered(&barrier, &QFileSystemWatcher::directoryChanged);
    QFile other(m_home->path() + QStringLiteral("/com.vostel.Earlume.settings-plist.ini"));
    QVERIFY(other.open(QIODevice::WriteOnly));
    QTRY_VERIFY(delivered.count() >= 1);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QCOMPARE(changed.count(), 0);
    QCOMPARE(watcher.watchedDirectory(), m_home->path());
}

QTEST_GUILESS_MAIN(TestAutostartWatcher)
#include "TestAutostartWatcher.moc"
