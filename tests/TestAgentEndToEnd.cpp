// SPDX-License-Identifier: GPL-3.0-or-later
// The real agent in a private desktop, seen from outside: what it posts and writes, its tray icon and its heads-up
// windows as AirPods come and go on the simulated BlueZ, where else their levels go (notices, BlueZ's battery provider,
// earlume-status), and a desktop with neither tray nor BlueZ (the last test).
#include "DBusNames.h"
#include "Notifications.h"
#include "aap/AapKeyStore.h"
#include "aap/ResolvablePrivateAddress.h"
#include "support/TestEnvironment.h"

#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QDBusMetaType>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <array>
#include <csignal>
#include <memory>

class TestAgentEndToEnd : public QObject
{
    Q_OBJECT

    std::unique_ptr<PostRecorder> m_recorder;
    std::unique_ptr<ProgramUnderTest> m_agent;
    QString m_pods;

    // A call on the tray item (or the menu it exports) as the tray host makes it: gdbus's printed answer.
    static QString trayCall(const QString &path, const QString &method, const QStringList &arguments)
    {
        QProcess gdbus;
        gdbus.start(QStringLiteral("gdbus"),
                    QStringList{QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                                TestEnvironment::trayItems().value(0).section(u'/', 0, 0),
                                QStringLiteral("--object-path"), path, QStringLiteral("--method"), method}
                        + arguments);
        gdbus.waitForFinished();
        return QString::fromUtf8(gdbus.readAllStandardOutput());
    }
    static QString trayProperty(const QString &name)
    {
        return trayCall(DBusNames::StatusNotifierItemPath, QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                        {DBusNames::StatusNotifierItemInterface, name});
    }
    static QString trayIcon() { return trayProperty(QStringLiteral("IconPixmap")); } ///< its pixels
    static QByteArray gdbusOutput(const QStringList &arguments) ///< of `gdbus call --session ARGUMENTS`
    {
        QProcess gdbus;
        gdbus.start(QStringLiteral("gdbus"), QStringList{QStringLiteral("call"), QStringLiteral("--session")} + arguments);
        gdbus.waitForFinished();
        return gdbus.readAllStandardOutput();
    }

    // The accessory protocol's battery report of the pair: left, right and case, none charging.
    void setLevels(int left, int right, int caseLevel)
    {
        QByteArray report = QByteArray::fromHex("040002020002080002");
        report[1] = char(left);
        report[4] = char(right);
        report[7] = char(caseLevel);
        BluezMock::call(QStringLiteral("SetAapBattery"), {m_pods, report});
    }
    static QByteArray statusOutput(const QStringList &arguments)
    {
        QProcess program;
        program.start(TestEnvironment::executable(QStringLiteral("earlume-status")), arguments);
        program.waitForFinished();
        return program.readAllStandardOutput();
    }
    static QJsonObject status() { return QJsonDocument::fromJson(statusOutput({QStringLiteral("--once")})).object(); }
    // The calls of @p method the notification daemon received, as gdbus prints them.
    static QString notificationCalls(const QString &method)
    {
        return QString::fromUtf8(gdbusOutput({QStringLiteral("--dest"), DBusNames::NotificationsService,
                                              QStringLiteral("--object-path"), DBusNames::NotificationsPath,
                                              QStringLiteral("--method"),
                                              QStringLiteral("org.freedesktop.DBus.Mock.GetMethodCalls"), method}));
    }
    // "<replaces_id> <summary> <urgency>" of each notice the notification daemon received, all else checked.
    static QStringList notices()
    {
        static const QRegularExpression notice(QStringLiteral(
            R"(\[<'Earlume'>, <uint32 (\d+)>, <'com.vostel.Earlume'>, <'([^']*)'>, <'Pods: [^']*'>, <@as \[\]>, )"
            R"(<\{'category': <'device'>, 'desktop-entry': <'com.vostel.Earlume'>, 'urgency': <byte 0x0(\d)>\}>, <-1>\])"));
        QStringList found;
        for (const QRegularExpressionMatch &match : notice.globalMatch(notificationCalls(QStringLiteral("Notify")))) {
            found.append(match.captured(1) + u' ' + match.captured(2) + u' ' + match.captured(3));
        }
        return found;
    }
    // Our battery provider's objects, as BlueZ reads them, for the agent that registered last.
    static QString providedBatteries()
    {
        const QStringList providers = BluezMock::call(QStringLiteral("GetBatteryProviders")).arguments().value(0).toStringList();
        QProcess gdbus;
        gdbus.start(QStringLiteral("gdbus"), {QStringLiteral("call"), QStringLiteral("--system"), QStringLiteral("--dest"),
                                              providers.value(providers.size() - 1).section(u' ', 0, 0),
                                              QStringLiteral("--object-path"), providers.value(providers.size() - 1).section(u' ', 1),
                                              QStringLiteral("--method"),
                                              QStringLiteral("org.freedesktop.DBus.ObjectManager.GetManagedObjects")});
        gdbus.waitForFinished();
        return QString::fromUtf8(gdbus.readAllStandardOutput()).trimmed();
    }

private Q_SLOTS:
    void initTestCase()
    {
        BluezMock::addAdapter();
        m_pods = BluezMock::addDevice(QStringLiteral("AA:00:00:00:00:01"), QStringLiteral("Pods"),
                                      BluezMock::AirpodsClass, true, false);
    }

    void init()
    {
        BluezMock::setConnected(m_pods, false);
        BluezMock::call(QStringLiteral("SetAapBattery"), {m_pods, QByteArray()});
        TestEnvironment::writeSettings(false, false, false, false);
        m_recorder = std::make_unique<PostRecorder>();
        m_agent = std::make_unique<ProgramUnderTest>(QStringLiteral("Earlume"));
        QVERIFY(m_agent->start());
        QVERIFY(m_recorder->waitFor(Notifications::Ping));
        QCOMPARE(m_recorder->posts().first().object, BundleIdentifier::Agent);
    }

    void cleanup() { m_agent.reset(); }

    void followsTheDesktopAppearanceAndReloads()
    {
        const QString line = QStringLiteral("Settings reloaded");
        QTest::qWait(500); // for the portal's first answer: dark, read through the older portal's Read
        const QString dark = trayIcon();
        TestEnvironment::setColorScheme(0); // no preference: light
        QTRY_VERIFY(trayIcon() != dark);
        TestEnvironment::setColorScheme(1);
        QTRY_COMPARE(trayIcon(), dark);
        m_recorder->post(Notifications::ReloadSettings);
        m_recorder->post(Notifications::ChangeDarkMode, QStringLiteral("anyone"));
        QVERIFY(m_agent->waitForLine(line, 4));
        m_recorder->post(Notifications::ReloadSettings.chopped(1)); // nobody's business
        m_recorder->post(Notifications::MonitorEcho);
        QVERIFY(m_recorder->waitFor(Notifications::Ping, 2));
        QTest::qWait(200);
        QCOMPARE(m_agent->lines(), QStringList(4, line));
    }

