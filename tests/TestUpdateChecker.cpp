// SPDX-License-Identifier: GPL-3.0-or-later
// The update check against real HTTP and HTTPS servers on 127.0.0.1 in this process, through to the alert.
#include "fakes/RecordingWorkspace.h"
#include "update/MessageBoxUpdatePrompt.h"
#include "update/UpdateChecker.h"
#include "update/UpdateFlow.h"
#include "update/VersionCheck.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QSignalSpy>
#include <QSslKey>
#include <QSslServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

namespace
{
enum Tls { Plain, SelfSigned, Trusted };

QByteArray response(const QByteArray &body, int status = 200)
{
    return "HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Length: " + QByteArray::number(body.size())
        + "\r\n\r\n" + body;
}

QByteArray chunked(const QByteArray &body)
{
    return "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + QByteArray::number(body.size(), 16) + "\r\n"
        + body + "\r\n0\r\n\r\n";
}
} // namespace

class TestUpdateChecker : public QObject
{
    Q_OBJECT

    QSslConfiguration m_server;

private Q_SLOTS:
    void initTestCase()
    {
        // A throw-away self-signed certificate for 127.0.0.1.
        QTemporaryDir dir;
        const QString cert = dir.filePath(QStringLiteral("cert.pem")), key = dir.filePath(QStringLiteral("key.pem"));
        QCOMPARE(QProcess::execute(QStringLiteral("openssl"),
                                   QStringLiteral("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes "
                                                  "-days 2 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1")
                                           .split(u' ')
                                       + QStringList{QStringLiteral("-keyout"), key, QStringLiteral("-out"), cert}),
                 0);
        QFile keyFile(key);
        QVERIFY(keyFile.open(QIODevice::ReadOnly));
        m_server.setLocalCertificate(QSslCertificate::fromPath(cert).value(0));
        m_server.setPrivateKey(QSslKey(&keyFile, QSsl::Ec));
        QVERIFY(!m_server.localCertificate().isNull() && !m_server.privateKey().isNull());
    }

    void onlyAStrictlyNewerVersionCounts_data()
    {
        QTest::addColumn<QString>("published");
        QTest::addColumn<QString>("current");
        QTest::addColumn<bool>("newer");
        const std::tuple<const char *, const char *, bool> rows[] = {
            {"1.4", "1.4", false}, {"1.4.0", "1.4", false}, {"1.4", "1.4.0", false}, {"1.3", "1.4", false},
            {"1.9", "1.10", false}, {"1.5", "1.4", true}, {"1.4.1", "1.4.0", true}, {"1.10", "1.9", true},
            {"2", "1.4.0", true}, {"\t1.5\r\n", "1.4", true}, {"", "1.4", false}, {" \n", "1.4", false},
            {"<html>1.5</html>", "1.4", false}, {"1.5-beta", "1.4", false}, {"1.5\n1.6", "1.4", false},
            {"1.5.", "1.4", false}, {"1..5", "1.4", false}, {"99999999999999999999", "1.4", false},
            {"\u0661.\u0665", "1.4", false}, {"1.5", "unknown", false}};
        for (const auto &[published, current, newer] : rows) {
            QTest::addRow("%s vs %s", QByteArray(published).toPercentEncoding(" <>/").constData(), current)
                << QString::fromUtf8(published) << QString::fromUtf8(current) << newer;
        }
    }
    void onlyAStrictlyNewerVersionCounts()
    {
        QFETCH(QString, published);
        QFETCH(QString, current);
        QTEST(isNewerVersion(published, current), "newer");
    }

