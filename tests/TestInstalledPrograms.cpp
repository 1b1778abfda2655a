// SPDX-License-Identifier: GPL-3.0-or-later
// Both programs as a user gets them: installed into a prefix with `cmake --install` and opened through
// the settings URL, and installed from the Debian package, run, and removed again.
#include "DBusNames.h"
#include "Notifications.h"
#include "support/TestEnvironment.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <csignal>
#include <memory>
#include <unistd.h>

namespace
{
constexpr int Patience = 20000;
const QString PackageName = QStringLiteral("earlume");
const QString SettingsWindowTitle = QStringLiteral("Earlume Settings");

struct Result {
    int exitCode = -1;
    QString output;
};

Result run(const QString &program,
           const QStringList &arguments,
           const QString &workingDirectory = QString(),
           const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(workingDirectory);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(300000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished(5000);
        return {-1, QString::fromLocal8Bit(process.readAll())};
    }
    return {process.exitCode(), QString::fromLocal8Bit(process.readAll())};
}

bool haveTool(const QString &name, const char *package)
{
    if (QStandardPaths::findExecutable(name).isEmpty()) {
        qWarning("%s is missing: install the Debian package %s", qPrintable(name), package);
        return false;
    }
    return true;
}

/// The folder the programs were built in: the one above their bin folder.
QString buildDirectory()
{
    return QFileInfo(QString::fromLocal8Bit(qgetenv("EARLUME_BIN_DIR"))).absolutePath();
}

Result installInto(const QString &prefix)
{
    return run(QStringLiteral(CMAKE_COMMAND),
               {QStringLiteral("--install"), buildDirectory(), QStringLiteral("--prefix"), prefix});
}

bool onBus(const QString &service)
{
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(service);
}

qint64 ownerPid(const QString &service)
{
    const QDBusReply<uint> pid = QDBusConnection::sessionBus().interface()->servicePid(service);
    return pid.isValid() ? qint64(pid.value()) : -1;
}

/// The executable of the process that owns @p service on the session bus.
QString executableOwning(const QString &service)
{
    const qint64 pid = ownerPid(service);
    return pid > 0 ? QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget() : QString();
}

/// The visible settings window of the process @p pid, once it shows (empty if it does not).
QString settingsWindowOf(qint64 pid)
{
    QDeadlineTimer deadline(Patience);
    do {
        QProcess xdotool;
        xdotool.start(QStringLiteral("xdotool"),
                      {QStringLiteral("search"),
                       QStringLiteral("--all"),
                       QStringLiteral("--onlyvisible"),
                       QStringLiteral("--pid"),
                       QString::number(pid),
                       QStringLiteral("--name"),
                       QLatin1Char('^') + SettingsWindowTitle + QLatin1Char('$')});
        xdotool.waitForFinished(10000);
        const QString window = QString::fromLocal8Bit(xdotool.readAllStandardOutput()).section(QLatin1Char('\n'), 0, 0);
        if (!window.trimmed().isEmpty()) {
            return window.trimmed();
        }
        QTest::qWait(100);
    } while (!deadline.hasExpired());
    return {};
}

/// Gives @p window the keyboard and types @p keys into it, as a user at the keyboard would.
bool typeInto(const QString &window, const QStringList &keys)
{
    const Result focus =
        run(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    if (focus.exitCode != 0) {
        qWarning("xdotool windowfocus failed: %s", qPrintable(focus.output));
        return false;
    }
    const Result typed = run(QStringLiteral("xdotool"), QStringList{QStringLiteral("key")} + keys);
    if (typed.exitCode != 0) {
        qWarning("xdotool key failed: %s", qPrintable(typed.output));
        return false;
    }
    return true;
}

/// A program the test started: its diagnostics go to the test log, and it is ended if it still runs at the end.
class Started
{
public:
    Started(const QString &program,
            const QStringList &arguments,
            const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.setProcessEnvironment(environment);
        m_process.start(program, arguments);
    }
    ~Started()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000)) {
                m_process.kill();
                m_process.waitForFinished(5000);
            }
        }
    }
    Started(const Started &) = delete;
    Started &operator=(const Started &) = delete;

    bool started() { return m_process.waitForStarted(Patience); }
    bool finished()
    {
        QDeadlineTimer deadline(Patience);
        while (m_process.state() != QProcess::NotRunning && !deadline.hasExpired()) {
            QTest::qWait(20);
        }
        return m_process.state() == QProcess::NotRunning;
    }
    bool exitedCleanly() const { return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0; }
    int exitCode() const { return m_process.exitCode(); }
    qint64 pid() const { return m_process.processId(); }