    void quitPostsOneUnpingAndExits_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("MonitorQuit") << 0;
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void quitPostsOneUnpingAndExits()
    {
        QFETCH(int, signalNumber);
        if (signalNumber) {
            ::kill(pid_t(m_agent->pid()), signalNumber);
        } else {
            m_recorder->post(Notifications::MonitorQuit);
        }
        m_recorder->post(Notifications::MonitorEcho); // a question after the goodbye gets no answer
        QVERIFY(m_agent->waitForExit());
        QCOMPARE(m_agent->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_agent->exitCode(), 0);
        QVERIFY(m_recorder->waitFor(Notifications::Unping));
        QTest::qWait(200);
        QCOMPARE(m_recorder->count(Notifications::Unping), 1);
        const auto posts = m_recorder->posts();
        const auto named = [](const QString &name) { return [name](const auto &post) { return post.name == name; }; };
        QVERIFY(std::none_of(std::find_if(posts.cbegin(), posts.cend(), named(Notifications::Unping)), posts.cend(),
                             named(Notifications::Ping)));
    }

    void secondInstanceLeavesAtOnce()
    {
        QVERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered(DBusNames::AgentService));
        ProgramUnderTest second(QStringLiteral("Earlume"));
        QVERIFY(second.start());
        QVERIFY(second.waitForExit());
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(m_recorder->count(Notifications::Ping), 1);
        QVERIFY(m_agent->isRunning());
    }

    void headsUpWindowPerConnectionChange_data()
    {
        QTest::addColumn<bool>("showHud");
        QTest::newRow("shown") << true;
        QTest::newRow("turned off") << false;
    }
    void headsUpWindowPerConnectionChange()
    {
        QFETCH(bool, showHud);
        const QString hudLine = QStringLiteral("Window ordered out!");
        TestEnvironment::writeSettings(false, showHud, false, false);
        m_recorder->post(Notifications::ReloadSettings);
        QVERIFY(m_agent->waitForLine(QStringLiteral("Settings reloaded")));
        QTRY_VERIFY(!trayIcon().isEmpty());
        const QString disconnected = trayIcon();
        BluezMock::setConnected(m_pods, true);
        QTRY_VERIFY(trayIcon() != disconnected);
        BluezMock::setConnected(m_pods, false);
        QTRY_COMPARE(trayIcon(), disconnected);
        QVERIFY(showHud || TestEnvironment::visibleWindowCount(QStringLiteral("Earlume")) == 0); // none shows up
        QVERIFY(m_agent->waitForLine(hudLine, showHud ? 2 : 0));
        QTest::qWait(200);
        QCOMPARE(m_agent->count(hudLine), showHud ? 2 : 0);
    }

    void hideMenuShowsTheIconOnlyWhileConnected()
    {
        TestEnvironment::writeSettings(true, false, false, false);
        m_recorder->post(Notifications::ReloadSettings);
        QTRY_COMPARE(TestEnvironment::trayItems().size(), 0);
        BluezMock::setConnected(m_pods, true);
        QTRY_COMPARE(TestEnvironment::trayItems().size(), 1);
        QTRY_VERIFY(!trayIcon().isEmpty());
        const QString shown = trayIcon();
        BluezMock::setConnected(m_pods, false);
        QTRY_COMPARE(TestEnvironment::trayItems().size(), 0);
        // The icon that appears under "Hide Menu" shows the connected picture, as without the option.
        BluezMock::setConnected(m_pods, true);
        TestEnvironment::writeSettings(false, false, false, false);
        m_recorder->post(Notifications::ReloadSettings);
        QVERIFY(m_agent->waitForLine(QStringLiteral("Settings reloaded")));
        QTRY_COMPARE(trayIcon(), shown);
    }

    void iconFollowsAFirstPairing()
    {
        QTRY_VERIFY(!trayIcon().isEmpty());
        const QString disconnected = trayIcon();
        // BlueZ reports AirPods paired for the first time as connected before they are paired.
        const QString fresh = BluezMock::addDevice(QStringLiteral("AA:00:00:00:00:02"), QStringLiteral("New"),
                                                   BluezMock::AirpodsClass, false, true);
        TestEnvironment::call(QDBusConnection::systemBus(), DBusNames::BluezService, fresh,
                              QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("UpdateProperties"),
                              {DBusNames::BluezDeviceInterface, QVariantMap{{QStringLiteral("Paired"), true}}});
        QTRY_VERIFY(trayIcon() != disconnected);
        TestEnvironment::call(QDBusConnection::systemBus(), DBusNames::BluezService, QStringLiteral("/org/bluez/hci0"),
                              QStringLiteral("org.bluez.Adapter1"), QStringLiteral("RemoveDevice"),
                              {QVariant::fromValue(QDBusObjectPath(fresh))});
        QTRY_COMPARE(trayIcon(), disconnected);
    }

    void registersWithEachWatcherThatAppears()
    {
        // At login the agent may start before the panel: no watcher at start, one two seconds later.
        m_agent.reset();
        QVERIFY(TestEnvironment::harnessControl(QStringLiteral("stop-watcher")));
        m_agent = std::make_unique<ProgramUnderTest>(QStringLiteral("Earlume"));
        QVERIFY(m_agent->start());
        QVERIFY(m_recorder->waitFor(Notifications::Ping, 2));
        QTest::qWait(2000);
        QVERIFY(TestEnvironment::harnessControl(QStringLiteral("start-watcher")));
        QTRY_COMPARE(TestEnvironment::trayItems().size(), 1);
        QTRY_VERIFY(!trayIcon().isEmpty());
        // A restarted panel knows no items until they register again.
        QVERIFY(TestEnvironment::harnessControl(QStringLiteral("restart-watcher")));
        QTRY_COMPARE(TestEnvironment::trayItems().size(), 1);
        QTRY_VERIFY(!trayIcon().isEmpty());
    }

    void activateOpensThePanelAtTheClickedPoint_data()
    {
        QTest::addColumn<QPoint>("click");
        QTest::newRow("bottom right, above it") << QPoint(1400, 880); // a tray at the bottom of the 1440 x 900 screen
        QTest::newRow("top left, below it") << QPoint(100, 12);
    }
    void activateOpensThePanelAtTheClickedPoint()
    {
        QFETCH(QPoint, click);
        QTRY_COMPARE(TestEnvironment::trayItems().size(), 1);
        const QString activate = DBusNames::StatusNotifierItemInterface + QStringLiteral(".Activate");
        const QStringList at{QString::number(click.x()), QString::number(click.y())};
        trayCall(DBusNames::StatusNotifierItemPath, activate, at);
        QRect panel;
        QTRY_VERIFY((panel = TestEnvironment::windowGeometry(QStringLiteral("Earlume"))).isValid());
        const QByteArray where = QDebug::toString(panel).toUtf8();
        QVERIFY2(panel.left() <= click.x() && panel.right() >= click.x() && QRect(0, 0, 1440, 900).contains(panel),
                 where.constData());
        QVERIFY2(click.y() > 450 ? panel.bottom() < click.y() && panel.bottom() > click.y() - 20
                                 : panel.top() > click.y() && panel.top() < click.y() + 20,
                 where.constData());
        trayCall(DBusNames::StatusNotifierItemPath, activate, at);
        QTRY_COMPARE(TestEnvironment::visibleWindowCount(QStringLiteral("Earlume")), 0);
    }

    // A click outside, Escape, and the icon again close it; the icon's own click, which our window sees first as
    // one outside it, does not open it again.
    void panelClosesLikeAPopup()
    {
        QTRY_COMPARE(TestEnvironment::trayItems().size(), 1);
        const auto activate = [] {
            trayCall(DBusNames::StatusNotifierItemPath, DBusNames::StatusNotifierItemInterface + QStringLiteral(".Activate"),
                     {QStringLiteral("1400"), QStringLiteral("880")});
        };
        const auto xdotool = [](const QStringList &arguments) { QProcess::execute(QStringLiteral("xdotool"), arguments); };
        const auto shown = [] { return TestEnvironment::visibleWindowCount(QStringLiteral("Earlume")); };
        for (const QStringList &close : {QStringList{"mousemove", "200", "300", "click", "1"}, QStringList{"key", "Escape"}}) {
            activate();
            QTRY_COMPARE(shown(), 1);
            QTest::qWait(300); // the grab is taken once the window is mapped
            xdotool(close);
            QTRY_COMPARE(shown(), 0);
        }
        activate();
        QTRY_COMPARE(shown(), 1);
        QTest::qWait(300);
        xdotool({"mousemove", "1400", "890", "click", "1"}); // the icon, as the host sees it: then the host's call
        activate();
        QTest::qWait(500);
        QCOMPARE(shown(), 0);
        activate(); // a while later, a click opens it
        QTRY_COMPARE(shown(), 1);
    }

    void toolTipFollowsTheLevels()
    {
        QTRY_VERIFY(trayProperty(QStringLiteral("ToolTip")).contains(QLatin1String("'Earlume', 'Disconnected'")));
        QVERIFY(trayProperty(QStringLiteral("IconAccessibleDesc")).contains(QLatin1String("'No AirPods connected'")));
        BluezMock::setConnected(m_pods, true);
        QTRY_VERIFY(trayProperty(QStringLiteral("AttentionAccessibleDesc")).contains(QLatin1String("'AirPods connected'")));
        for (const int level : {50, 40}) {
            BluezMock::call(QStringLiteral("SetBattery"), {m_pods, level});
            QTRY_VERIFY(trayProperty(QStringLiteral("ToolTip")).contains(QStringLiteral("'Pods', 'Battery %1 %'").arg(level)));
        }
    }

    // Exact levels despite a channel that BlueZ still holds from before (ConnectProfile then succeeds without a
    // socket) and a pair too busy to answer its first handshake; Disconnect is answered by letting the channel go.
    void accessoryLinkSurvivesWhatBluezLeaves()
    {
        const auto serviceConnected = [this] {
            return BluezMock::call(QStringLiteral("IsAapServiceConnected"), {m_pods}).arguments().value(0).toBool();
        };
        setLevels(87, 91, 42);
        BluezMock::call(QStringLiteral("LeaveStaleAapChannel"), {m_pods});
        BluezMock::call(QStringLiteral("SetAapSilentHandshakes"), {m_pods, 1});
        BluezMock::setConnected(m_pods, true);
        QTRY_VERIFY_WITH_TIMEOUT(
            trayProperty(QStringLiteral("ToolTip")).contains(QLatin1String("'Left 87 %, Right 91 %, Case 42 %'")), 30000);
        TestEnvironment::call(QDBusConnection::systemBus(), QStringLiteral("org.bluez"), m_pods,
                              QStringLiteral("org.bluez.Device1"), QStringLiteral("Disconnect"));
        QVERIFY(!serviceConnected());
        QTRY_VERIFY(trayProperty(QStringLiteral("ToolTip")).contains(QLatin1String("'Earlume', 'Disconnected'")));
    }

    // In the session's language: the menu, the tool tip and the settings window's title.
    void exportedMenuListsItsEntriesAndQuits_data()
    {
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("texts"); // Show AirPods, Settings…, Quit Earlume, Disconnected, Earlume Settings
        QTest::newRow("C") << QString() << QStringLiteral("Show AirPods|Settings…|Quit Earlume|Disconnected|Earlume Settings");
        QTest::newRow("German") << QStringLiteral("de_DE.UTF-8")
                                << QStringLiteral("AirPods anzeigen|Einstellungen…|Earlume beenden|Getrennt|Earlume-Einstellungen");
        QTest::newRow("Italian") << QStringLiteral("it_IT.UTF-8")
                                 << QStringLiteral("Mostra AirPods|Impostazioni…|Esci da Earlume|Disconnessi|Impostazioni di Earlume");
    }
    void exportedMenuListsItsEntriesAndQuits()
    {
        QFETCH(QString, lang);
        QFETCH(QString, texts);
        const QStringList text = texts.split(u'|');
        const auto inLanguage = [&lang](ProgramUnderTest *program) {
            program->removeEnvironmentValue(QStringLiteral("LC_ALL")); // the tests' C.UTF-8
            program->setEnvironmentValue(QStringLiteral("LANG"), lang.isEmpty() ? QStringLiteral("C") : lang);
            return program->start();
        };
        ProgramUnderTest settings(QStringLiteral("Earlume_Settings"));
        if (!lang.isEmpty()) {
            m_agent = std::make_unique<ProgramUnderTest>(QStringLiteral("Earlume"));
            QVERIFY(inLanguage(m_agent.get()));
            QVERIFY(m_recorder->waitFor(Notifications::Ping, 2));
        }
        QVERIFY(inLanguage(&settings));
        QTRY_COMPARE(TestEnvironment::visibleWindowCount(text[4]), 1);
        QTRY_VERIFY(trayProperty(QStringLiteral("ToolTip")).contains(QStringLiteral("'Earlume', '%1'").arg(text[3])));
        QTRY_COMPARE(TestEnvironment::trayItems().size(), 1);
        const QString path = trayProperty(QStringLiteral("Menu")).section(u'\'', 1, 1);
        QCOMPARE(path, DBusNames::DBusMenuPath);
        const QString layout = trayCall(path, DBusNames::DBusMenuInterface + QStringLiteral(".GetLayout"),
                                        {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("[]")});
        QStringList labels;
        QString quitId;
        static const QRegularExpression item(QStringLiteral(R"(<\((\d+), \{[^}]*'label': <'([^']*)'>)"));
        for (const QRegularExpressionMatch &match : item.globalMatch(layout)) {
            labels.append(match.captured(2));
            quitId = match.captured(2) == text[2] ? match.captured(1) : quitId;
        }
        QCOMPARE(labels.size(), 4);
        QVERIFY2(!layout.contains(QLatin1String("'icon-")), qPrintable(layout)); // icons for all or none: none
        QCOMPARE(labels.value(0), text[0]);
        QVERIFY2(labels.value(1).startsWith(QLatin1String("Earlume ")), qPrintable(labels.value(1))); // the version
        QCOMPARE(labels.mid(2), text.mid(1, 2));
        trayCall(path, DBusNames::DBusMenuInterface + QStringLiteral(".Event"),
                 {quitId, QStringLiteral("clicked"), QStringLiteral("<0>"), QStringLiteral("0")});
        QVERIFY(m_agent->waitForExit());
        QCOMPARE(m_agent->exitCode(), 0);
        QVERIFY(m_recorder->waitFor(Notifications::Unping));
    }

    void placesItsWindowsOnAWaylandDesktop()
    {
        // Weston without a screen, with XWayland; the agent chooses the platform itself, as in a desktop session.
        m_agent.reset();
        const QString log = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/weston.log");
        QProcess weston;
        weston.start(QStringLiteral("weston"), {QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--xwayland"),
                                                QStringLiteral("--socket=wayland-e2e"), QStringLiteral("--width=1440"),
                                                QStringLiteral("--height=900"), QStringLiteral("--idle-time=0"),
                                                QStringLiteral("--log=") + log});
        QVERIFY2(weston.waitForStarted(), "weston is missing");
        static const QRegularExpression listening(QStringLiteral("xserver listening on display (:\\d+)"));
        QString display;
        QTRY_VERIFY(!(display = [&] { QFile file(log); return file.open(QIODevice::ReadOnly)
                      ? listening.match(QString::fromUtf8(file.readAll())).captured(1) : QString(); }()).isEmpty());
        TestEnvironment::writeSettings(false, true, false, false);
        m_agent = std::make_unique<ProgramUnderTest>(QStringLiteral("Earlume"));
        m_agent->setEnvironmentValue(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-e2e"));
        m_agent->setEnvironmentValue(QStringLiteral("DISPLAY"), display);
        m_agent->removeEnvironmentValue(QStringLiteral("QT_QPA_PLATFORM"));
        QVERIFY(m_agent->start());
        QVERIFY(m_recorder->waitFor(Notifications::Ping, 2));
        QTRY_COMPARE(TestEnvironment::trayItems().size(), 1);
        const QString activate = DBusNames::StatusNotifierItemInterface + QStringLiteral(".Activate");
        trayCall(DBusNames::StatusNotifierItemPath, activate, {QStringLiteral("700"), QStringLiteral("12")});
        QRect panel; // an X window on XWayland's display: the agent chose xcb
        QTRY_VERIFY((panel = TestEnvironment::windowGeometry(QStringLiteral("Earlume"), display)).isValid());
        // Clear of a bar there, which XWayland's work area does not know of.
        QVERIFY2(panel.left() <= 700 && panel.right() >= 700 && panel.top() >= 32 && panel.top() < 40,
                 QDebug::toString(panel).toUtf8().constData());
        trayCall(DBusNames::StatusNotifierItemPath, activate, {QStringLiteral("700"), QStringLiteral("12")});
        QTRY_VERIFY(!TestEnvironment::windowGeometry(QStringLiteral("Earlume"), display).isValid());
        // Waybar's point inside its icon: at the top right, where trays sit.
        trayCall(DBusNames::StatusNotifierItemPath, activate, {QStringLiteral("10"), QStringLiteral("14")});
        QTRY_VERIFY((panel = TestEnvironment::windowGeometry(QStringLiteral("Earlume"), display)).isValid());
        QVERIFY2(panel.right() > 1420 && panel.top() >= 32 && panel.top() < 40, QDebug::toString(panel).toUtf8().constData());
        trayCall(DBusNames::StatusNotifierItemPath, activate, {QStringLiteral("10"), QStringLiteral("14")});
        QTRY_VERIFY(!TestEnvironment::windowGeometry(QStringLiteral("Earlume"), display).isValid());
        BluezMock::setConnected(m_pods, true);
        QRect hud; // centred, three quarters of the way down
        QTRY_VERIFY((hud = TestEnvironment::windowGeometry(QStringLiteral("Earlume"), display)).isValid());
        QCOMPARE(hud.center().x(), 719);
        QCOMPARE(hud.top(), qRound((900 - hud.height()) * 0.75));
        m_agent.reset();
        weston.terminate();
        QVERIFY(weston.waitForFinished());
    }

    void noiseControlPressReachesTheAirPods()
    {
        BluezMock::call(QStringLiteral("SetModalias"), {m_pods, QStringLiteral("bluetooth:v004Cp2014d0001")});
        BluezMock::call(QStringLiteral("SetAapBattery"), {m_pods, QByteArray::fromHex("045702025B01082A02")});
        BluezMock::call(QStringLiteral("SetAapNoiseMode"), {m_pods, QVariant::fromValue(uchar(2))});
        BluezMock::setConnected(m_pods, true);
        QTRY_VERIFY(trayProperty(QStringLiteral("ToolTip")).contains(QLatin1String("Left 87 %"))); // the channel is open
        trayCall(DBusNames::StatusNotifierItemPath, DBusNames::StatusNotifierItemInterface + QStringLiteral(".Activate"),
                 {QStringLiteral("700"), QStringLiteral("12")});
        QRect panel;
        QTRY_VERIFY((panel = TestEnvironment::windowGeometry(QStringLiteral("Earlume"))).isValid());
        // The third of the four mode buttons along the panel's foot: transparency.
        const QPoint transparency(panel.left() + panel.width() * 5 / 8, panel.bottom() - 26);
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(transparency.x()),
                                                      QString::number(transparency.y()), QStringLiteral("click"),
                                                      QStringLiteral("1")});
        QTRY_VERIFY(BluezMock::call(QStringLiteral("GetAapReceived"), {m_pods}).arguments().value(0).toStringList()
                        .contains(QStringLiteral("0400040009000d03000000")));
        BluezMock::setConnected(m_pods, false);
    }

    // Two media players, one playing: a bud out pauses that one, back in plays it again; nothing with the option off.
    void pausesOnlyThePlayingPlayerWhileABudIsOut()
    {
        const QString player = DBusNames::MprisPlayerInterface, mock = QStringLiteral("org.freedesktop.DBus.Mock");
        const auto call = [&](int i, const QString &interface, const char *method, const QVariantList &arguments) {
            return TestEnvironment::call(QDBusConnection::sessionBus(), player + QString::number(i),
                                         DBusNames::MprisPath, interface, QString::fromLatin1(method), arguments);
        };
        std::array<QProcess, 2> players; // org.mpris.MediaPlayer2.Player0 and 1, which set their status as told
        for (int i : {0, 1}) {
            players[i].start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-m"), QStringLiteral("dbusmock"),
                             QStringLiteral("--session"), player + QString::number(i), DBusNames::MprisPath, player});
            QTRY_VERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered(player + QString::number(i)));
            const QString set = QStringLiteral("self.props['%1']['PlaybackStatus'] = '%2'");
            const QVariant initial = QVariant::fromValue(QDBusVariant(i ? "Paused" : "Playing"));
            call(i, mock, "AddProperty", {player, "PlaybackStatus", initial});
            call(i, mock, "AddMethod", {player, "Pause", QString(), QString(), set.arg(player, "Paused")});
            call(i, mock, "AddMethod", {player, "Play", QString(), QString(), set.arg(player, "Playing")});
        }
        const auto status = [&](int i) { // the reply's variant, as a string
            return call(i, DBusNames::PropertiesInterface, "Get", {player, "PlaybackStatus"}).arguments().value(0)
                .value<QDBusVariant>().variant().toString();
        };
        const auto primaryBud = [this](int placement) { // the other one stays in
            const QVariantList placements{QVariant::fromValue(uchar(placement)), QVariant::fromValue(uchar(0))};
            BluezMock::call(QStringLiteral("SetAapInEar"), QVariantList{m_pods} + placements);
        };
        BluezMock::call(QStringLiteral("SetAapBattery"), {m_pods, QByteArray::fromHex("045702025B01082A02")});
        primaryBud(0);
        BluezMock::setConnected(m_pods, true);
        QTRY_VERIFY(BluezMock::call(QStringLiteral("GetAapReceived"), {m_pods}).arguments().value(0).toStringList()
                        .contains(QStringLiteral("040004000f00ffffffff"))); // answered with both buds in
        primaryBud(1);
        QTRY_COMPARE(status(0), QStringLiteral("Paused"));
        primaryBud(0);
        QTRY_COMPARE(status(0), QStringLiteral("Playing"));
        QCOMPARE(status(1), QStringLiteral("Paused"));
        Settings settings;
        settings.setPauseMediaWhenTakenOut(false);
        QVERIFY(settings.save());
        primaryBud(2);
        QTest::qWait(500);
        QCOMPARE(status(0), QStringLiteral("Playing"));
        for (QProcess &process : players) {
            process.terminate();
            process.waitForFinished();
        }
    }

    void lowBatteryNoticesOnlyForThePairsOwnReadings()
    {
        TestEnvironment::call(QDBusConnection::sessionBus(), DBusNames::NotificationsService, DBusNames::NotificationsPath,
                              QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("ClearCalls"));
        BluezMock::call(QStringLiteral("SetModalias"), {m_pods, QStringLiteral("bluetooth:v004Cp2014d0001")});
        // Without the accessory protocol, a strong advertisement of the model at 10 % could be a stranger's pair.
        BluezMock::call(QStringLiteral("RefuseAap"), {m_pods, 1000});
        BluezMock::setConnected(m_pods, true);
        qDBusRegisterMetaType<QMap<quint16, QByteArray>>();
        const QByteArray message = QByteArray::fromHex("07190114202011013100") + QByteArray(17, '\0');
        BluezMock::call(QStringLiteral("AddLEDevice"), {QStringLiteral("hci0"), QStringLiteral("4C:11:22:33:44:01"),
                                                        QVariant::fromValue(QMap<quint16, QByteArray>{{0x004C, message}}),
                                                        QVariant::fromValue(qint16(-44))});
        QTRY_COMPARE(status().value(QStringLiteral("left")).toInt(), 10);
        QCOMPARE(notices(), QStringList());
        TestEnvironment::call(QDBusConnection::systemBus(), DBusNames::BluezService, QStringLiteral("/org/bluez/hci0"),
                              DBusNames::BluezAdapterInterface, QStringLiteral("RemoveDevice"),
                              {QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/bluez/hci0/dev_4C_11_22_33_44_01")))});
        // The pair's own reports: a crossing warns, the next notice replaces it, a lower level alone does not repeat.
        BluezMock::setConnected(m_pods, false);
        BluezMock::call(QStringLiteral("RefuseAap"), {m_pods, 0});
        setLevels(87, 91, 42);
        BluezMock::setConnected(m_pods, true);
        QTRY_COMPARE(status().value(QStringLiteral("left")).toInt(), 87);
        setLevels(15, 91, 42);
        QTRY_COMPARE(notices(), QStringList{QStringLiteral("0 Left AirPod at 15 % 1")});
        setLevels(14, 9, 42);
        QTRY_COMPARE(notices().size(), 2);
        setLevels(26, 9, 42); // charged above the threshold + 5: armed again
        QTRY_COMPARE(status().value(QStringLiteral("left")).toInt(), 26);
        setLevels(20, 8, 42);
        QTRY_COMPARE(notices().size(), 3);
        QCOMPARE(notices(), (QStringList{QStringLiteral("0 Left AirPod at 15 % 1"), QStringLiteral("1 Right AirPod at 9 % 2"),
                                         QStringLiteral("1 Left AirPod at 20 % 1")}));
        // A critical notice goes once its part has charged above the threshold.
        const auto closed = [] { return notificationCalls(QStringLiteral("CloseNotification")).count(QLatin1String(", [<")); };
        setLevels(26, 30, 42);
        setLevels(26, 7, 42);
        QTRY_COMPARE(notices().size(), 4);
        QCOMPARE(closed(), 0);
        setLevels(26, 21, 42);
        QTRY_COMPARE(closed(), 1);
        setLevels(26, 30, 42);
        setLevels(26, 8, 42);
        QTRY_COMPARE(notices().size(), 5);
        // Switched off in the settings, nothing more.
        Settings settings;
        settings.setLowBatteryWarning(false);
        settings.save();
        m_recorder->post(Notifications::ReloadSettings);
        QVERIFY(m_agent->waitForLine(QStringLiteral("Settings reloaded")));
        BluezMock::setConnected(m_pods, false);
        BluezMock::setConnected(m_pods, true);
        QTRY_COMPARE(status().value(QStringLiteral("right")).toInt(), 8);
        QCOMPARE(notices().size(), 5);
        QTRY_COMPARE(closed(), 2); // the critical notice went with the pair
    }

    void providerAndStatusFollowTheReadings()
    {
        const QString none = QStringLiteral(R"({"class":"disconnected","percentage":0,"text":"","tooltip":"%1"})");
        ProgramUnderTest bar(QStringLiteral("earlume-status"), {QStringLiteral("--waybar")});
        QVERIFY(bar.start());
        QVERIFY(bar.waitForLine(none.arg(QStringLiteral("No AirPods connected"))));
        BluezMock::call(QStringLiteral("SetModalias"), {m_pods, QStringLiteral("bluetooth:v004Cp2014d0001")});
        setLevels(87, 91, 42);
        BluezMock::setConnected(m_pods, true);
        const QString provided = QStringLiteral(
            "({objectpath '/com/vostel/Earlume/BatteryProvider/hci0/dev_AA_00_00_00_00_01': {'org.bluez.BatteryProvider1': "
            "{'Device': <objectpath '/org/bluez/hci0/dev_AA_00_00_00_00_01'>, 'Percentage': <byte 0x%1>, "
            "'Source': <'Earlume'>}}},)");
        QTRY_COMPARE(providedBatteries(), provided.arg(QStringLiteral("57")));
        QVERIFY(bar.waitForLine(QStringLiteral(
            R"({"class":"connected","percentage":87,"text":"87 %","tooltip":"Pods\nLeft 87 %, Right 91 %, Case 42 %"})")));
        setLevels(87, 12, 42);
        QTRY_COMPARE(providedBatteries(), provided.arg(QStringLiteral("0c")));
        QVERIFY(bar.waitForLine(QStringLiteral(
            R"({"class":"low","percentage":12,"text":"12 %","tooltip":"Pods\nLeft 87 %, Right 12 %, Case 42 %"})")));
        const QJsonObject once = status();
        QCOMPARE(once.value(QStringLiteral("connected")).toBool(), true);
        QCOMPARE(once.value(QStringLiteral("case")).toInt(), 42);
        QCOMPARE(once.value(QStringLiteral("lowest")).toInt(), 12);
        QCOMPARE(statusOutput({QStringLiteral("--once"), QStringLiteral("--format"), QStringLiteral("{left} {right} {case} {class}")}),
                 QByteArray("87 12 42 low\n"));
        BluezMock::setConnected(m_pods, false);
        QTRY_COMPARE(providedBatteries(), QStringLiteral("(@a{oa{sa{sv}}} {},)"));
        QVERIFY(bar.waitForLine(none.arg(QStringLiteral("No AirPods connected")), 2));
        // The agent goes, the bar says so and waits for the next one.
        m_agent.reset();
        QVERIFY(bar.waitForLine(none.arg(QStringLiteral("Earlume is not running"))));
        QCOMPARE(status(), (QJsonObject{{QStringLiteral("agent"), false}, {QStringLiteral("connected"), false},
                                        {QStringLiteral("name"), QString()}, {QStringLiteral("address"), QString()},
                                        {QStringLiteral("left"), QJsonValue::Null}, {QStringLiteral("right"), QJsonValue::Null},
                                        {QStringLiteral("case"), QJsonValue::Null}, {QStringLiteral("lowest"), QJsonValue::Null},
                                        {QStringLiteral("charging"), QJsonArray()}, {QStringLiteral("class"), QStringLiteral("disconnected")},
                                        {QStringLiteral("devices"), QJsonArray()}}));
        m_agent = std::make_unique<ProgramUnderTest>(QStringLiteral("Earlume"));
        QVERIFY(m_agent->start());
        QVERIFY(bar.waitForLine(none.arg(QStringLiteral("No AirPods connected")), 3));
        QVERIFY(bar.isRunning());
    }

    // Two pairs and another maker's headset of the same class of device, each connected in turn: one panel stacks
    // them in the order they connected, the tool tip names each, earlume-status speaks of the first or the one
    // asked for. The headset takes nothing from a stranger's AirPods advertising nearby, so nothing is published.
    void severalPairsAndAnotherMakersHeadset()
    {
        const QString max = BluezMock::addDevice(QStringLiteral("AA:00:00:00:00:02"), QStringLiteral("Max"),
                                                 BluezMock::AirpodsClass, true, false);
        const QString headset = BluezMock::addDevice(QStringLiteral("AA:00:00:00:00:03"), QStringLiteral("Headset"),
                                                     BluezMock::AirpodsClass, true, false);
        BluezMock::call(QStringLiteral("SetModalias"), {max, QStringLiteral("bluetooth:v004Cp201Fd0001")});
        BluezMock::call(QStringLiteral("SetModalias"), {headset, QStringLiteral("bluetooth:v000Ap4242d0100")});
        for (const QString &path : {max, headset}) {
            BluezMock::call(QStringLiteral("RefuseAap"), {path, 1000});
        }
        BluezMock::call(QStringLiteral("SetBattery"), {max, 60});
        setLevels(87, 91, 42);
        const auto activate = [] {
            trayCall(DBusNames::StatusNotifierItemPath, DBusNames::StatusNotifierItemInterface + QStringLiteral(".Activate"),
                     {QStringLiteral("700"), QStringLiteral("12")});
        };
        const auto height = [] { return TestEnvironment::windowGeometry(QStringLiteral("Earlume")).height(); };
        BluezMock::setConnected(m_pods, true);
        QTRY_VERIFY(trayProperty(QStringLiteral("ToolTip")).contains(QLatin1String("'Pods', 'Left 87 %")));
        activate();
        QTRY_VERIFY(height() > 0);
        const int onePair = height();
        BluezMock::setConnected(max, true); // while the panel is open: it grows by a pair
        QTRY_VERIFY(height() > onePair + 120);
        const int twoPairs = height();
        BluezMock::setConnected(headset, true);
        QTRY_VERIFY(height() > twoPairs + 120);
        QTRY_VERIFY(trayProperty(QStringLiteral("ToolTip")).contains(QLatin1String(
            "'Earlume', 'Pods: Left 87 %, Right 91 %, Case 42 %\\nMax: Battery 60 %\\nHeadset: No battery reading'")));

        // A stranger's AirPods Pro 2 advertising strongly, heard while we listen near the pairs without the protocol.
        QTRY_VERIFY(!BluezMock::call(QStringLiteral("GetDiscoverySessions")).arguments().value(0).toStringList().isEmpty());
        qDBusRegisterMetaType<QMap<quint16, QByteArray>>();
        const QByteArray message = QByteArray::fromHex("07190114202011013100") + QByteArray(17, '\0');
        BluezMock::call(QStringLiteral("AddLEDevice"), {QStringLiteral("hci0"), QStringLiteral("4C:11:22:33:44:02"),
                                                        QVariant::fromValue(QMap<quint16, QByteArray>{{0x004C, message}}),
                                                        QVariant::fromValue(qint16(-40))});
        QTest::qWait(1500);
        QCOMPARE(status().value(QStringLiteral("name")).toString(), QStringLiteral("Pods"));
        const QJsonArray devices = status().value(QStringLiteral("devices")).toArray();
        QStringList listed;
        for (const QJsonValue &device : devices) {
            listed << device[QStringLiteral("name")].toString() + u' ' + device[QStringLiteral("source")].toString();
        }
        QCOMPARE(listed, (QStringList{"Pods accessory", "Max battery1", "Headset none"}));
        const QJsonObject one = QJsonDocument::fromJson(statusOutput({QStringLiteral("--once"), QStringLiteral("--device"),
                                                                      QStringLiteral("aa:00:00:00:00:02")})).object();
        QCOMPARE(one.value(QStringLiteral("name")).toString(), QStringLiteral("Max"));
        QCOMPARE(one.value(QStringLiteral("lowest")).toInt(), 60);
        QCOMPARE(statusOutput({QStringLiteral("--once"), QStringLiteral("--device"), QStringLiteral("Max")}), QByteArray());
        QVERIFY(!providedBatteries().contains(QLatin1String("AA_00_00_00_00_03")));

        // The first pair goes: the next in line is the panel's first, and earlume-status's.
        BluezMock::setConnected(m_pods, false);
        QTRY_COMPARE(status().value(QStringLiteral("name")).toString(), QStringLiteral("Max"));
        QTRY_VERIFY(height() < twoPairs + 60);
        for (const QString &path : {max, headset, QStringLiteral("/org/bluez/hci0/dev_4C_11_22_33_44_02")}) {
            TestEnvironment::call(QDBusConnection::systemBus(), DBusNames::BluezService, QStringLiteral("/org/bluez/hci0"),
                                  DBusNames::BluezAdapterInterface, QStringLiteral("RemoveDevice"),
                                  {QVariant::fromValue(QDBusObjectPath(path))});
        }
    }

    // A pair whose keys the agent learnt, on the phone now: its own advertisements give its exact levels, and its
    // case opening shows a heads-up window, and connects it once asked to, but not right after the user's own
    // disconnect with our button; a stranger's pair opening its case does nothing.
    void nearbyPairLevelsAndCaseOpening()
    {
        m_agent = std::make_unique<ProgramUnderTest>(QStringLiteral("Earlume"));
        m_agent->setEnvironmentValue(QStringLiteral("EARLUME_TEST_QUIET_AFTER_DISCONNECT_MS"), QStringLiteral("4000"));
        TestEnvironment::writeSettings(false, false, false, true);
        QVERIFY(m_agent->start());
        const QByteArray irk = QByteArray::fromHex("ec0234a357c8ad05341010a60a397d9b");
        ResolvablePrivateAddress::Block key{}, seal{};
        std::copy(irk.cbegin(), irk.cend(), key.begin());
        seal.fill(0x11);
        const std::array<std::uint8_t, 3> hash = ResolvablePrivateAddress::ah(key, {0x70, 0x81, 0x94});
        const QString address = QStringLiteral("70:81:94:%1:%2:%3").arg(hash[0], 2, 16, QLatin1Char('0'))
                                    .arg(hash[1], 2, 16, QLatin1Char('0')).arg(hash[2], 2, 16, QLatin1Char('0')).toUpper();
        BluezMock::call(QStringLiteral("SetModalias"), {m_pods, QStringLiteral("bluetooth:v004Cp2014d0001")});
        BluezMock::call(QStringLiteral("SetAapKeys"), {m_pods, irk, QByteArray(16, '\x11')});
        setLevels(87, 91, 42);
        BluezMock::setConnected(m_pods, true);
        QTRY_VERIFY(AapKeyStore().keys(QStringLiteral("AA:00:00:00:00:01")).encryptionKey.has_value());
        BluezMock::setConnected(m_pods, false);
        // Left bud primary, this bud in the case; sealed: left 87 %, right 59 % charging, case 42 %.
        qDBusRegisterMetaType<QMap<quint16, QByteArray>>();
        const auto message = [&seal](int lid) {
            const auto sealed = ResolvablePrivateAddress::encryptBlock(seal, {0, 87, 59 | 0x80, 42});
            return QVariant::fromValue(QMap<quint16, QByteArray>{
                {0x004C, QByteArray::fromHex("0719011420755804") + char(lid) + QByteArray::fromHex("0000")
                             + QByteArray(reinterpret_cast<const char *>(sealed->data()), 16)}});
        };
        QStringList advertisers;
        const auto heard = [&](const QString &from, int lid) {
            const QString path = QStringLiteral("/org/bluez/hci0/dev_") + QString(from).replace(u':', u'_');
            if (advertisers.contains(path)) {
                BluezMock::call(QStringLiteral("UpdateAdvertisement"), {path, message(lid), QVariant::fromValue(qint16(-70))});
                return;
            }
            advertisers.append(path);
            BluezMock::call(QStringLiteral("AddLEDevice"), {QStringLiteral("hci0"), from, message(lid),
                                                            QVariant::fromValue(qint16(-70))});
        };
        heard(address, 0x0A);
        QTRY_COMPARE(statusOutput({QStringLiteral("--all")}), QByteArray("Pods: nearby, Left 87 %, Right 59 % (charging), Case 42 %\n"));
        const QJsonObject pods = status().value(QStringLiteral("devices")).toArray().at(0).toObject();
        QCOMPARE(pods.value(QStringLiteral("connected")), false);
        QCOMPARE(pods.value(QStringLiteral("source")), QStringLiteral("proven-advertisement"));
        QCOMPARE(pods.value(QStringLiteral("right")).toObject(),
                 (QJsonObject{{QStringLiteral("percent"), 59}, {QStringLiteral("charging"), true}}));
        // A stranger's case opens, then ours: one heads-up window, no connection (not asked for).
        TestEnvironment::writeSettings(false, true, false, true);
        m_recorder->post(Notifications::ReloadSettings);
        QVERIFY(m_agent->waitForLine(QStringLiteral("Settings reloaded")));
        const QString hudLine = QStringLiteral("Window ordered out!");
        heard(QStringLiteral("4C:11:22:33:44:02"), 0x0A);
        heard(QStringLiteral("4C:11:22:33:44:02"), 0x03);
        heard(address, 0x03);
        QVERIFY(m_agent->waitForLine(hudLine));
        QTest::qWait(300);
        QCOMPARE(m_agent->count(hudLine), 1);
        QCOMPARE(status().value(QStringLiteral("connected")), false);
        // Asked for: the next opening connects.
        Settings settings;
        settings.setConnectWhenCaseOpens(true);
        settings.setShowHudOnConnection(false);
        settings.save();
        m_recorder->post(Notifications::ReloadSettings);
        QVERIFY(m_agent->waitForLine(QStringLiteral("Settings reloaded")));
        heard(address, 0x0B);
        heard(address, 0x04);
        QTRY_COMPARE(status().value(QStringLiteral("connected")), true);
        // Disconnected with our button: the next opening within the quiet period does not connect, a later one does.
        trayCall(DBusNames::StatusNotifierItemPath, DBusNames::StatusNotifierItemInterface + QStringLiteral(".Activate"),
                 {QStringLiteral("700"), QStringLiteral("12")});
        QRect panel;
        QTRY_VERIFY((panel = TestEnvironment::windowGeometry(QStringLiteral("Earlume"))).isValid());
        QElapsedTimer sinceDisconnect;
        sinceDisconnect.start();
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(panel.right() - 22),
                                                      QString::number(panel.top() + 22), QStringLiteral("click"),
                                                      QStringLiteral("1")});
        QTRY_COMPARE(status().value(QStringLiteral("connected")), false);
        heard(address, 0x0C);
        heard(address, 0x05);
        QTest::qWait(1000);
        QCOMPARE(status().value(QStringLiteral("connected")), false);
        QVERIFY(sinceDisconnect.elapsed() < 4000);
        QTest::qWait(int(std::max<qint64>(0, 4200 - sinceDisconnect.elapsed())));
        heard(address, 0x0D);
        heard(address, 0x06);
        QTRY_COMPARE(status().value(QStringLiteral("connected")), true);
        BluezMock::setConnected(m_pods, false);
        for (const QString &advertiser : std::as_const(advertisers)) {
            TestEnvironment::call(QDBusConnection::systemBus(), DBusNames::BluezService, QStringLiteral("/org/bluez/hci0"),
                                  DBusNames::BluezAdapterInterface, QStringLiteral("RemoveDevice"),
                                  {QVariant::fromValue(QDBusObjectPath(advertiser))});
        }
        settings.setConnectWhenCaseOpens(false);
        settings.save();
        QFile::remove(AapKeyStore::defaultPath());
    }

    void saysOnceWhatIsMissingAndKeepsAnswering()
    {
        m_agent.reset();
        QVERIFY(TestEnvironment::harnessControl(QStringLiteral("stop-watcher")));
        QVERIFY(TestEnvironment::harnessControl(QStringLiteral("stop-bluez")));
        m_agent = std::make_unique<ProgramUnderTest>(QStringLiteral("Earlume"));
        QVERIFY(m_agent->start());
        QTRY_VERIFY(m_agent->standardError().contains(QLatin1String("not running on the system bus")));
        m_recorder->post(Notifications::MonitorEcho);
        QVERIFY(m_recorder->waitFor(Notifications::Ping, 3));
        QCOMPARE(m_agent->standardError().count(QLatin1String("shows no tray icons")), 1);
        QCOMPARE(m_agent->standardError().count(QLatin1String("not running on the system bus")), 1);

        // No tray host came: one notice, whose action opens the settings program (the handler of its URL here).
        const QString applications = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications");
        QFile handler(applications + QStringLiteral("/settings.desktop"));
        QVERIFY(QDir().mkpath(applications) && handler.open(QIODevice::WriteOnly));
        handler.write("[Desktop Entry]\nType=Application\nName=S\nMimeType=x-scheme-handler/x-com-vostel-earlume-settings;\n"
                      "Exec=" + TestEnvironment::executable(QStringLiteral("Earlume_Settings")).toUtf8() + " %u\n");
        handler.close();
        QCOMPARE(QProcess::execute(QStringLiteral("update-desktop-database"), {applications}), 0);
        const auto trayNotices = [] {
            return notificationCalls(QStringLiteral("Notify"))
                .count(QLatin1String("'Earlume is running, but its icon cannot be shown'>, <'This desktop shows no tray icons. On GNOME, "
                                     "install and turn on the AppIndicator extension (gnome-shell-extension-appindicator).'>, "
                                     "<['default', 'Earlume Settings', 'settings', 'Earlume Settings']>"));
        };
        const auto hasTrayHost = [] {
            return TestEnvironment::call(QDBusConnection::sessionBus(), DBusNames::AgentService, DBusNames::TrayPath,
                                         DBusNames::TrayInterface, DBusNames::TrayHasHostMember).arguments().value(0);
        };
        QCOMPARE(hasTrayHost(), QVariant(true)); // no claim before the wait is over
        QTRY_COMPARE_WITH_TIMEOUT(trayNotices(), 1, 20000);
        QCOMPARE(hasTrayHost(), QVariant(false));
        // The daemon's next id, less one, is the notice's. Another id's action is somebody else's.
        const uint next = TestEnvironment::call(QDBusConnection::sessionBus(), DBusNames::NotificationsService,
                                                DBusNames::NotificationsPath, DBusNames::NotificationsInterface, QStringLiteral("Notify"),
                                                {QString(), 0u, QString(), QString(), QString(), QStringList(), QVariantMap(), -1})
                              .arguments().value(0).toUInt();
        const auto invoke = [](uint id) {
            gdbusOutput({QStringLiteral("--dest"), DBusNames::NotificationsService, QStringLiteral("--object-path"),
                         DBusNames::NotificationsPath, QStringLiteral("--method"), QStringLiteral("org.freedesktop.DBus.Mock.EmitSignal"),
                         DBusNames::NotificationsInterface, QStringLiteral("ActionInvoked"), QStringLiteral("us"),
                         QStringLiteral("[<uint32 %1>, <'settings'>]").arg(id)});
        };
        const int echoes = m_recorder->count(Notifications::MonitorEcho);
        invoke(next);
        QTest::qWait(1000);
        QCOMPARE(m_recorder->count(Notifications::MonitorEcho), echoes);
        invoke(next - 1);
        QVERIFY(m_recorder->waitFor(Notifications::MonitorEcho, echoes + 1, 20000)); // the settings program asks
        QTRY_COMPARE(TestEnvironment::visibleWindowCount(QStringLiteral("Earlume Settings")), 1);
        // Said once per login: the next agent keeps quiet. The icon appears as soon as a host comes.
        m_agent = std::make_unique<ProgramUnderTest>(QStringLiteral("Earlume"));
        QVERIFY(m_agent->start());
        QTRY_COMPARE_WITH_TIMEOUT(hasTrayHost(), QVariant(false), 20000);
        QCOMPARE(trayNotices(), 1);
        QVERIFY(TestEnvironment::harnessControl(QStringLiteral("start-watcher")));
        QTRY_COMPARE(TestEnvironment::trayItems().size(), 1);
        QTRY_COMPARE(hasTrayHost(), QVariant(true));
    }
};

QTEST_GUILESS_MAIN(TestAgentEndToEnd)
#include "TestAgentEndToEnd.moc"