    void checkAgainstLocalServer_data()
    {
        QTest::addColumn<QByteArray>("response"); // empty: the server never answers
        QTest::addColumn<int>("tls");
        QTest::addColumn<int>("key"); // that answers the alert; 0: no alert comes
        const QByteArray oneKiB = "1.5" + QByteArray(UpdateChecker::maximumBodySize - 3, ' ');
        QTest::newRow("newer, Return: Yes") << response("1.5\n") << int(Plain) << int(Qt::Key_Return);
        QTest::newRow("newer, Escape: No") << response("1.5\n") << int(Plain) << int(Qt::Key_Escape);
        QTest::newRow("equal") << response("1.4") << int(Plain) << 0;
        QTest::newRow("not a version") << response("<html>1.5</html>") << int(Plain) << 0;
        QTest::newRow("exactly 1 KiB") << response(oneKiB) << int(Plain) << int(Qt::Key_Return);
        QTest::newRow("1 KiB and a byte") << response(oneKiB + ' ') << int(Plain) << 0;
        QTest::newRow("chunked") << chunked("1.5") << int(Plain) << int(Qt::Key_Return);
        QTest::newRow("chunked, 1 KiB and a byte") << chunked(oneKiB + ' ') << int(Plain) << 0;
        QTest::newRow("404") << response("1.5", 404) << int(Plain) << 0;
        // Qt reports no error for a 3xx without a Location; only the status tells it apart from an answer.
        QTest::newRow("300") << response("1.5", 300) << int(Plain) << 0;
        QTest::newRow("never answers") << QByteArray() << int(Plain) << 0;
        QTest::newRow("https, self-signed") << response("1.5") << int(SelfSigned) << 0;
        // The same certificate, trusted: the rejection above is the certificate's doing.
        QTest::newRow("https, trusted") << response("1.5") << int(Trusted) << int(Qt::Key_Return);
    }
    void checkAgainstLocalServer()
    {
        QFETCH(QByteArray, response);
        QFETCH(int, tls);
        QFETCH(int, key);
        const QSslConfiguration defaults = QSslConfiguration::defaultConfiguration();
        QSslConfiguration trusting = defaults;
        trusting.addCaCertificate(m_server.localCertificate());
        QSslConfiguration::setDefaultConfiguration(tls == Trusted ? trusting : defaults);
        QByteArrayList requests;
        int open = 0; // connections; the server never closes one itself
        QSslServer https;
        https.setSslConfiguration(m_server);
        QTcpServer http;
        QTcpServer &server = tls == Plain ? http : https;
        connect(&server, &QTcpServer::pendingConnectionAvailable, this, [&] {
            QTcpSocket *socket = server.nextPendingConnection();
            ++open;
            connect(socket, &QTcpSocket::disconnected, this, [&open, socket] {
                --open;
                socket->deleteLater();
            });
            connect(socket, &QTcpSocket::readyRead, this, [&, socket] {
                if (socket->peek(socket->bytesAvailable()).endsWith("\r\n\r\n")) {
                    requests << socket->readAll().split('\r').first();
                    socket->write(response);
                }
            });
        });
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const QString base = QStringLiteral("http%1://127.0.0.1:%2").arg(QLatin1String(tls ? "s" : "")).arg(server.serverPort());
        QNetworkAccessManager nam;
        RecordingWorkspace workspace;
        UpdateFlow flow(&nam, QUrl(base), QStringLiteral("1.4"), &workspace, std::make_unique<MessageBoxUpdatePrompt>());
        flow.checker()->setTimeout(response.isEmpty() ? 1s : 20s);
        QString alert;
        QTimer answerer; // answers the alert from inside its modal loop
        connect(&answerer, &QTimer::timeout, this, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                answerer.stop();
                QVERIFY(!flow.checker()->isRunning()); // the alert comes after the check has ended
                QCOMPARE(box->icon(), QMessageBox::Warning);
                alert = box->text() + u'|' + box->informativeText();
                for (QAbstractButton *button : box->buttons()) {
                    alert += u'|' + button->text();
                }
                QTest::keyClick(box, Qt::Key(key));
            }
        });
        answerer.start(10);
        QSignalSpy finished(&flow, &UpdateFlow::finished);
        flow.start();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);
        QSslConfiguration::setDefaultConfiguration(defaults);

        QCOMPARE(alert, key ? QStringLiteral("A new version is available|Version 1.5 of Earlume is available, and you "
                                             "have 1.4. Do you want to download it?|Yes|No")
                            : QString());
        const QList<QUrl> archive{QUrl(base + QStringLiteral("/earlume/Earlume.zip"))};
        QCOMPARE(workspace.opened, key == Qt::Key_Return ? archive : QList<QUrl>());
        const QByteArrayList request{"GET /earlume/last HTTP/1.1"}; // none past a failed handshake
        QCOMPARE(requests, tls == SelfSigned ? QByteArrayList() : request);
        QTRY_COMPARE(open, 0); // nothing left open behind the check
    }
};

QTEST_MAIN(TestUpdateChecker)
#include "TestUpdateChecker.moc"
