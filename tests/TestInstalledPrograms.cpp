// SPDX-License-Identifier: GPL-3.0-or-later
// Both programs as a user gets them, installed by `cmake --install` or from the Debian package (as root only):
// their files, desktop entries and AppStream data, and the settings program opened through its URL.
#include "DBusNames.h"
#include "Notifications.h"
#include "support/TestEnvironment.h"

#include <QDBusConnectionInterface>
#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace
{
constexpr int Patience = 20000;
const QString SettingsEntry = QStringLiteral("share/applications/com.vostel.Earlume.Settings.desktop");
const QStringList Installed{QStringLiteral("bin/Earlume"), QStringLiteral("bin/Earlume_Settings"), SettingsEntry,
                            QStringLiteral("share/applications/com.vostel.Earlume.desktop"),
                            QStringLiteral("share/metainfo/com.vostel.Earlume.metainfo.xml"),
                            QStringLiteral("share/icons/hicolor/scalable/apps/com.vostel.Earlume.svg")};

/// Runs @p command to its end: its exit code (-1 if it did not end normally) and its merged output.
std::pair<int, QString> run(const QString &command, const QString &directory = {})
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(directory);
    const QStringList arguments = QProcess::splitCommand(command);
    process.start(arguments.first(), arguments.mid(1));
    const bool ended = process.waitForFinished(300000) && process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1, QString::fromLocal8Bit(process.readAll())};
}

QString packageStatus()
{
    const auto [code, status] = run(QStringLiteral("dpkg-query -Wf${db:Status-Status} earlume"));
    return code == 0 ? status : QString();
}

qint64 ownerPid(const QString &service)
{
    return QDBusConnection::sessionBus().interface()->servicePid(service).value();
}

/// Gives the keyboard to the settings window of process @p pid, once it shows, and types @p keys.
bool typeIntoSettings(qint64 pid, const QString &keys)
{
    return run(QStringLiteral("xdotool search --sync --all --onlyvisible --pid %1 --name \"^Earlume Settings$\" "
                              "windowfocus --sync").arg(pid)).first == 0
        && run(QStringLiteral("xdotool key ") + keys).first == 0;
}
} // namespace

class TestInstalledPrograms : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void installedProgramsWork_data()
    {
        QTest::addColumn<bool>("package");
        QTest::newRow("cmake --install") << false;
        QTest::newRow("Debian package") << true;
    }
    void installedProgramsWork()
    {
        QFETCH(bool, package);
        QTemporaryDir dir;
        QString prefix = dir.path();
        const QString build = QFileInfo(qEnvironmentVariable("EARLUME_BIN_DIR")).absolutePath();
        std::pair<int, QString> result;
        if (!package) {
            result = run(QStringLiteral(CMAKE_COMMAND " --install %1 --prefix %2").arg(build, prefix));
            QVERIFY2(result.first == 0, qPrintable(result.second));
            // What a package's trigger does: index the handlers by type, as launchers expect.
            QCOMPARE(run(QStringLiteral("update-desktop-database %1/share/applications").arg(prefix)).first, 0);
            // A desktop session of this prefix: its data first, its programs on the PATH (entries name no paths).
            qputenv("XDG_DATA_DIRS", (prefix + QStringLiteral("/share:/usr/share")).toLocal8Bit());
            qputenv("PATH", (prefix + QStringLiteral("/bin:") + qEnvironmentVariable("PATH")).toLocal8Bit());
        } else {
            result = run(QStringLiteral(CPACK_COMMAND " -G DEB -B ") + prefix, build);
            QVERIFY2(result.first == 0, qPrintable(result.second));
            const QStringList debs = QDir(prefix).entryList({QStringLiteral("earlume_" EARLUME_PROJECT_VERSION "_*")});
            QCOMPARE(debs.size(), 1);
            if (::geteuid() != 0 || !QStringList{QString(), QStringLiteral("not-installed")}.contains(packageStatus())) {
                QSKIP("Installing the Debian package needs root and a machine without it");
            }
            // apt reads local packages as its own unprivileged user.
            QFile::setPermissions(prefix, QFile::permissions(prefix) | QFile::ReadOther | QFile::ExeOther);
            result = run(QStringLiteral("apt-get install -y -o DPkg::Lock::Timeout=120 --no-install-recommends %1/%2")
                             .arg(prefix, debs[0]));
            QVERIFY2(result.first == 0, qPrintable(result.second));
            prefix = QStringLiteral("/usr");
            qunsetenv("XDG_DATA_DIRS");
        }
        // Not left installed when the test fails half way.
        const auto purge = qScopeGuard([package] {
            if (package && packageStatus() == QStringLiteral("installed")) {
                run(QStringLiteral("apt-get purge -y earlume"));
            }
        });
        for (const QString &file : Installed) {
            const QString path = prefix + QLatin1Char('/') + file;
            QVERIFY2(QFileInfo(path).isFile(), qPrintable(path));
            if (file.endsWith(QLatin1String(".desktop"))) {
                result = run(QStringLiteral("desktop-file-validate ") + path);
                QVERIFY2(result.first == 0 && result.second.isEmpty(), qPrintable(result.second));
            } else if (file.endsWith(QLatin1String(".xml"))) {
                result = run(QStringLiteral("appstreamcli validate --no-net ") + path);
                QVERIFY2(result.first == 0, qPrintable(result.second));
            }
        }

        // xdg-open finds the URL's handler in the index, runs it in the foreground and ends with it.
        PostRecorder recorder;
        QProcess opener;
        opener.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        opener.start(QStringLiteral("xdg-open"), {SettingsURL});
        QVERIFY(recorder.waitFor(Notifications::MonitorEcho, 1, Patience));
        const qint64 settings = ownerPid(DBusNames::SettingsService);
        // The first box has the focus: its click is written to the program's standard output at once.
        QVERIFY(typeIntoSettings(settings, QStringLiteral("space")));
        QByteArray lines;
        QTRY_COMPARE_WITH_TIMEOUT(lines += opener.readAllStandardOutput(),
                                  QByteArray("false\nTurn Off\nSettings Changed\n"), Patience);
        // The Start button is the last stop of the tab chain; it starts the agent installed beside the program.
        QVERIFY(typeIntoSettings(settings, QStringLiteral("shift+Tab space")));
        QVERIFY(recorder.waitFor(Notifications::Ping, 1, Patience));
        QCOMPARE(QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(ownerPid(DBusNames::AgentService))),
                 prefix + QStringLiteral("/bin/Earlume"));
        QVERIFY(typeIntoSettings(settings, QStringLiteral("ctrl+w")));
        QVERIFY(opener.waitForFinished(Patience));
        QCOMPARE(opener.exitCode(), 0);
        // The agent is nobody's child: it still answers when the settings program has gone.
        recorder.post(Notifications::MonitorQuit);
        QVERIFY(recorder.waitFor(Notifications::Unping, 1, Patience));

        if (package) {
            QCOMPARE(run(QStringLiteral("apt-get remove -y earlume")).first, 0);
            // The package keeps no configuration, so nothing is left for a purge; it must still succeed.
            QCOMPARE(run(QStringLiteral("dpkg --purge earlume")).first, 0);
            QVERIFY2(!QFileInfo::exists(QStringLiteral("/usr/bin/Earlume")), qPrintable(packageStatus()));
        }
    }
};

QTEST_MAIN(TestInstalledPrograms)
#include "TestInstalledPrograms.moc"