private:
    QProcess m_process;
};

/// Whatever owns one of our names when a test ends (the detached agent, a settings program started through
/// xdg-open) is ended, so the next test starts without either.
void endProgramsOnBus()
{
    for (const QString &service : {DBusNames::SettingsService, DBusNames::AgentService}) {
        const qint64 pid = ownerPid(service);
        if (pid > 0) {
            ::kill(pid_t(pid), SIGTERM);
            QTRY_VERIFY_WITH_TIMEOUT(!onBus(service), Patience);
        }
    }
}

/// The handler of the settings URL's scheme in the index of a folder of desktop entries, or empty.
QString indexedSchemeHandler(const QString &applications)
{
    QFile cache(applications + QStringLiteral("/mimeinfo.cache"));
    if (!cache.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QString key = QStringLiteral("x-scheme-handler/") + QUrl(SettingsURL).scheme() + QLatin1Char('=');
    for (const QString &line : QString::fromUtf8(cache.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(key)) {
            return line.mid(key.size());
        }
    }
    return {};
}

/// dpkg's view of the package: "installed", "config-files", "not-installed", or empty if it never heard of it.
QString packageStatus()
{
    const Result status =
        run(QStringLiteral("dpkg-query"),
            {QStringLiteral("--show"), QStringLiteral("--showformat=${db:Status-Status}"), PackageName});
    return status.exitCode == 0 ? status.output.trimmed() : QString();
}

QProcessEnvironment aptEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DEBIAN_FRONTEND"), QStringLiteral("noninteractive"));
    return environment;
}

/// An apt-get command that waits for the package database if someone else holds it.
QStringList aptArguments(const QString &command, const QString &what)
{
    return {command, QStringLiteral("-y"), QStringLiteral("-o"), QStringLiteral("DPkg::Lock::Timeout=120"), what};
}

/// Removes and purges the package unless the test got to do it itself.
class PackageRemoval
{
public:
    PackageRemoval() = default;
    ~PackageRemoval()
    {
        if (!m_armed || packageStatus().isEmpty() || packageStatus() == QStringLiteral("not-installed")) {
            return;
        }
        qWarning("Removing the package %s the test installed", qPrintable(PackageName));
        run(QStringLiteral("apt-get"), aptArguments(QStringLiteral("purge"), PackageName), QString(), aptEnvironment());
        run(QStringLiteral("dpkg"), {QStringLiteral("--purge"), PackageName});
    }
    PackageRemoval(const PackageRemoval &) = delete;
    PackageRemoval &operator=(const PackageRemoval &) = delete;

    void arm() { m_armed = true; }

private:
    bool m_armed = false;
};
} // namespace

class TestInstalledPrograms : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void settingsUrlOpensTheInstalledSettingsProgram();
    void installedSettingsStartsTheInstalledAgent();
    void installedSettingsWithoutItsAgentNamesTheMissingFile();
    void debianPackageInstallsRunsAndRemoves();

private:
    QString installed(const QString &relative) const { return QDir(m_prefix.path()).filePath(relative); }

    QTemporaryDir m_prefix;
    std::unique_ptr<PostRecorder> m_recorder;
};

void TestInstalledPrograms::initTestCase()
{
    QVERIFY(haveTool(QStringLiteral("xdotool"), "xdotool"));
    QVERIFY(m_prefix.isValid());
    const Result result = installInto(m_prefix.path());
    QVERIFY2(result.exitCode == 0, qPrintable(result.output));
    QVERIFY(QFileInfo(installed(QStringLiteral("bin/Earlume"))).isExecutable());
    QVERIFY(QFileInfo(installed(QStringLiteral("bin/Earlume_Settings"))).isExecutable());
    // The installed agent must not go looking for updates on the network.
    qputenv("EARLUME_UPDATE_BASE_URL", "http://127.0.0.1:9/");
}

