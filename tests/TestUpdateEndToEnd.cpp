// SPDX-License-Identifier: GPL-3.0-or-later
// The real agent's update check against an HTTP server on 127.0.0.1 in this test, seen from outside: the alert and
// what the agent then hands to the desktop.
#include "Notifications.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

class TestUpdateEndToEnd : public QObject
{
    Q_OBJECT

    QTemporaryDir m_bin; // holds an xdg-open that only writes down what it is asked to open

    QStringList opened() const
    {
        QFile log(m_bin.filePath(QStringLiteral("opened.log")));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                             : QStringList();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QFile script(m_bin.filePath(QStringLiteral("xdg-open")));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho \"$*\" >> '" + QFile::encodeName(m_bin.filePath(QStringLiteral("opened.log")))
                     + "'\n");
        QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    }

    void alertForANewerVersion_data()
    {
        QTest::addColumn<bool>("network");
        QTest::newRow("newer version, Return takes the default: Yes") << true;
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
                if (socket->peek(socket->bytesAvailable()).startsWith("GET /earlume/last HTTP/1.1\r\n")) {
                    socket->write("HTTP/1.1 200 OK\r\nContent-Length: 4\r\nConnection: close\r\n\r\n99.0");
                    socket->disconnectFromHost();
                }
            });
        });
        const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort());
        if (!network) {
            server.close();
        }
        PostRecorder recorder;
        ProgramUnderTest agent(QStringLiteral("Earlume"));
        agent.setEnvironmentValue(QStringLiteral("EARLUME_UPDATE_BASE_URL"), base);
        agent.setEnvironmentValue(QStringLiteral("PATH"), m_bin.path() + u':' + qEnvironmentVariable("PATH"));
        agent.setEnvironmentValue(QStringLiteral("QT_MESSAGE_PATTERN"), QStringLiteral("%{type} %{category}: %{message}"));
        agent.setEnvironmentValue(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("earlume.agent.update.debug=true"));
        agent.setEnvironmentValue(QStringLiteral("no_proxy"), QStringLiteral("127.0.0.1"));
        QVERIFY(agent.start());
        QVERIFY(recorder.waitFor(Notifications::Ping, 1, 20000));
        const QString alert = QStringLiteral("Earlume update");
        if (network) {
            QTRY_COMPARE_WITH_TIMEOUT(TestEnvironment::visibleWindowCount(alert), 1, 20000);
            QCOMPARE(opened(), QStringList());
            QProcess::execute(QStringLiteral("xdotool"), QStringLiteral("search --onlyvisible --name ^Earlume.update$ "
                                                                        "windowfocus --sync key Return").split(u' '));
            QTRY_COMPARE_WITH_TIMEOUT(TestEnvironment::visibleWindowCount(alert), 0, 20000);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(agent.standardError().contains(QLatin1String("Update check failed")), 20000);
            // The echo is answered after everything queued before it, an alert's turn included.
            recorder.post(Notifications::MonitorEcho);
            QVERIFY(recorder.waitFor(Notifications::Ping, 2, 20000));
            QCOMPARE(TestEnvironment::visibleWindowCount(alert), 0);
        }
        QTRY_COMPARE_WITH_TIMEOUT(opened(), network ? QStringList{base + QStringLiteral("/earlume/Earlume.zip")}
                                                    : QStringList(), 20000);

        agent.terminate();
        QVERIFY(agent.waitForExit(20000));
        QCOMPARE(agent.exitCode(), 0);
        QCOMPARE(agent.lines(), QStringList());
        static const QRegularExpression complaint(QStringLiteral("^(warning|critical|fatal) earlume.agent.update"),
                                                  QRegularExpression::MultilineOption);
        QVERIFY2(!complaint.match(agent.standardError()).hasMatch(), qPrintable(agent.standardError()));
    }
};

QTEST_GUILESS_MAIN(TestUpdateEndToEnd)
#include "TestUpdateEndToEnd.moc"
