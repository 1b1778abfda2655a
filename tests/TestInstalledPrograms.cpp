// SPDX-License-Identifier: GPL-3.0-or-later
// Both programs as a user gets them: installed into a prefix with `cmake --install`, with their desktop entries and
// AppStream data, and opened through the settings URL; and from the Debian package, installed, run and removed.
#include "DBusNames.h"
#include "LoginServiceKit.h"
#include "Notifications.h"
#include "support/TestEnvironment.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
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
const QString SettingsEntry = QStringLiteral("com.vostel.Earlume.Settings.desktop");
// What an installation holds, relative to its prefix; the programs side by side, as the settings program looks
// for the agent in its own folder.
const QStringList InstalledFiles{QStringLiteral("bin/Earlume"),
                                 QStringLiteral("bin/Earlume_Settings"),
                                 QStringLiteral("share/applications/com.vostel.Earlume.desktop"),
                                 QStringLiteral("share/applications/com.vostel.Earlume.Settings.desktop"),
                                 QStringLiteral("share/metainfo/com.vostel.Earlume.metainfo.xml"),
                                 QStringLiteral("share/icons/hicolor/scalable/apps/com.vostel.Earlume.svg"),
                                 QStringLiteral("share/icons/hicolor/48x48/apps/com.vostel.Earlume.png"),
                                 QStringLiteral("share/icons/hicolor/128x128/apps/com.vostel.Earlume.png"),
                                 QStringLiteral("share/icons/hicolor/256x256/apps/com.vostel.Earlume.png")};

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

/// The folder the programs were built in: the one above their bin folder.
QString buildDirectory()
{
    return QFileInfo(QString::fromLocal8Bit(qgetenv("EARLUME_BIN_DIR"))).absolutePath();
}

/// The first file of InstalledFiles that @p prefix lacks (or holds as a program that cannot run), else empty.
QString missingFile(const QString &prefix)
{
    for (const QString &file : InstalledFiles) {
        const QFileInfo info(prefix + QLatin1Char('/') + file);
        if (!info.isFile() || (file.startsWith(QLatin1String("bin/")) && !info.isExecutable())) {
            return file;
        }
    }
    return {};
}

/// The main group's value of @p key in a desktop entry file.
QString desktopValue(const QString &file, const QString &key)
{
    QFile entry(file);
    if (!entry.open(QIODevice::ReadOnly)) {
        return {};
    }
    for (const QString &line : QString::fromUtf8(entry.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(key + QLatin1Char('='))) {
            return line.mid(key.size() + 1);
        }
    }
    return {};
}

/// The handler of the settings URL's scheme in the index of a folder of desktop entries, or empty.
QString indexedSchemeHandler(const QString &applications)
{
    return desktopValue(applications + QStringLiteral("/mimeinfo.cache"),
                        QStringLiteral("x-scheme-handler/") + QUrl(SettingsURL).scheme());
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

/// Gives the settings window of the process @p pid the keyboard, once it shows, and types @p keys into it, as a
/// user at the keyboard would.
bool typeIntoSettings(qint64 pid, const QStringList &keys)
{
    QProcess focus;
    focus.setProcessChannelMode(QProcess::ForwardedChannels);
    focus.start(QStringLiteral("xdotool"),
                {QStringLiteral("search"),
                 QStringLiteral("--sync"),
                 QStringLiteral("--all"),
                 QStringLiteral("--onlyvisible"),
                 QStringLiteral("--pid"),
                 QString::number(pid),
                 QStringLiteral("--name"),
                 QStringLiteral("^Earlume Settings$"),
                 QStringLiteral("windowfocus"),
                 QStringLiteral("--sync")});
    return focus.waitForFinished(Patience) && focus.exitCode() == 0
        && run(QStringLiteral("xdotool"), QStringList{QStringLiteral("key")} + keys).exitCode == 0;
}

/// dpkg's view of the package: "installed", "config-files", "not-installed", or empty if it never heard of it.
QString packageStatus()
{
    const Result status =
        run(QStringLiteral("dpkg-query"),
            {QStringLiteral("--show"), QStringLiteral("--showformat=${db:Status-Status}"), PackageName});
    return status.exitCode == 0 ? status.output.trimmed() : QString();
}

/// Runs apt-get noninteractively, waiting for the package database if someone else holds it.
Result aptGet(const QString &command, const QString &what, const QStringList &options = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DEBIAN_FRONTEND"), QStringLiteral("noninteractive"));
    return run(QStringLiteral("apt-get"),
               QStringList{command, QStringLiteral("-y"), QStringLiteral("-o"),
                           QStringLiteral("DPkg::Lock::Timeout=120")} + options + QStringList{what},
               QString(),
               environment);
}
} // namespace