void TestInstalledPrograms::init()
{
    QVERIFY(!onBus(DBusNames::AgentService));
    QVERIFY(!onBus(DBusNames::SettingsService));
    m_recorder = std::make_unique<PostRecorder>();
}

void TestInstalledPrograms::cleanup()
{
    endProgramsOnBus();
    m_recorder.reset();
}

void TestInstalledPrograms::settingsUrlOpensTheInstalledSettingsProgram()
{
    QVERIFY(haveTool(QStringLiteral("xdg-open"), "xdg-utils"));
    QVERIFY(haveTool(QStringLiteral("update-desktop-database"), "desktop-file-utils"));
    // What a package manager's trigger does after installing an entry: index the handlers by type.
    const Result indexed =
        run(QStringLiteral("update-desktop-database"), {installed(QStringLiteral("share/applications"))});
    QVERIFY2(indexed.exitCode == 0, qPrintable(indexed.output));
    // GIO and KDE launchers read only this index; xdg-open reads it first.
    QCOMPARE(indexedSchemeHandler(installed(QStringLiteral("share/applications"))),
             QStringLiteral("com.vostel.Earlume.Settings.desktop;"));

    // A desktop session of this prefix: its data folder first, its programs on the PATH (the entries name the
    // programs, not their paths). No desktop is detected in the private environment, so xdg-open uses its own
    // lookup: the handler of x-scheme-handler/<scheme> from mimeapps.list or mimeinfo.cache (else any entry that
    // claims the type), then the first word of that entry's Exec, looked up on the PATH.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_DIRS"),
                       installed(QStringLiteral("share")) + QStringLiteral(":/usr/share"));
    environment.insert(QStringLiteral("PATH"),
                       installed(QStringLiteral("bin")) + QLatin1Char(':') + environment.value(QStringLiteral("PATH")));
    const QString scheme = QUrl(SettingsURL).scheme();
    const Result handler =
        run(QStringLiteral("xdg-mime"),
            {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("x-scheme-handler/") + scheme},
            QString(),
            environment);
    QCOMPARE(handler.output.trimmed(), QStringLiteral("com.vostel.Earlume.Settings.desktop"));

    // xdg-open runs the handler in the foreground and ends with it.
    Started opener(QStringLiteral("xdg-open"), {SettingsURL}, environment);
    QVERIFY(opener.started());
    QTRY_VERIFY_WITH_TIMEOUT(onBus(DBusNames::SettingsService), Patience);
    QCOMPARE(executableOwning(DBusNames::SettingsService), installed(QStringLiteral("bin/Earlume_Settings")));
    QVERIFY(m_recorder->waitFor(Notifications::MonitorEcho, 1, Patience));

    const QString window = settingsWindowOf(ownerPid(DBusNames::SettingsService));
    QVERIFY(!window.isEmpty());
    QVERIFY(typeInto(window, {QStringLiteral("ctrl+w")}));
    QVERIFY(opener.finished());
    QVERIFY2(opener.exitedCleanly(), qPrintable(QString::number(opener.exitCode())));
    QTRY_VERIFY_WITH_TIMEOUT(!onBus(DBusNames::SettingsService), Patience);
    QVERIFY(!onBus(DBusNames::AgentService));
}

