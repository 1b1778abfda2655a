// SPDX-License-Identifier: GPL-3.0-or-later
// The real agent's update check against an HTTP server on 127.0.0.1 inside this test, seen from outside: whether the
// new-version alert comes up, how it is answered, and what the agent then hands to the desktop.
#include "Notifications.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace
{
// Generous bound for a loaded machine; every wait ends as soon as its condition holds.
constexpr int waitMs = 20000;

/// Answers every request with 200 and one fixed plain-text body, then closes; keeps the request lines.
class VersionServer : public QTcpServer
{
public:
    explicit VersionServer(const QByteArray &body)
    {
        connect(this, &QTcpServer::newConnection, this, [this, body] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket, body] {
                    const QByteArray request = socket->peek(socket->bytesAvailable());
                    if (!request.contains("\r\n\r\n")) {
                        return; // the rest of the head is still on its way
                    }
                    socket->readAll();
                    requests << QString::fromLatin1(request.left(request.indexOf("\r\n")));
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: "
                                  + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
            }
        });
    }
    QStringList requests;
};

QStringList xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    process.waitForFinished(10000);
    return QString::fromLocal8Bit(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

/// Ids of the visible X windows titled like the new-version alert.
QStringList alertWindows()
{
    return xdotool(QStringLiteral("search --onlyvisible --name").split(u' ') << QStringLiteral("^Earlume update$"));
}

/// Posts MonitorEcho and waits for the agent's Ping in answer.
bool echo(PostRecorder &recorder)
{
    const int pingsBefore = recorder.count(Notifications::Ping);
    recorder.post(Notifications::MonitorEcho);
    return recorder.waitFor(Notifications::Ping, pingsBefore + 1, waitMs);
}
} // namespace

class TestUpdateEndToEnd : public QObject
{
    Q_OBJECT

    QTemporaryDir m_fakeBin;

    QString openLog() const { return m_fakeBin.filePath(QStringLiteral("opened.log")); }

    /// The arguments of each xdg-open the agent ran.
    QStringList openedUrls() const
    {
        QFile log(openLog());
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                             : QStringList();
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Qt opens URLs with the first xdg-open on the PATH: the agent gets this one, which only records them.
        QVERIFY(m_fakeBin.isValid());
        QFile script(m_fakeBin.filePath(QStringLiteral("xdg-open")));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + QFile::encodeName(openLog()) + "'\n");
        script.close();
        QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    }

    void alertOnlyForANewerVersion_data()
    {
        QTest::addColumn<QByteArray>("body"); // null: nothing listens, as without a network
        QTest::addColumn<QString>("conclusion"); // without an alert: the agent's debug line once the check is over
        QTest::addColumn<QString>("key"); // with an alert: the key that answers it
        QTest::addColumn<bool>("opens");

        QTest::newRow("without network") << QByteArray() << "Update check failed: Connection refused" << "" << false;
        QTest::newRow("same version")
            << QByteArray(EARLUME_TEST_VERSION)
            << "Up to date: published " EARLUME_TEST_VERSION " current " EARLUME_TEST_VERSION << "" << false;
        QTest::newRow("older version")
            << QByteArray("1.3") << "Up to date: published 1.3 current " EARLUME_TEST_VERSION << "" << false;
        QTest::newRow("garbage") << QByteArray("<html><body>Moved to 99.0</body></html>\n\x01\xff")
                                 << "Update check failed: the server's answer is not a version" << "" << false;
        QTest::newRow("newer, Escape answers No") << QByteArray("99.0") << "" << "Escape" << false;
        QTest::newRow("newer, Return takes the default, Yes") << QByteArray("99.0") << "" << "Return" << true;
    }

    void alertOnlyForANewerVersion()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, conclusion);
        QFETCH(QString, key);
        QFETCH(bool, opens);

        QFile::remove(openLog());
        VersionServer server(body);
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const QString baseUrl = QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort());
        if (body.isNull()) {
            server.close();
        }
        PostRecorder recorder;
        ProgramUnderTest agent(QStringLiteral("Earlume"));
        agent.setEnvironmentValue(QStringLiteral("EARLUME_UPDATE_BASE_URL"), baseUrl);
        agent.setEnvironmentValue(QStringLiteral("PATH"), m_fakeBin.path() + u':' + qEnvironmentVariable("PATH"));
        // Each line of its standard error starts with its level; the update check's debug lines are among them.
        agent.setEnvironmentValue(QStringLiteral("QT_MESSAGE_PATTERN"),
                                  QStringLiteral("%{type} %{category}: %{message}"));
        agent.setEnvironmentValue(QStringLiteral("QT_LOGGING_RULES"),
                                  QStringLiteral("earlume.agent.update.debug=true"));
        agent.setEnvironmentValue(QStringLiteral("no_proxy"), QStringLiteral("127.0.0.1"));
        QVERIFY(agent.start());
        QVERIFY2(recorder.waitFor(Notifications::Ping, 1, waitMs), "the agent did not announce itself");
        const auto agentWindows = [&agent] {
            return xdotool(QStringLiteral("search --onlyvisible --pid %1").arg(agent.pid()).split(u' '));
        };

        if (key.isEmpty()) {
            const QString line = QStringLiteral("debug earlume.agent.update: ") + conclusion;
            QTRY_VERIFY2_WITH_TIMEOUT(agent.standardError().contains(line), qPrintable(agent.standardError()), waitMs);
            // Answered after everything queued before it, the alert's turn included.
            QVERIFY(echo(recorder));
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(alertWindows().size(), 1, waitMs);
            const QString alert = alertWindows().first();
            QCOMPARE(agentWindows(), QStringList{alert}); // the agent's, and its only window
            QVERIFY(echo(recorder)); // the alert's modal loop keeps serving the bus
            QCOMPARE(alertWindows(), QStringList{alert});
            QCOMPARE(openedUrls(), QStringList());
            xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), alert, QStringLiteral("key"), key});
            QTRY_COMPARE_WITH_TIMEOUT(alertWindows(), QStringList(), waitMs);
            QVERIFY(echo(recorder));
        }
        const QStringList expected =
            opens ? QStringList{baseUrl + QStringLiteral("/earlume/Earlume.zip")} : QStringList();
        QTRY_COMPARE_WITH_TIMEOUT(openedUrls(), expected, waitMs);
        // Nothing more follows, watched for a while: no (second) alert, no second open, no window at all.
        QTest::qWait(300);
        QCOMPARE(agentWindows(), QStringList());
        QCOMPARE(openedUrls(), expected);

        agent.terminate();
        QVERIFY(agent.waitForExit(waitMs));
        QCOMPARE(agent.exitStatus(), QProcess::NormalExit);
        QCOMPARE(agent.exitCode(), 0);
        QCOMPARE(agent.lines(), QStringList());
        static const QRegularExpression updateWarning(
            QStringLiteral("^(warning|critical|fatal) .*(update|network|ssl|tls|http|127\\.0\\.0\\.1|Earlume\\.zip)"),
            QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
        QVERIFY2(!updateWarning.match(agent.standardError()).hasMatch(), qPrintable(agent.standardError()));
        QCOMPARE(server.requests,
                 body.isNull() ? QStringList() : QStringList{QStringLiteral("GET /earlume/last HTTP/1.1")});
    }
};

QTEST_GUILESS_MAIN(TestUpdateEndToEnd)
#include "TestUpdateEndToEnd.moc"