class TestInstalledPrograms : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void desktopEntriesValidateAndStartTheirPrograms_data();
    void desktopEntriesValidateAndStartTheirPrograms();
    void metainfoValidatesAndDescribesThisRelease();
    void settingsUrlStartsTheInstalledSettingsWhichStartsTheInstalledAgent();
    void debianPackageInstallsRunsAndRemoves();

private:
    QString installed(const QString &relative) const { return QDir(m_prefix.path()).filePath(relative); }
    void openSettingsAndStartTheAgent(const QString &bin, const QProcessEnvironment &environment);

    QTemporaryDir m_prefix;
    std::unique_ptr<PostRecorder> m_recorder;
};

void TestInstalledPrograms::initTestCase()
{
    for (const auto &[tool, package] : {std::pair{"xdotool", "xdotool"},
                                        {"xdg-open", "xdg-utils"},
                                        {"update-desktop-database", "desktop-file-utils"},
                                        {"desktop-file-validate", "desktop-file-utils"},
                                        {"appstreamcli", "appstream"},
                                        {"dpkg-deb", "dpkg"}}) {
        QVERIFY2(!QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty(),
                 qPrintable(QStringLiteral("%1 is missing: install the Debian package %2")
                                .arg(QLatin1String(tool), QLatin1String(package))));
    }
    QVERIFY(m_prefix.isValid());
    const Result result =
        run(QStringLiteral(CMAKE_COMMAND),
            {QStringLiteral("--install"), buildDirectory(), QStringLiteral("--prefix"), m_prefix.path()});
    QVERIFY2(result.exitCode == 0, qPrintable(result.output));
    const QString missing = missingFile(m_prefix.path());
    QVERIFY2(missing.isEmpty(), qPrintable(missing));
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
    // Whatever still owns one of our names (the detached agent, a settings program xdg-open started) is ended,
    // so the next test starts without either.
    for (const QString &service : {DBusNames::SettingsService, DBusNames::AgentService}) {
        if (const qint64 pid = ownerPid(service); pid > 0) {
            ::kill(pid_t(pid), SIGTERM);
            QTRY_VERIFY_WITH_TIMEOUT(!onBus(service), Patience);
        }
    }
    m_recorder.reset();
}

void TestInstalledPrograms::desktopEntriesValidateAndStartTheirPrograms_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("program");
    QTest::newRow("agent") << QStringLiteral("com.vostel.Earlume.desktop") << QStringLiteral("Earlume");
    QTest::newRow("settings") << SettingsEntry << QStringLiteral("Earlume_Settings");
}

void TestInstalledPrograms::desktopEntriesValidateAndStartTheirPrograms()
{
    QFETCH(QString, entry);
    QFETCH(QString, program);
    const QString file = installed(QStringLiteral("share/applications/") + entry);
    const Result validated = run(QStringLiteral("desktop-file-validate"), {file});
    QVERIFY2(validated.exitCode == 0 && validated.output.trimmed().isEmpty(), qPrintable(validated.output));
    const QStringList exec = LoginServiceKit::splitExec(desktopValue(file, QStringLiteral("Exec")));
    QCOMPARE(exec.value(0), program);
    QCOMPARE(desktopValue(file, QStringLiteral("TryExec")), program);
    QCOMPARE(desktopValue(file, QStringLiteral("Icon")), QStringLiteral("com.vostel.Earlume"));
    // Window and entry belong together: Qt names the window class after the program.
    QCOMPARE(desktopValue(file, QStringLiteral("StartupWMClass")), program);
    // The URL's handler is handed the URL (and ignores it), as launchers expect of a handler.
    QCOMPARE(exec.contains(QStringLiteral("%u")), entry == SettingsEntry);
}