void TestInstalledPrograms::installedSettingsStartsTheInstalledAgent()
{
    Started settings(installed(QStringLiteral("bin/Earlume_Settings")), {});
    QVERIFY(settings.started());
    QVERIFY(m_recorder->waitFor(Notifications::MonitorEcho, 1, Patience));
    QTRY_VERIFY_WITH_TIMEOUT(onBus(DBusNames::SettingsService), Patience);
    QCOMPARE(ownerPid(DBusNames::SettingsService), settings.pid());

    // The first box has the focus when the window gets it; the Start button is the last stop of the tab chain,
    // so one step back reaches it whatever the fonts and the layout.
    const QString window = settingsWindowOf(settings.pid());
    QVERIFY(!window.isEmpty());
    QVERIFY(typeInto(window, {QStringLiteral("shift+Tab"), QStringLiteral("space")}));

    QTRY_VERIFY_WITH_TIMEOUT(onBus(DBusNames::AgentService), Patience);
    QCOMPARE(executableOwning(DBusNames::AgentService), installed(QStringLiteral("bin/Earlume")));
    QVERIFY(m_recorder->waitFor(Notifications::Ping, 1, Patience));

    m_recorder->post(Notifications::MonitorQuit);
    QVERIFY(m_recorder->waitFor(Notifications::Unping, 1, Patience));
    QTRY_VERIFY_WITH_TIMEOUT(!onBus(DBusNames::AgentService), Patience);

    QVERIFY(typeInto(window, {QStringLiteral("ctrl+w")}));
    QVERIFY(settings.finished());
    QVERIFY(settings.exitedCleanly());
}

void TestInstalledPrograms::installedSettingsWithoutItsAgentNamesTheMissingFile()
{
    QTemporaryDir prefix;
    const Result result = installInto(prefix.path());
    QVERIFY2(result.exitCode == 0, qPrintable(result.output));
    const QString agent = QDir(prefix.path()).filePath(QStringLiteral("bin/Earlume"));
    QVERIFY(QFile::remove(agent));

    QProcess settings;
    settings.start(QDir(prefix.path()).filePath(QStringLiteral("bin/Earlume_Settings")), {});
    QVERIFY(settings.waitForFinished(Patience));
    QCOMPARE(settings.exitStatus(), QProcess::NormalExit);
    QCOMPARE(settings.exitCode(), 1);
    const QString errors = QString::fromLocal8Bit(settings.readAllStandardError());
    QVERIFY2(errors.contains(agent), qPrintable(errors));
    QVERIFY(!onBus(DBusNames::SettingsService));
}

