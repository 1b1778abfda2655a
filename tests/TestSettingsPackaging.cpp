// SPDX-License-Identifier: GPL-3.0-or-later
// What gets installed: the desktop entries, the AppStream data, the install tree and the Debian package.
#include "LoginServiceKit.h"
#include "Notifications.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QXmlStreamReader>

namespace
{
QString sourceFile(const QString &relative)
{
    return QString::fromLocal8Bit(qgetenv("EARLUME_SOURCE_DIR")) + QLatin1Char('/') + relative;
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

struct Result {
    int exitCode = -1;
    QString output;
};

Result run(const QString &program, const QStringList &arguments, const QString &workingDirectory = QString())
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    if (!process.waitForFinished(240000) || process.exitStatus() != QProcess::NormalExit) {
        return {-1, QString::fromLocal8Bit(process.readAll())};
    }
    return {process.exitCode(), QString::fromLocal8Bit(process.readAll())};
}

QString tool(const QString &name, const char *package)
{
    const QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty()) {
        qWarning("%s is missing: install the Debian package %s", qPrintable(name), package);
    }
    return path;
}
} // namespace

class TestSettingsPackaging : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void desktopEntriesValidate_data();
    void desktopEntriesValidate();
    void desktopEntriesStartTheirPrograms_data();
    void desktopEntriesStartTheirPrograms();
    void settingsEntryClaimsTheSettingsScheme();
    void metainfoValidates();
    void metainfoDescribesThisRelease();
    void installPutsBothProgramsSideBySide();
    void debianPackageDeclaresItsDependencies();
};

void TestSettingsPackaging::desktopEntriesValidate_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("agent") << sourceFile(QStringLiteral("data/com.vostel.Earlume.desktop"));
    QTest::newRow("settings") << sourceFile(QStringLiteral("data/com.vostel.Earlume.Settings.desktop"));
}

void TestSettingsPackaging::desktopEntriesValidate()
{
    QFETCH(QString, file);
    const QString validator = tool(QStringLiteral("desktop-file-validate"), "desktop-file-utils");
    QVERIFY(!validator.isEmpty());
    const Result result = run(validator, {file});
    QVERIFY2(result.exitCode == 0 && result.output.trimmed().isEmpty(), qPrintable(result.output));
}

void TestSettingsPackaging::desktopEntriesStartTheirPrograms_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("program");
    QTest::newRow("agent") << sourceFile(QStringLiteral("data/com.vostel.Earlume.desktop"))
                           << QStringLiteral("Earlume");
    QTest::newRow("settings") << sourceFile(QStringLiteral("data/com.vostel.Earlume.Settings.desktop"))
                              << QStringLiteral("Earlume_Settings");
}

void TestSettingsPackaging::desktopEntriesStartTheirPrograms()
{
    QFETCH(QString, file);
    QFETCH(QString, program);
    QCOMPARE(LoginServiceKit::splitExec(desktopValue(file, QStringLiteral("Exec"))).value(0), program);
    QCOMPARE(desktopValue(file, QStringLiteral("TryExec")), program);
    QCOMPARE(desktopValue(file, QStringLiteral("Icon")), QStringLiteral("com.vostel.Earlume"));
    // Window and entry belong together: Qt names the window class after the program.
    QCOMPARE(desktopValue(file, QStringLiteral("StartupWMClass")), program);
}