void TestInstalledPrograms::metainfoValidatesAndDescribesThisRelease()
{
    const QString metainfo = installed(QStringLiteral("share/metainfo/com.vostel.Earlume.metainfo.xml"));
    const Result validated =
        run(QStringLiteral("appstreamcli"), {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo});
    QVERIFY2(validated.exitCode == 0, qPrintable(validated.output));
    QFile file(metainfo);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString xml = QString::fromUtf8(file.readAll());
    QVERIFY(xml.contains(QLatin1String("<id>com.vostel.Earlume</id>")));
    // The newest release comes first.
    QCOMPARE(QRegularExpression(QStringLiteral("<release [^>]*version=\"([^\"]*)\"")).match(xml).captured(1),
             QStringLiteral(EARLUME_PROJECT_VERSION));
    for (const QString &entry : {QStringLiteral("com.vostel.Earlume.desktop"), SettingsEntry}) {
        QVERIFY2(xml.contains(QStringLiteral("<launchable type=\"desktop-id\">%1</launchable>").arg(entry)),
                 qPrintable(entry));
    }
}

/// Opens the settings URL, starts the agent with the settings window's Start button, checks that both are the
/// programs in @p bin, and ends both again.
void TestInstalledPrograms::openSettingsAndStartTheAgent(const QString &bin, const QProcessEnvironment &environment)
{
    // xdg-open runs the handler in the foreground and ends with it.
    QProcess opener;
    opener.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    opener.setProcessEnvironment(environment);
    opener.start(QStringLiteral("xdg-open"), {SettingsURL});
    QTRY_VERIFY_WITH_TIMEOUT(onBus(DBusNames::SettingsService), Patience);
    QCOMPARE(executableOwning(DBusNames::SettingsService), bin + QStringLiteral("/Earlume_Settings"));
    QVERIFY(m_recorder->waitFor(Notifications::MonitorEcho, 1, Patience));

    // The first box has the focus when the window gets it; the Start button is the last stop of the tab chain,
    // so one step back reaches it whatever the fonts and the layout.
    const qint64 settings = ownerPid(DBusNames::SettingsService);
    QVERIFY(typeIntoSettings(settings, {QStringLiteral("shift+Tab"), QStringLiteral("space")}));
    QTRY_VERIFY_WITH_TIMEOUT(onBus(DBusNames::AgentService), Patience);
    QCOMPARE(executableOwning(DBusNames::AgentService), bin + QStringLiteral("/Earlume"));
    QVERIFY(m_recorder->waitFor(Notifications::Ping, 1, Patience));

    QVERIFY(typeIntoSettings(settings, {QStringLiteral("ctrl+w")}));
    QVERIFY(opener.waitForFinished(Patience));
    QCOMPARE(opener.exitStatus(), QProcess::NormalExit);
    QCOMPARE(opener.exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!onBus(DBusNames::SettingsService), Patience);
    // The agent is nobody's child: it still answers when the settings program has gone.
    m_recorder->post(Notifications::MonitorEcho);
    QVERIFY(m_recorder->waitFor(Notifications::Ping, 2, Patience));
    m_recorder->post(Notifications::MonitorQuit);
    QVERIFY(m_recorder->waitFor(Notifications::Unping, 1, Patience));
    QTRY_VERIFY_WITH_TIMEOUT(!onBus(DBusNames::AgentService), Patience);
}

void TestInstalledPrograms::settingsUrlStartsTheInstalledSettingsWhichStartsTheInstalledAgent()
{
    // What a package manager's trigger does after installing an entry: index the handlers by type. GIO and KDE
    // launchers read only this index; xdg-open reads it first.
    const QString applications = installed(QStringLiteral("share/applications"));
    const Result indexed = run(QStringLiteral("update-desktop-database"), {applications});
    QVERIFY2(indexed.exitCode == 0, qPrintable(indexed.output));
    QCOMPARE(indexedSchemeHandler(applications), SettingsEntry + QLatin1Char(';'));

    // A desktop session of this prefix: its data folder first, its programs on the PATH (the entries name the
    // programs, not their paths). No desktop is detected in the private environment, so xdg-open looks the
    // scheme's handler up itself and runs the first word of its Exec from the PATH.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_DIRS"),
                       installed(QStringLiteral("share")) + QStringLiteral(":/usr/share"));
    environment.insert(QStringLiteral("PATH"),
                       installed(QStringLiteral("bin")) + QLatin1Char(':') + environment.value(QStringLiteral("PATH")));
    openSettingsAndStartTheAgent(installed(QStringLiteral("bin")), environment);
}