void TestInstalledPrograms::debianPackageInstallsRunsAndRemoves()
{
    if (::geteuid() != 0) {
        QSKIP("Installing the Debian package needs root");
    }
    const QString before = packageStatus();
    if (!before.isEmpty() && before != QStringLiteral("not-installed")) {
        QSKIP(qPrintable(QStringLiteral("The package %1 is already on this machine (dpkg status \"%2\"); "
                                        "the test leaves that installation alone")
                             .arg(PackageName, before)));
    }
    QVERIFY(haveTool(QStringLiteral("apt-get"), "apt"));
    QVERIFY(haveTool(QStringLiteral("dpkg-query"), "dpkg"));
    QVERIFY(haveTool(QStringLiteral("xdg-open"), "xdg-utils"));

    QTemporaryDir output;
    QVERIFY(output.isValid());
    const Result packed = run(QStringLiteral(CPACK_COMMAND),
                              {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"), output.path()},
                              buildDirectory());
    QVERIFY2(packed.exitCode == 0, qPrintable(packed.output));
    const QStringList debs = QDir(output.path()).entryList({QStringLiteral("*.deb")});
    QCOMPARE(debs.size(), 1);
    // apt reads local packages as its own unprivileged user.
    QFile::setPermissions(output.path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                              | QFile::ReadOther | QFile::ExeOther);
    const QString deb = QDir(output.path()).filePath(debs.first());

    PackageRemoval removal;
    removal.arm();
    // Only what it needs: the recommended Bluetooth service and portal are not for a test machine.
    const Result install =
        run(QStringLiteral("apt-get"),
            aptArguments(QStringLiteral("install"), deb) << QStringLiteral("--no-install-recommends"),
            QString(),
            aptEnvironment());
    QVERIFY2(install.exitCode == 0, qPrintable(install.output));
    QCOMPARE(packageStatus(), QStringLiteral("installed"));

    for (const QString &program : {QStringLiteral("/usr/bin/Earlume"), QStringLiteral("/usr/bin/Earlume_Settings")}) {
        QVERIFY2(QFileInfo(program).isExecutable(), qPrintable(program));
    }
    for (const QString &file : {QStringLiteral("/usr/share/applications/com.vostel.Earlume.desktop"),
                                QStringLiteral("/usr/share/applications/com.vostel.Earlume.Settings.desktop"),
                                QStringLiteral("/usr/share/metainfo/com.vostel.Earlume.metainfo.xml"),
                                QStringLiteral("/usr/share/icons/hicolor/scalable/apps/com.vostel.Earlume.svg"),
                                QStringLiteral("/usr/share/icons/hicolor/48x48/apps/com.vostel.Earlume.png"),
                                QStringLiteral("/usr/share/icons/hicolor/128x128/apps/com.vostel.Earlume.png"),
                                QStringLiteral("/usr/share/icons/hicolor/256x256/apps/com.vostel.Earlume.png")}) {
        QVERIFY2(QFileInfo(file).isFile(), qPrintable(file));
    }
    const Result listed = run(QStringLiteral("dpkg"), {QStringLiteral("--listfiles"), PackageName});
    QCOMPARE(listed.exitCode, 0);
    QStringList files;
    for (const QString &path : listed.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (!QFileInfo(path).isDir()) {
            files << path;
        }
    }
    QVERIFY2(files.contains(QStringLiteral("/usr/bin/Earlume")), qPrintable(listed.output));
    QVERIFY2(files.contains(QStringLiteral("/usr/bin/Earlume_Settings")), qPrintable(listed.output));

    {
        Started agent(QStringLiteral("/usr/bin/Earlume"), {});
        QVERIFY(agent.started());
        QVERIFY(m_recorder->waitFor(Notifications::Ping, 1, Patience));
        QTRY_VERIFY_WITH_TIMEOUT(onBus(DBusNames::AgentService), Patience);
        QCOMPARE(executableOwning(DBusNames::AgentService), QStringLiteral("/usr/bin/Earlume"));
        m_recorder->post(Notifications::MonitorQuit);
        QVERIFY(m_recorder->waitFor(Notifications::Unping, 1, Patience));
        QVERIFY(agent.finished());
        QVERIFY(agent.exitedCleanly());
    }

    // The package's entry is the scheme's handler for everyone, through the index its trigger rebuilt.
    const QString systemApplications = QStringLiteral("/usr/share/applications");
    QCOMPARE(indexedSchemeHandler(systemApplications), QStringLiteral("com.vostel.Earlume.Settings.desktop;"));
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("XDG_DATA_DIRS"));
        Started opener(QStringLiteral("xdg-open"), {SettingsURL}, environment);
        QVERIFY(opener.started());
        QTRY_VERIFY_WITH_TIMEOUT(onBus(DBusNames::SettingsService), Patience);
        QCOMPARE(executableOwning(DBusNames::SettingsService), QStringLiteral("/usr/bin/Earlume_Settings"));
        const QString window = settingsWindowOf(ownerPid(DBusNames::SettingsService));
        QVERIFY(!window.isEmpty());
        QVERIFY(typeInto(window, {QStringLiteral("ctrl+w")}));
        QVERIFY(opener.finished());
        QVERIFY(opener.exitedCleanly());
        QTRY_VERIFY_WITH_TIMEOUT(!onBus(DBusNames::SettingsService), Patience);
    }

    const Result removed = run(QStringLiteral("apt-get"),
                               aptArguments(QStringLiteral("remove"), PackageName),
                               QString(),
                               aptEnvironment());
    QVERIFY2(removed.exitCode == 0, qPrintable(removed.output));
    // The package keeps no configuration, so nothing is left for a purge; it must still succeed.
    const Result purged = run(QStringLiteral("dpkg"), {QStringLiteral("--purge"), PackageName});
    QVERIFY2(purged.exitCode == 0, qPrintable(purged.output));
    for (const QString &file : std::as_const(files)) {
        QVERIFY2(!QFileInfo::exists(file), qPrintable(file));
    }
    QVERIFY(indexedSchemeHandler(systemApplications).isEmpty());
    const Result status = run(QStringLiteral("dpkg"), {QStringLiteral("--status"), PackageName});
    QVERIFY(status.exitCode != 0);
    QVERIFY2(status.output.contains(QStringLiteral("not installed")), qPrintable(status.output));
}

QTEST_MAIN(TestInstalledPrograms)
#include "TestInstalledPrograms.moc"
