// SPDX-License-Identifier: GPL-3.0-or-later
// The real agent's launch-time update check against an HTTP server on 127.0.0.1 inside this test: whether the
// new-version alert comes up, how it is answered, and what the agent then hands to the desktop, seen from outside.
#include "Notifications.h"
#include "support/TestEnvironment.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QHash>
#include <QHostAddress>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace
{
// Generous bounds for a loaded machine; every wait ends as soon as its condition holds.
constexpr int waitMs = 20000;
// How long an absence (a window, a second open) is watched for once the agent has gone past the point where it
// would have appeared.
constexpr int settleMs = 300;

const QString AlertTitle = QStringLiteral("Earlume update");

/// Answers every request with 200 and one fixed plain-text body, then closes the connection; keeps the request
/// lines it was sent.
class VersionServer : public QObject
{
public:
    explicit VersionServer(const QByteArray &body)
        : m_body(body)
    {
        connect(&m_server, &QTcpServer::newConnection, this, &VersionServer::onNewConnection);
    }

    bool listen() { return m_server.listen(QHostAddress::LocalHost); }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()); }
    QStringList requests() const { return m_requests; }

private:
    void onNewConnection()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        }
    }

    void onReadyRead(QTcpSocket *socket)
    {
        QByteArray &request = m_pending[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n")) {
            return;
        }
        m_requests << QString::fromLatin1(request.left(request.indexOf("\r\n")));
        m_pending.remove(socket);
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: "
                      + QByteArray::number(m_body.size()) + "\r\nConnection: close\r\n\r\n" + m_body);
        socket->disconnectFromHost();
    }

    const QByteArray m_body;
    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_pending;
    QStringList m_requests;
};

QStringList xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    process.waitForFinished(10000);
    return QString::fromLocal8Bit(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

/// Ids of the visible X windows titled like the new-version alert.
QStringList alertWindows()
{
    return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                    QLatin1Char('^') + AlertTitle + QLatin1Char('$')});
}

/// Ids of all visible X windows of one process (from _NET_WM_PID).
QStringList visibleWindowsOf(qint64 pid)
{
    return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                    QString::number(pid)});
}