void TestSettingsPackaging::settingsEntryClaimsTheSettingsScheme()
{
    const QString file = sourceFile(QStringLiteral("data/com.vostel.Earlume.Settings.desktop"));
    const QString scheme = QUrl(SettingsURL).scheme();
    QCOMPARE(scheme, QStringLiteral("x-com-vostel-earlume-settings"));
    const QStringList types =
        desktopValue(file, QStringLiteral("MimeType")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QVERIFY(types.contains(QStringLiteral("x-scheme-handler/") + scheme));
    // The program is handed the URL (and ignores it), as launchers expect of a handler.
    QVERIFY(LoginServiceKit::splitExec(desktopValue(file, QStringLiteral("Exec"))).contains(QStringLiteral("%u")));
    // The agent's entry claims nothing.
    QVERIFY(desktopValue(sourceFile(QStringLiteral("data/com.vostel.Earlume.desktop")), QStringLiteral("MimeType"))
                .isEmpty());
}

void TestSettingsPackaging::metainfoValidates()
{
    const QString appstream = tool(QStringLiteral("appstreamcli"), "appstream");
    QVERIFY(!appstream.isEmpty());
    const Result result = run(appstream,
                              {QStringLiteral("validate"),
                               QStringLiteral("--no-net"),
                               sourceFile(QStringLiteral("data/com.vostel.Earlume.metainfo.xml"))});
    QVERIFY2(result.exitCode == 0, qPrintable(result.output));
}

void TestSettingsPackaging::metainfoDescribesThisRelease()
{
    QFile file(sourceFile(QStringLiteral("data/com.vostel.Earlume.metainfo.xml")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QStringList releases;
    QStringList launchables;
    QString id;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (xml.name() == QLatin1String("release")) {
            releases.append(xml.attributes().value(QLatin1String("version")).toString());
        } else if (xml.name() == QLatin1String("launchable")) {
            launchables.append(xml.readElementText());
        } else if (xml.name() == QLatin1String("id")) {
            id = xml.readElementText();
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(id, QStringLiteral("com.vostel.Earlume"));
    QCOMPARE(releases.value(0), QStringLiteral(EARLUME_PROJECT_VERSION));
    QCOMPARE(launchables,
             (QStringList{QStringLiteral("com.vostel.Earlume.desktop"),
                          QStringLiteral("com.vostel.Earlume.Settings.desktop")}));
}

void TestSettingsPackaging::installPutsBothProgramsSideBySide()
{
    QTemporaryDir prefix;
    const Result result = run(
        QStringLiteral(CMAKE_COMMAND),
        {QStringLiteral("--install"), QStringLiteral(EARLUME_BUILD_DIR), QStringLiteral("--prefix"), prefix.path()});
    QVERIFY2(result.exitCode == 0, qPrintable(result.output));
    const QDir root(prefix.path());
    // The settings program finds the agent in its own folder.
    for (const QString &file : {QStringLiteral("bin/Earlume"),
                                QStringLiteral("bin/Earlume_Settings"),
                                QStringLiteral("share/applications/com.vostel.Earlume.desktop"),
                                QStringLiteral("share/applications/com.vostel.Earlume.Settings.desktop"),
                                QStringLiteral("share/metainfo/com.vostel.Earlume.metainfo.xml"),
                                QStringLiteral("share/icons/hicolor/scalable/apps/com.vostel.Earlume.svg"),
                                QStringLiteral("share/icons/hicolor/48x48/apps/com.vostel.Earlume.png"),
                                QStringLiteral("share/icons/hicolor/128x128/apps/com.vostel.Earlume.png"),
                                QStringLiteral("share/icons/hicolor/256x256/apps/com.vostel.Earlume.png")}) {
        QVERIFY2(QFileInfo(root.filePath(file)).isFile(), qPrintable(file));
    }
    QVERIFY(QFileInfo(root.filePath(QStringLiteral("bin/Earlume"))).isExecutable());
    QVERIFY(QFileInfo(root.filePath(QStringLiteral("bin/Earlume_Settings"))).isExecutable());
}

void TestSettingsPackaging::debianPackageDeclaresItsDependencies()
{
    const QString dpkgDeb = tool(QStringLiteral("dpkg-deb"), "dpkg");
    QVERIFY(!dpkgDeb.isEmpty());
    QTemporaryDir output;
    const Result packed = run(QStringLiteral(CPACK_COMMAND),
                              {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"), output.path()},
                              QStringLiteral(EARLUME_BUILD_DIR));
    QVERIFY2(packed.exitCode == 0, qPrintable(packed.output));
    const QStringList debs = QDir(output.path()).entryList({QStringLiteral("*.deb")});
    QCOMPARE(debs.size(), 1);
    QVERIFY2(debs.first().startsWith(QStringLiteral("earlume_" EARLUME_PROJECT_VERSION "_")), qPrintable(debs.first()));
    const QString deb = QDir(output.path()).filePath(debs.first());

    const Result depends = run(dpkgDeb, {QStringLiteral("--field"), deb, QStringLiteral("Depends")});
    QCOMPARE(depends.exitCode, 0);
    for (const QString &library : {QStringLiteral("libqt6core6"),
                                   QStringLiteral("libqt6gui6"),
                                   QStringLiteral("libqt6widgets6"),
                                   QStringLiteral("libqt6dbus6"),
                                   QStringLiteral("libqt6network6"),
                                   QStringLiteral("libqt6svg6")}) {
        QVERIFY2(depends.output.contains(library), qPrintable(depends.output));
    }
    const Result contents = run(dpkgDeb, {QStringLiteral("--contents"), deb});
    QCOMPARE(contents.exitCode, 0);
    for (const QString &file : {QStringLiteral("./usr/bin/Earlume\n"),
                                QStringLiteral("./usr/bin/Earlume_Settings\n"),
                                QStringLiteral("./usr/share/applications/com.vostel.Earlume.Settings.desktop\n"),
                                QStringLiteral("./usr/share/metainfo/com.vostel.Earlume.metainfo.xml\n")}) {
        QVERIFY2(contents.output.contains(file), qPrintable(contents.output));
    }
}

QTEST_GUILESS_MAIN(TestSettingsPackaging)
#include "TestSettingsPackaging.moc"
