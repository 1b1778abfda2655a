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

class TestAutostartWatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void watchesTheFolderWhenItExists();
    void watchesTheParentWithoutCreatingAnything();
    void watchesTheNearestExistingAncestor();
    void reportsNewEntry();
    void reportsRemovedEntry();
    void reportsEntryEditedInPlace();
    void reportsEntryReplacedTwice();
    void reportsFolderAppearing();
    void reportsFolderRemoved();
    void ignoresOtherChangesOfTheParent();

private:
    static void
    writeFile(const QString &path, const QByteArray &contents, QIODevice::OpenMode mode = QIODevice::WriteOnly);

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

void TestAutostartWatcher::writeFile(const QString &path, const QByteArray &contents, QIODevice::OpenMode mode)
{
    QFile file(path);
    QVERIFY(file.open(mode));
    file.write(contents);
}

void TestAutostartWatcher::watchesTheFolderWhenItExists()
{
    QVERIFY(QDir().mkpath(LoginServiceKit::autostartDirectory()));
    AutostartWatcher watcher;
    QCOMPARE(watcher.watchedDirectory(), LoginServiceKit::autostartDirectory());
}

void TestAutostartWatcher::watchesTheParentWithoutCreatingAnything()
{
    AutostartWatcher watcher;
    QCOMPARE(watcher.watchedDirectory(), m_home->path());
    QVERIFY(!QFile::exists(LoginServiceKit::autostartDirectory()));
}

void TestAutostartWatcher::watchesTheNearestExistingAncestor()
{
    const QString missing = m_home->path() + QStringLiteral("/not/there/yet");
    qputenv("XDG_CONFIG_HOME", missing.toLocal8Bit());
    AutostartWatcher watcher;
    QCOMPARE(watcher.watchedDirectory(), m_home->path());
    QVERIFY(!QFile::exists(m_home->path() + QStringLiteral("/not")));

    QSignalSpy changed(&watcher, &AutostartWatcher::changed);
    QVERIFY(QDir().mkpath(LoginServiceKit::autostartDirectory()));
    QTRY_VERIFY(changed.count() >= 1);
    QTRY_COMPARE(watcher.watchedDirectory(), LoginServiceKit::autostartDirectory());
}

void TestAutostartWatcher::reportsNewEntry()
{
    QVERIFY(QDir().mkpath(LoginServiceKit::autostartDirectory()));
    AutostartWatcher watcher;
    QSignalSpy changed(&watcher, &AutostartWatcher::changed);
    QVERIFY(LoginServiceKit::addLoginItems(QStringLiteral("/usr/bin/Earlume")));
    QTRY_VERIFY(changed.count() >= 1);
}

void TestAutostartWatcher::reportsRemovedEntry()
{
    QVERIFY(LoginServiceKit::addLoginItems(QStringLiteral("/usr/bin/Earlume")));
    AutostartWatcher watcher;
    QSignalSpy changed(&watcher, &AutostartWatcher::changed);
    QVERIFY(QFile::remove(LoginServiceKit::entryFilePath()));
    QTRY_VERIFY(changed.count() >= 1);
}

void TestAutostartWatcher::reportsEntryEditedInPlace()
{
    QVERIFY(LoginServiceKit::addLoginItems(QStringLiteral("/usr/bin/Earlume")));
    AutostartWatcher watcher;
    QSignalSpy changed(&watcher, &AutostartWatcher::changed);
    // Appending changes the file but not the folder's list of files.
    writeFile(LoginServiceKit::entryFilePath(), "Hidden=true\n", QIODevice::Append);
    QTRY_VERIFY(changed.count() >= 1);
}

void TestAutostartWatcher::reportsEntryReplacedTwice()
{
    // Each atomic save puts a new file in place of the watched one; the second edit must still be seen.
    QVERIFY(LoginServiceKit::addLoginItems(QStringLiteral("/usr/bin/Earlume")));
    AutostartWatcher watcher;
    QSignalSpy changed(&watcher, &AutostartWatcher::changed);
    QVERIFY(LoginServiceKit::addLoginItems(QStringLiteral("/opt/one/Earlume")));
    QTRY_VERIFY(changed.count() >= 1);
    changed.clear();
    writeFile(LoginServiceKit::entryFilePath(), "Hidden=true\n", QIODevice::Append);
    QTRY_VERIFY(changed.count() >= 1);
}

void TestAutostartWatcher::reportsFolderAppearing()
{
    AutostartWatcher watcher;
    QSignalSpy changed(&watcher, &AutostartWatcher::changed);
    QVERIFY(LoginServiceKit::addLoginItems(QStringLiteral("/usr/bin/Earlume")));
    QTRY_VERIFY(changed.count() >= 1);
    QCOMPARE(watcher.watchedDirectory(), LoginServiceKit::autostartDirectory());
    // From now on the folder itself is watched.
    changed.clear();
    QVERIFY(QFile::remove(LoginServiceKit::entryFilePath()));
    QTRY_VERIFY(changed.count() >= 1);
}

void TestAutostartWatcher::reportsFolderRemoved()
{
    QVERIFY(QDir().mkpath(LoginServiceKit::autostartDirectory()));
    AutostartWatcher watcher;
    QSignalSpy changed(&watcher, &AutostartWatcher::changed);
    QVERIFY(QDir().rmdir(LoginServiceKit::autostartDirectory()));
    QTRY_VERIFY(changed.count() >= 1);
    QCOMPARE(watcher.watchedDirectory(), m_home->path());
}

void TestAutostartWatcher::ignoresOtherChangesOfTheParent()
{
    AutostartWatcher watcher;
    QSignalSpy changed(&watcher, &AutostartWatcher::changed);
    // A second watcher on the same folder tells when the change has been delivered.
    QFileSystemWatcher barrier({m_home->path()});
    QSignalSpy delivered(&barrier, &QFileSystemWatcher::directoryChanged);
    writeFile(m_home->path() + QStringLiteral("/com.vostel.Earlume.settings-plist.ini"), "[General]\n");
    QTRY_VERIFY(delivered.count() >= 1);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QCOMPARE(changed.count(), 0);
    QCOMPARE(watcher.watchedDirectory(), m_home->path());
}

QTEST_GUILESS_MAIN(TestAutostartWatcher)
#include "TestAutostartWatcher.moc"
