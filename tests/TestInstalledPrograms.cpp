// SPDX-License-Identifier: GPL-3.0-or-later
// Both programs as a user gets them, installed by `cmake --install` or from the Debian package (as root only).
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
const QStringList Installed{QStringLiteral("bin/Earlume"), QStringLiteral("bin/Earlume_Settings"), QStringLiteral("bin/earlume-status"),
                            QStringLiteral("libexec/earlume/earlume-update-check"),
                            QStringLiteral("share/applications/com.vostel.Earlume.desktop"),
                            QStringLiteral("share/applications/com.vostel.Earlume.Settings.desktop"),
                            QStringLiteral("share/metainfo/com.vostel.Earlume.metainfo.xml"),
                            QStringLiteral("share/icons/hicolor/scalable/status/earlume-connected-symbolic.svg"),
                            QStringLiteral("share/icons/hicolor/scalable/status/earlume-disconnected-symbolic.svg")};

/// Runs @p command to its end: whether it succeeded (and, if @p quiet, wrote nothing); if not, says what it wrote.
bool run(const QString &command, bool quiet = false)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    const QStringList arguments = QProcess::splitCommand(command);
    process.start(arguments.first(), arguments.mid(1));
    const bool ended = process.waitForFinished(300000) && process.exitStatus() == QProcess::NormalExit;
    const QByteArray output = process.readAll();
    const bool ok = ended && process.exitCode() == 0 && (!quiet || output.isEmpty());
    if (!ok) {
        qWarning().noquote() << command << "failed:" << output;
    }
    return ok;
}

bool packageInstalled()
{
    return QFileInfo::exists(QStringLiteral("/var/lib/dpkg/info/earlume.list"));
}

/// Gives the keyboard to the settings window, once it shows, and types @p keys.
bool typeIntoSettings(const QString &keys)
{
    return run(QStringLiteral("xdotool search --sync --onlyvisible --name \"^Earlume Settings$\" windowfocus --sync"))
        && run(QStringLiteral("xdotool key ") + keys);
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
        if (!package) {
            QVERIFY(run(QStringLiteral(CMAKE_COMMAND " --install %1 --prefix %2").arg(build, prefix)));
            // What a package's trigger does: index the handlers by type, for xdg-open and the launchers.
            QVERIFY(run(QStringLiteral("update-desktop-database %1/share/applications").arg(prefix)));
            // A desktop session of this prefix: its data first, its programs on the PATH (entries name no paths).
            qputenv("XDG_DATA_DIRS", (prefix + QStringLiteral("/share:/usr/share")).toLocal8Bit());
            qputenv("PATH", (prefix + QStringLiteral("/bin:") + qEnvironmentVariable("PATH")).toLocal8Bit());
        } else {
            QVERIFY(run(QStringLiteral(CPACK_COMMAND " --config %1/CPackConfig.cmake -G DEB -B %2")
                            .arg(build, prefix)));
            const QStringList debs = QDir(prefix).entryList({QStringLiteral("earlume_" EARLUME_PROJECT_VERSION "_*")});
            QCOMPARE(debs.size(), 1);
            if (::geteuid() != 0 || packageInstalled()) {
                QSKIP("Installing the Debian package needs root and a machine without it");
            }
            // apt reads local packages as its own unprivileged user.
            QFile::setPermissions(prefix, QFile::permissions(prefix) | QFile::ReadOther | QFile::ExeOther);
            QVERIFY(run(QStringLiteral("apt-get install -y -o DPkg::Lock::Timeout=120 --no-install-recommends %1/%2")
                            .arg(prefix, debs[0])));
            prefix = QStringLiteral("/usr");
            qunsetenv("XDG_DATA_DIRS");
        }
        // Not left installed when the test fails half way.
        const auto purge = qScopeGuard([package] {
            if (package && packageInstalled()) {
                run(QStringLiteral("apt-get purge -y earlume"));
            }
        });
        for (const QString &file : Installed) {
            const QString check = file.endsWith(QLatin1String(".desktop")) ? QStringLiteral("desktop-file-validate ")
                : file.endsWith(QLatin1String(".xml")) ? QStringLiteral("appstreamcli validate --no-net ")
                // The symbolic icons: image loaders look for "<svg" in the first 256 bytes; recolouring reaches fills only.
                : file.endsWith(QLatin1String(".svg"))
                ? QStringLiteral("sh -c \"head -c 256 $0 | grep -q '<svg ' && ! grep -q stroke $0\" ")
                                                       : QStringLiteral("test -x ");
            QVERIFY(run(check + prefix + QLatin1Char('/') + file, check.startsWith(u'd')));
        }
        // xdg-open finds the URL's handler in the index, runs it in the foreground and ends with it.
        PostRecorder recorder;
        QProcess opener;
        opener.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        opener.start(QStringLiteral("xdg-open"), {SettingsURL});
        QVERIFY(recorder.waitFor(Notifications::MonitorEcho, 1, Patience));
        // The first box has the focus, and the Start button is the last stop of the tab chain: it starts the agent
        // installed beside the program.
        QVERIFY(typeIntoSettings(QStringLiteral("shift+Tab space")));
        QVERIFY(recorder.waitFor(Notifications::Ping, 1, Patience));
        const uint agent = QDBusConnection::sessionBus().interface()->servicePid(DBusNames::AgentService);
        QCOMPARE(QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(agent)),
                 prefix + QStringLiteral("/bin/Earlume"));
        QVERIFY(typeIntoSettings(QStringLiteral("ctrl+w")));
        QVERIFY(opener.waitForFinished(Patience) && opener.exitCode() == 0);
        // The agent is nobody's child: it still answers when the settings program has gone.
        recorder.post(Notifications::MonitorQuit);
        QVERIFY(recorder.waitFor(Notifications::Unping, 1, Patience));

        if (package) {
            QVERIFY(run(QStringLiteral("apt-get remove -y earlume")));
            // The package keeps no configuration, so nothing is left for a purge; it must still succeed.
            QVERIFY(run(QStringLiteral("dpkg --purge earlume")));
            QVERIFY(!packageInstalled() && !QFileInfo::exists(QStringLiteral("/usr/bin/Earlume")));
        }
    }
};

QTEST_MAIN(TestInstalledPrograms)
#include "TestInstalledPrograms.moc"