void TestInstalledPrograms::debianPackageInstallsRunsAndRemoves()
{
    QTemporaryDir output;
    const Result packed = run(QStringLiteral(CPACK_COMMAND),
                              {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"), output.path()},
                              buildDirectory());
    QVERIFY2(packed.exitCode == 0, qPrintable(packed.output));
    const QStringList debs = QDir(output.path()).entryList({QStringLiteral("*.deb")});
    QCOMPARE(debs.size(), 1);
    QVERIFY2(debs.first().startsWith(QStringLiteral("earlume_" EARLUME_PROJECT_VERSION "_")), qPrintable(debs.first()));
    const QString deb = QDir(output.path()).filePath(debs.first());
    // A machine without Qt gets the libraries only if the package names them.
    const Result depends = run(QStringLiteral("dpkg-deb"), {QStringLiteral("--field"), deb, QStringLiteral("Depends")});
    for (const char *library :
         {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6dbus6", "libqt6network6", "libqt6svg6"}) {
        QVERIFY2(depends.output.contains(QLatin1String(library)), qPrintable(depends.output));
    }

    if (::geteuid() != 0) {
        QSKIP("Installing the Debian package needs root");
    }
    const QString before = packageStatus();
    if (!before.isEmpty() && before != QStringLiteral("not-installed")) {
        QSKIP(qPrintable(QStringLiteral("The package %1 is already on this machine (dpkg status \"%2\"); "
                                        "the test leaves that installation alone")
                             .arg(PackageName, before)));
    }
    // apt reads local packages as its own unprivileged user.
    QFile::setPermissions(output.path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                              | QFile::ReadOther | QFile::ExeOther);
    // Purged again, also when the test fails half way.
    const auto purge = qScopeGuard([] {
        if (packageStatus() != QStringLiteral("not-installed") && !packageStatus().isEmpty()) {
            aptGet(QStringLiteral("purge"), PackageName);
        }
    });
    // Only what it needs: the recommended Bluetooth service and portal are not for a test machine.
    const Result install = aptGet(QStringLiteral("install"), deb, {QStringLiteral("--no-install-recommends")});
    QVERIFY2(install.exitCode == 0, qPrintable(install.output));
    QCOMPARE(packageStatus(), QStringLiteral("installed"));
    const QString missing = missingFile(QStringLiteral("/usr"));
    QVERIFY2(missing.isEmpty(), qPrintable(missing));

    // The package's entry is the scheme's handler for everyone, through the index its trigger rebuilt.
    QCOMPARE(indexedSchemeHandler(QStringLiteral("/usr/share/applications")), SettingsEntry + QLatin1Char(';'));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_DATA_DIRS"));
    openSettingsAndStartTheAgent(QStringLiteral("/usr/bin"), environment);
    if (QTest::currentTestFailed()) {
        return;
    }

    const Result removed = aptGet(QStringLiteral("remove"), PackageName);
    QVERIFY2(removed.exitCode == 0, qPrintable(removed.output));
    // The package keeps no configuration, so nothing is left for a purge; it must still succeed.
    const Result purged = run(QStringLiteral("dpkg"), {QStringLiteral("--purge"), PackageName});
    QVERIFY2(purged.exitCode == 0, qPrintable(purged.output));
    for (const QString &file : InstalledFiles) {
        QVERIFY2(!QFileInfo::exists(QStringLiteral("/usr/") + file), qPrintable(file));
    }
    QVERIFY(indexedSchemeHandler(QStringLiteral("/usr/share/applications")).isEmpty());
    const QString after = packageStatus();
    QVERIFY2(after.isEmpty() || after == QStringLiteral("not-installed"), qPrintable(after));
}

QTEST_MAIN(TestInstalledPrograms)
#include "TestInstalledPrograms.moc"
