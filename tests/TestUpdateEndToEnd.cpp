// SPDX-License-Identifier: GPL-3.0-or-later
// The real agent's update check against an HTTP server on 127.0.0.1 in this test, seen from outside.
#include "Notifications.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

class TestUpdateEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void alertForANewerVersion_data()
    {
        QTest::addColumn<bool>("network");
        QTest::newRow("newer version: the alert") << true;
        QTest::newRow("no network: quiet") << false;
    }
    void alertForANewerVersion()
    {
        QFETCH(bool, network);
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        connect(&server, &QTcpServer::newConnection, this, [&server] {
            QTcpSocket *socket = server.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                if (socket->readAll().startsWith("GET /earlume/last HTTP/1.1\r\n")) {
                    socket->write("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n99.0");
                }
            });
        });
        ProgramUnderTest agent(QStringLiteral("Earlume"));
        agent.setEnvironmentValue(QStringLiteral("EARLUME_UPDATE_BASE_URL"),
                                  QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort()));
        agent.setEnvironmentValue(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("earlume.agent.update=true"));
        agent.setEnvironmentValue(QStringLiteral("no_proxy"), QStringLiteral("127.0.0.1"));
        if (!network) {
            server.close();
        }
        PostRecorder recorder;
        QVERIFY(agent.start());
        QVERIFY(recorder.waitFor(Notifications::Ping, 1, 20000));
        const QString alert = QStringLiteral("Earlume update");
        if (network) {
            QTRY_COMPARE_WITH_TIMEOUT(TestEnvironment::visibleWindowCount(alert), 1, 20000);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(agent.standardError().contains(QLatin1String("Update check failed")), 20000);
            recorder.post(Notifications::MonitorEcho); // answered after everything queued before it, an alert too
            QVERIFY(recorder.waitFor(Notifications::Ping, 2, 20000));
            QCOMPARE(TestEnvironment::visibleWindowCount(alert), 0);
        }
        QCOMPARE(agent.lines(), QStringList());
        // The request ran in a process of its own: neither Qt Network nor OpenSSL ever loaded into the agent.
        QFile maps(QStringLiteral("/proc/%1/maps").arg(agent.pid()));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        for (const char *library : {"libQt6Network", "libssl", "libcrypto", "tlsbackends"}) {
            QVERIFY2(!mapped.contains(library), library);
        }
    }
};

QTEST_GUILESS_MAIN(TestUpdateEndToEnd)
#include "TestUpdateEndToEnd.moc"