/// Warning-level lines of the agent's standard error that concern the update check, its network or what it opens.
/// The agent runs with QT_MESSAGE_PATTERN="%{type} %{category}: %{message}", so each line starts with its level.
QStringList updateWarnings(const QString &standardError)
{
    static const QRegularExpression updateWarning(
        QStringLiteral("^(warning|critical|fatal) .*(update|network|ssl|tls|http|127\\.0\\.0\\.1|Earlume\\.zip)"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList found;
    for (const QString &line : standardError.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (updateWarning.match(line).hasMatch()) {
            found << line;
        }
    }
    return found;
}
} // namespace

class TestUpdateEndToEnd : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_fakeBin;

    QString openLog() const { return m_fakeBin.filePath(QStringLiteral("opened.log")); }

    /// One line per xdg-open the agent ran, holding its arguments.
    QStringList openedUrls() const
    {
        QFile log(openLog());
        if (!log.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    std::unique_ptr<ProgramUnderTest> startAgent(const QString &baseUrl, PostRecorder &recorder)
    {
        auto agent = std::make_unique<ProgramUnderTest>(QStringLiteral("Earlume"));
        agent->setEnvironmentValue(QStringLiteral("EARLUME_UPDATE_BASE_URL"), baseUrl);
        // Qt's desktop services open URLs with the first xdg-open on the PATH: ours only records them.
        agent->setEnvironmentValue(QStringLiteral("PATH"),
                                   m_fakeBin.path() + QLatin1Char(':') + qEnvironmentVariable("PATH"));
        agent->setEnvironmentValue(QStringLiteral("QT_MESSAGE_PATTERN"),
                                   QStringLiteral("%{type} %{category}: %{message}"));
        agent->setEnvironmentValue(QStringLiteral("QT_LOGGING_RULES"),
                                   QStringLiteral("earlume.agent.update.debug=true"));
        // A proxy from the host's environment must not stand between the agent and 127.0.0.1.
        agent->setEnvironmentValue(QStringLiteral("no_proxy"), QStringLiteral("127.0.0.1"));
        const int pingsBefore = recorder.count(Notifications::Ping);
        if (!agent->start() || !recorder.waitFor(Notifications::Ping, pingsBefore + 1, waitMs)) {
            qWarning() << "the agent did not announce itself";
            return nullptr;
        }
        return agent;
    }

    /// Posts MonitorEcho and waits for the agent's Ping in answer.
    bool echo(PostRecorder &recorder)
    {
        const int pingsBefore = recorder.count(Notifications::Ping);
        recorder.post(Notifications::MonitorEcho);
        return recorder.waitFor(Notifications::Ping, pingsBefore + 1, waitMs);
    }

    /// Waits until the check has shown its outcome: @p conclusion written to stderr at debug level, or the alert.
    /// Then checks it was the former.
    void verifyConcludedWithoutAlert(ProgramUnderTest &agent, const QString &conclusion)
    {
        const QString line = QStringLiteral("debug earlume.agent.update: ") + conclusion;
        QTRY_VERIFY2_WITH_TIMEOUT(agent.standardError().contains(line) || !alertWindows().isEmpty(),
                                  qPrintable(agent.standardError()), waitMs);
        QCOMPARE(alertWindows(), QStringList());
        QVERIFY2(agent.standardError().contains(line), qPrintable(agent.standardError()));
    }

    /// True if no alert window shows for a short while.
    bool alertStaysAway()
    {
        QDeadlineTimer deadline(settleMs);
        do {
            if (!alertWindows().isEmpty()) {
                return false;
            }
            QTest::qWait(50);
        } while (!deadline.hasExpired());
        return alertWindows().isEmpty();
    }

    /// After the check has concluded (its debug line is out): the agent serves the bus, shows nothing, opens
    /// nothing; then it ends normally having written nothing to stdout and no warning about the update.
    void verifyQuietCheck(ProgramUnderTest &agent, PostRecorder &recorder)
    {
        // The agent has handled everything queued before this answer, the alert's turn included.
        QVERIFY(echo(recorder));
        QVERIFY(alertStaysAway());
        QCOMPARE(visibleWindowsOf(agent.pid()), QStringList());
        QCOMPARE(openedUrls(), QStringList());
        stopAgent(agent);
    }

    void stopAgent(ProgramUnderTest &agent)
    {
        agent.terminate();
        QVERIFY(agent.waitForExit(waitMs));
        QCOMPARE(agent.exitStatus(), QProcess::NormalExit);
        QCOMPARE(agent.exitCode(), 0);
        QCOMPARE(agent.lines(), QStringList());
        QCOMPARE(updateWarnings(agent.standardError()), QStringList());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_fakeBin.isValid());
        QFile script(m_fakeBin.filePath(QStringLiteral("xdg-open")));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + QFile::encodeName(openLog()) + "'\n");
        script.close();
        QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    }

    void init()
    {
        QFile::remove(openLog());
        QFile::remove(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"))
                      + QStringLiteral("/com.vostel.Earlume.settings-plist.ini"));
    }

    void withoutNetworkTheAgentRunsQuietly()
    {
        // A port that was just free on 127.0.0.1: connecting to it is refused at once.
        quint16 refusedPort = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            refusedPort = probe.serverPort();
        }
        PostRecorder recorder;
        auto agent = startAgent(QStringLiteral("http://127.0.0.1:%1").arg(refusedPort), recorder);
        QVERIFY(agent);
        // The check did run and failed, at debug level only.
        verifyConcludedWithoutAlert(*agent, QStringLiteral("Update check failed: Connection refused"));
        if (QTest::currentTestFailed()) {
            return;
        }
        verifyQuietCheck(*agent, recorder);
    }

    void noAlertUnlessNewer_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("conclusion");

        QTest::newRow("same version") << QByteArray(EARLUME_TEST_VERSION)
                                      << QStringLiteral("Up to date: published " EARLUME_TEST_VERSION
                                                        " current " EARLUME_TEST_VERSION);
        QTest::newRow("older version") << QByteArray("1.3")
                                       << QStringLiteral("Up to date: published 1.3 current " EARLUME_TEST_VERSION);
        QTest::newRow("garbage") << QByteArray("<html><body>Moved to 99.0</body></html>\n\x01\xff")
                                 << QStringLiteral("Update check failed: the server's answer is not a version");
    }

    void noAlertUnlessNewer()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, conclusion);

        VersionServer server(body);
        QVERIFY(server.listen());
        PostRecorder recorder;
        auto agent = startAgent(server.baseUrl(), recorder);
        QVERIFY(agent);
        verifyConcludedWithoutAlert(*agent, conclusion);
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(server.requests(), QStringList{QStringLiteral("GET /earlume/last HTTP/1.1")});
        verifyQuietCheck(*agent, recorder);
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(server.requests().size(), 1);
    }

    void newerVersionIsOffered_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("opens");

        QTest::newRow("Escape answers No") << QStringLiteral("Escape") << false;
        QTest::newRow("Return takes the default, Yes") << QStringLiteral("Return") << true;
    }

    void newerVersionIsOffered()
    {
        QFETCH(QString, key);
        QFETCH(bool, opens);

        VersionServer server("99.0");
        QVERIFY(server.listen());
        PostRecorder recorder;
        auto agent = startAgent(server.baseUrl(), recorder);
        QVERIFY(agent);

        QTRY_COMPARE_WITH_TIMEOUT(alertWindows().size(), 1, waitMs);
        const QString alert = alertWindows().first();
        // It is the agent's window, and the only one it shows.
        QCOMPARE(visibleWindowsOf(agent->pid()), QStringList{alert});
        QCOMPARE(server.requests(), QStringList{QStringLiteral("GET /earlume/last HTTP/1.1")});

        // The alert's modal loop keeps serving the bus.
        QVERIFY(echo(recorder));
        QCOMPARE(alertWindows(), QStringList{alert});
        QCOMPARE(openedUrls(), QStringList());

        xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), alert, QStringLiteral("key"), key});
        QTRY_COMPARE_WITH_TIMEOUT(alertWindows(), QStringList(), waitMs);
        QVERIFY(echo(recorder));

        const QStringList expected =
            opens ? QStringList{server.baseUrl() + QStringLiteral("/earlume/Earlume.zip")} : QStringList();
        QTRY_COMPARE_WITH_TIMEOUT(openedUrls(), expected, waitMs);
        // Nothing more follows: no second open, no second alert.
        QVERIFY(alertStaysAway());
        QCOMPARE(openedUrls(), expected);
        QCOMPARE(visibleWindowsOf(agent->pid()), QStringList());
        stopAgent(*agent);
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(server.requests().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestUpdateEndToEnd)
#include "TestUpdateEndToEnd.moc"
