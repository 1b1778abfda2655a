// SPDX-License-Identifier: GPL-3.0-or-later
// The update check, through its check process, against real HTTP and HTTPS servers on 127.0.0.1 in this test,
// through to the alert.
#include "fakes/RecordingWorkspace.h"
#include "update/MessageBoxUpdatePrompt.h"
#include "update/UpdateChecker.h"
#include "update/UpdateFlow.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSslKey>
#include <QSslServer>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

namespace
{
enum Tls { Plain, SelfSigned, Trusted };

QByteArray response(const QByteArray &body, int status = 200, bool chunked = false)
{
    const QByteArray size = QByteArray::number(body.size(), chunked ? 16 : 10);
    return "HTTP/1.1 " + QByteArray::number(status) + " X\r\n"
        + (chunked ? QByteArray("Transfer-Encoding: chunked\r\n\r\n" + size + "\r\n" + body + "\r\n0\r\n\r\n")
                   : QByteArray("Content-Length: " + size + "\r\n\r\n" + body));
}
} // namespace

class TestUpdateChecker : public QObject
{
    Q_OBJECT

    QSslConfiguration m_tls; // the server's: a throw-away self-signed certificate for 127.0.0.1
    QTemporaryFile m_certificate; // the same certificate, for the check process to trust

private Q_SLOTS:
    void initTestCase()
    {
        QProcess openssl; // key and certificate, both on its standard output
        openssl.start(QStringLiteral("openssl"),
                      QStringLiteral("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj "
                                     "/CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout /dev/stdout -out "
                                     "/dev/stdout").split(u' '));
        QVERIFY(openssl.waitForFinished(60000));
        const QByteArray pem = openssl.readAllStandardOutput();
        m_tls.setLocalCertificate(QSslCertificate(pem));
        m_tls.setPrivateKey(QSslKey(pem, QSsl::Ec));
        QVERIFY(m_certificate.open());
        m_certificate.write(m_tls.localCertificate().toPem());
        m_certificate.flush();
    }

    void checkAgainstLocalServer_data()
    {
        QTest::addColumn<QByteArray>("response"); // empty: the server never answers
        QTest::addColumn<QString>("offered"); // the version the alert offers; empty: no alert comes
        QTest::addColumn<int>("key"); // that answers the alert
        QTest::addColumn<int>("tls");
        const auto row = [](const char *name, const QByteArray &response, const char *offered = "",
                            Qt::Key key = Qt::Key_Return, Tls tls = Plain) {
            QTest::newRow(name) << response << QString::fromLatin1(offered) << int(key) << int(tls);
        };
        // This build is 1.4; only a strictly newer version is offered.
        row("newer: Yes", response("1.5\n"), "1.5");
        row("newer: No", response("1.5\n"), "1.5", Qt::Key_Escape);
        row("newer by number, not by text, trimmed", response("\t1.10\r\n"), "1.10");
        row("equal", response("1.4"));
        row("equal but for a zero", response("1.4.0"));
        row("older", response("1.3"));
        row("not a version", response("<html>1.5-beta</html>"));
        const QByteArray oneKiB = "1.5" + QByteArray(UpdateChecker::maximumBodySize - 3, ' ');
        row("exactly 1 KiB", response(oneKiB), "1.5");
        row("1 KiB and a byte", response(oneKiB + ' '));
        row("chunked, 1 KiB and a byte", response(oneKiB + ' ', 200, true));
        row("404", response("1.5", 404));
        // Qt reports no error for a 3xx without a Location; only the status tells it apart from an answer.
        row("300", response("1.5", 300));
        row("never answers", QByteArray());
        row("https, self-signed", response("1.5"), "", Qt::Key_Return, SelfSigned);
        // The same certificate, trusted: the rejection above is the certificate's doing.
        row("https, trusted", response("1.5"), "1.5", Qt::Key_Return, Trusted);
    }
    void checkAgainstLocalServer()
    {
        QFETCH(QByteArray, response);
        QFETCH(QString, offered);
        QFETCH(int, key);
        QFETCH(int, tls);
        QSslServer https;
        https.setSslConfiguration(m_tls);
        QTcpServer http;
        QTcpServer &server = tls == Plain ? http : https;
        connect(&server, &QTcpServer::pendingConnectionAvailable, this, [&] {
            QTcpSocket *socket = server.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, this, [&, socket] {
                if (socket->readAll().startsWith("GET /earlume/last HTTP/1.1\r\n")) {
                    socket->write(response);
                }
            });
        });
        QVERIFY(server.listen(QHostAddress::LocalHost));
        qputenv("EARLUME_UPDATE_CA_CERTIFICATES", tls == Trusted ? m_certificate.fileName().toLocal8Bit() : "");
        const QString base = QStringLiteral("%1://127.0.0.1:%2")
                                 .arg(QLatin1String(tls ? "https" : "http"), QString::number(server.serverPort()));
        RecordingWorkspace workspace;
        UpdateFlow flow(QUrl(base), QStringLiteral("1.4"), &workspace,
                        std::make_unique<MessageBoxUpdatePrompt>());
        flow.checker()->setTimeout(response.isEmpty() ? 1s : 10s);
        QString alert;
        QTimer answerer; // answers the alert once it shows
        connect(&answerer, &QTimer::timeout, this, [&] {
            const QWidgetList windows = QApplication::topLevelWidgets();
            const auto shown = std::find_if(windows.cbegin(), windows.cend(), [](QWidget *window) {
                return qobject_cast<QMessageBox *>(window) && window->isVisible();
            });
            if (auto *box = shown == windows.cend() ? nullptr : static_cast<QMessageBox *>(*shown)) {
                answerer.stop();
                QCOMPARE(box->windowModality(), Qt::NonModal); // the agent goes on working meanwhile
                QVERIFY(!flow.checker()->isRunning()); // the alert comes once the check is over
                alert = box->text() + u'|' + box->informativeText() + u'|' + box->defaultButton()->text() + u'|'
                    + box->escapeButton()->text();
                QTest::keyClick(box, Qt::Key(key));
            }
        });
        answerer.start(10);
        QSignalSpy finished(&flow, &UpdateFlow::finished);
        flow.start();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);

        QCOMPARE(alert, offered.isEmpty() ? QString()
                                          : QStringLiteral("A new version is available|Version %1 of Earlume is "
                                                           "available, and you have 1.4. Do you want to download "
                                                           "it?|Yes|No").arg(offered));
        const QList<QUrl> archive{QUrl(base + QStringLiteral("/earlume/Earlume.zip"))};
        QCOMPARE(workspace.opened, !offered.isEmpty() && key == Qt::Key_Return ? archive : QList<QUrl>());
    }

    void checkProcessThatCannotRun()
    {
        UpdateChecker checker(QUrl(QStringLiteral("http://127.0.0.1:9")), QStringLiteral("1.4"));
        checker.setProgram(QStringLiteral("/nonexistent/earlume-update-check"));
        QSignalSpy newVersion(&checker, &UpdateChecker::newVersionAvailable);
        QSignalSpy finished(&checker, &UpdateChecker::finished);
        checker.start();
        QVERIFY(finished.wait(10000));
        QVERIFY(!checker.isRunning());
        QCOMPARE(newVersion.size(), 0);
    }
};

QTEST_MAIN(TestUpdateChecker)
#include "TestUpdateChecker.moc"
