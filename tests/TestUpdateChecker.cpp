// SPDX-License-Identifier: GPL-3.0-or-later
// The update check against real HTTP and HTTPS servers on 127.0.0.1, run inside this process.
#include "update/UpdateChecker.h"
#include "update/UpdateFlow.h"
#include "update/UpdatePrompt.h"
#include "update/UpdateServer.h"
#include "update/VersionCheck.h"

#include "Workspace.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <memory>

using namespace std::chrono_literals;

// Each row of the server table names only the fields of its Scenario that differ from the defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace
{
// Long enough for any real check on a loaded machine; a check cut off by its deadline ends far sooner.
constexpr int signalWaitMs = 20000;

enum class Framing { ContentLength, Chunked, UntilClose };
enum class Tls { None, SelfSigned, Trusted };

/// What the local server does with the check, and the check's deadline.
struct Scenario {
    int status = 200;
    QByteArray body;
    Framing framing = Framing::ContentLength;
    bool listening = true; // false: the port is closed again before the check, so connecting is refused
    bool silent = false; // reads the request and never answers
    std::chrono::milliseconds trickle{0}; // above zero: the body goes out one byte per interval
    Tls tls = Tls::None;
    QByteArray basePath;
    std::chrono::milliseconds deadline = UpdateChecker::defaultTimeout;
};

/// HTTP/1.1, optionally over TLS. It never closes a connection itself unless the body runs until the close, so
/// the tests see whether the client leaves one open.
class LocalHttpServer : public QTcpServer
{
public:
    explicit LocalHttpServer(const Scenario &scenario, const QSslCertificate &certificate = QSslCertificate(),
                             const QSslKey &key = QSslKey())
        : m_scenario(scenario)
        , m_certificate(certificate)
        , m_key(key)
    {
    }
    QUrl baseUrl() const
    {
        const QLatin1StringView scheme(m_key.isNull() ? "http" : "https");
        return QUrl(QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(serverPort()));
    }

    QList<QByteArray> requestLines;
    int connectionCount = 0;
    int openConnections = 0;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        QTcpSocket *socket = m_key.isNull() ? new QTcpSocket(this) : new QSslSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        ++connectionCount;
        ++openConnections;
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            --openConnections;
            socket->deleteLater();
        });
        if (auto *tls = qobject_cast<QSslSocket *>(socket)) {
            tls->setLocalCertificate(m_certificate);
            tls->setPrivateKey(m_key);
            tls->startServerEncryption();
        }
    }

private:
    void onReadyRead(QTcpSocket *socket)
    {
        const QByteArray request = socket->peek(socket->bytesAvailable());
        if (!request.contains("\r\n\r\n")) {
            return; // the rest of the head is still on its way
        }
        socket->readAll();
        requestLines.append(request.left(request.indexOf("\r\n")));
        if (m_scenario.silent) {
            return;
        }
        const bool chunked = m_scenario.framing == Framing::Chunked;
        const QByteArray framing = chunked ? QByteArray("Transfer-Encoding: chunked")
            : m_scenario.framing == Framing::UntilClose
            ? QByteArray("Connection: close")
            : QByteArray("Content-Length: " + QByteArray::number(m_scenario.body.size()));
        socket->write("HTTP/1.1 " + QByteArray::number(m_scenario.status) + " Status\r\nContent-Type: text/plain\r\n"
                      + framing + "\r\n\r\n");
        QByteArrayList pieces;
        const qsizetype step = m_scenario.trickle > 0ms ? 1 : std::max<qsizetype>(1, m_scenario.body.size());
        for (qsizetype at = 0; at < m_scenario.body.size(); at += step) {
            const QByteArray piece = m_scenario.body.mid(at, step);
            pieces << (chunked ? QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n" : piece);
        }
        if (chunked) {
            pieces << "0\r\n\r\n";
        }
        // The timer belongs to the socket, so it stops when the client goes away.
        auto *sender = new QTimer(socket);
        connect(sender, &QTimer::timeout, socket, [this, socket, sender, pieces]() mutable {
            if (!pieces.isEmpty()) {
                socket->write(pieces.takeFirst());
                return;
            }
            sender->stop();
            if (m_scenario.framing == Framing::UntilClose) {
                socket->disconnectFromHost();
            }
        });
        sender->start(m_scenario.trickle);
    }

    const Scenario m_scenario;
    const QSslCertificate m_certificate;
    const QSslKey m_key;
};

/// Stands in for the modal alert: answers at once and records what it was asked.
struct ScriptedPrompt : UpdatePrompt {
    bool askToDownload(const QString &newVersion, const QString &current) override
    {
        asked.append({newVersion, current});
        checkerWasRunning = checker->isRunning();
        return answer;
    }
    bool answer = true;
    const UpdateChecker *checker = nullptr;
    QList<QStringList> asked;
    bool checkerWasRunning = false;
};

struct RecordingWorkspace : Workspace {
    void openUrl(const QUrl &url) override { opened.append(url); }
    QList<QUrl> opened;
};
} // namespace

Q_DECLARE_METATYPE(Scenario)

class TestUpdateChecker : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tlsDir;
    QSslCertificate m_certificate;
    QSslKey m_key;
    QSslConfiguration m_savedSslConfiguration;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_tlsDir.isValid());
        QVERIFY2(QSslSocket::supportsSsl(), "Qt has no TLS backend");
        m_savedSslConfiguration = QSslConfiguration::defaultConfiguration();
        // A throw-away self-signed certificate for 127.0.0.1, made fresh for each run.
        const QString certPath = m_tlsDir.filePath(QStringLiteral("cert.pem"));
        const QString keyPath = m_tlsDir.filePath(QStringLiteral("key.pem"));
        QProcess openssl;
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start(QStringLiteral("openssl"),
                      QStringLiteral("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
                                     "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout")
                              .split(u' ')
                          + QStringList{keyPath, QStringLiteral("-out"), certPath});
        QVERIFY2(openssl.waitForFinished(60000), "openssl did not finish");
        QVERIFY2(openssl.exitStatus() == QProcess::NormalExit && openssl.exitCode() == 0,
                 openssl.readAll().constData());
        const QList<QSslCertificate> certificates = QSslCertificate::fromPath(certPath);
        QCOMPARE(certificates.size(), 1);
        m_certificate = certificates.first();
        QFile keyFile(keyPath);
        QVERIFY(keyFile.open(QIODevice::ReadOnly));
        m_key = QSslKey(&keyFile, QSsl::Ec);
        QVERIFY(!m_key.isNull());
    }

    void cleanup()
    {
        QSslConfiguration::setDefaultConfiguration(m_savedSslConfiguration);
        qunsetenv("EARLUME_UPDATE_BASE_URL");
    }

    void publishedVersionIsComparedWithCurrent_data()
    {
        QTest::addColumn<QString>("published");
        QTest::addColumn<QString>("current");
        QTest::addColumn<bool>("newer");

        QTest::newRow("equal") << "1.4" << "1.4" << false;
        QTest::newRow("equal, trailing zero") << "1.4.0" << "1.4" << false;
        QTest::newRow("equal, current has trailing zero") << "1.4" << "1.4.0" << false;
        QTest::newRow("newer minor") << "1.5" << "1.4" << true;
        QTest::newRow("newer patch") << "1.4.1" << "1.4.0" << true;
        QTest::newRow("newer major, one segment") << "2" << "1.4.0" << true;
        QTest::newRow("numeric, not textual") << "1.10" << "1.9" << true;
        QTest::newRow("older") << "1.3" << "1.4" << false;
        QTest::newRow("older, textually larger") << "1.9" << "1.10" << false;
        QTest::newRow("newer with tab and CRLF") << "\t1.5\r\n" << "1.4" << true;
        QTest::newRow("equal with CRLF and spaces") << "  1.4.0\r\n" << "1.4.0" << false;
        QTest::newRow("leading zero segment") << "1.05" << "1.4" << true;
        QTest::newRow("white space only") << " \n" << "1.4" << false;
        QTest::newRow("html") << "<html>1.5</html>" << "1.4" << false;
        QTest::newRow("suffix") << "1.5-beta" << "1.4" << false;
        QTest::newRow("two lines") << "1.5\n1.6" << "1.4" << false;
        QTest::newRow("trailing dot") << "1.5." << "1.4" << false;
        QTest::newRow("double dot") << "1..5" << "1.4" << false;
        QTest::newRow("overflowing segment") << "99999999999999999999" << "1.4" << false;
        QTest::newRow("non-ASCII digits") << QStringLiteral("\u0661.\u0665") << "1.4" << false;
        QTest::newRow("NUL inside") << QString::fromLatin1("1.5\0", 4) << "1.4" << false;
        QTest::newRow("current not a version") << "1.5" << "unknown" << false;
    }

    void publishedVersionIsComparedWithCurrent()
    {
        QFETCH(QString, published);
        QFETCH(QString, current);
        QFETCH(bool, newer);
        QCOMPARE(isNewerVersion(published, current), newer);
    }

    void serverUrlsAreBuiltUnderTheBase_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("prefix"); // of both the version endpoint and the download archive

        QTest::newRow("built-in") << "https://earlume.vostel.com" << "https://earlume.vostel.com/earlume/";
        QTest::newRow("trailing slash") << "https://earlume.vostel.com/" << "https://earlume.vostel.com/earlume/";
        QTest::newRow("port") << "http://127.0.0.1:8123" << "http://127.0.0.1:8123/earlume/";
        QTest::newRow("path") << "https://example.org/mirror" << "https://example.org/mirror/earlume/";
        QTest::newRow("path, query, fragment") << "https://example.org/mirror/?x=1#top"
                                               << "https://example.org/mirror/earlume/";
    }

    void serverUrlsAreBuiltUnderTheBase()
    {
        QFETCH(QString, base);
        QFETCH(QString, prefix);
        QCOMPARE(versionEndpointUrl(QUrl(base)).toString(), prefix + QStringLiteral("last"));
        QCOMPARE(downloadArchiveUrl(QUrl(base)).toString(), prefix + QStringLiteral("Earlume.zip"));
    }

    void environmentOverridesTheBaseUrl_data()
    {
        QTest::addColumn<QByteArray>("value"); // null: unset
        QTest::addColumn<QString>("expected"); // empty: the built-in base

        QTest::newRow("unset") << QByteArray() << QString();
        QTest::newRow("empty") << QByteArray("") << QString();
        QTest::newRow("http on loopback") << QByteArray("http://127.0.0.1:8123") << "http://127.0.0.1:8123";
        QTest::newRow("https") << QByteArray("https://updates.example.org/x") << "https://updates.example.org/x";
        QTest::newRow("file URL") << QByteArray("file:///etc") << QString();
        QTest::newRow("relative") << QByteArray("earlume") << QString();
        QTest::newRow("garbage") << QByteArray("http://[::1") << QString();
    }

    void environmentOverridesTheBaseUrl()
    {
        QFETCH(QByteArray, value);
        QFETCH(QString, expected);
        if (!value.isNull()) {
            qputenv("EARLUME_UPDATE_BASE_URL", value);
        }
        if (!value.isEmpty() && expected.isEmpty()) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Ignoring EARLUME_UPDATE_BASE_URL")));
        }
        QCOMPARE(updateBaseUrl(), QUrl(expected.isEmpty() ? QStringLiteral(EARLUME_UPDATE_BASE_URL) : expected));
    }

    void versionLineNamesThisBuild()
    {
        QCOMPARE(versionLine(), QStringLiteral("Earlume " EARLUME_VERSION));
        QVERIFY(parseVersion(currentVersion())); // else no published version could ever compare as newer
    }

    void checkAgainstLocalServer_data()
    {
        QTest::addColumn<Scenario>("scenario");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("offered"); // the version the prompt is asked about; empty: no prompt
        QTest::addColumn<bool>("yes"); // the prompt's answer

        const auto row = [](const char *name, const Scenario &scenario, const char *current, const char *offered,
                            bool yes = true) {
            QTest::newRow(name) << scenario << QString::fromLatin1(current) << QString::fromLatin1(offered) << yes;
        };
        const QByteArray padding(2000, ' ');
        const QByteArray oneKiB = "1.5" + QByteArray(int(UpdateChecker::maximumBodySize) - 3, ' ');

        row("equal version", {.body = "1.4"}, "1.4", "");
        row("equal with line end", {.body = "1.4.0\n"}, "1.4.0", "");
        row("newer", {.body = "1.5"}, "1.4", "1.5");
        row("newer with line end", {.body = "1.5\n"}, "1.4", "1.5");
        row("newer, answered No", {.body = "1.5\n"}, "1.4", "1.5", false);
        row("newer, under a base path", {.body = "1.5", .basePath = "/mirror"}, "1.4", "1.5");
        row("newer, chunked", {.body = "1.5\n", .framing = Framing::Chunked}, "1.4", "1.5");
        row("newer, until close", {.body = "1.5\n", .framing = Framing::UntilClose}, "1.4", "1.5");
        row("older", {.body = "1.3"}, "1.4", "");
        row("garbage, html", {.body = "<html><body>Bad Gateway</body></html>"}, "1.4", "");
        row("garbage, binary", {.body = QByteArray("\x00\xff\xfe" "1.5\x80", 7)}, "1.4", "");
        row("empty", {}, "1.4", "");
        row("exactly 1 KiB", {.body = oneKiB}, "1.4", "1.5");
        row("one byte over, chunked", {.body = oneKiB + ' ', .framing = Framing::Chunked}, "1.4", "");
        row("over-long, declared", {.body = "1.5" + padding}, "1.4", "");
        row("over-long, chunked", {.body = "1.5" + padding, .framing = Framing::Chunked}, "1.4", "");
        row("over-long, until close", {.body = "1.5" + padding, .framing = Framing::UntilClose}, "1.4", "");
        row("404 with a version", {.status = 404, .body = "1.5"}, "1.4", "");
        row("500 with a version", {.status = 500, .body = "1.5"}, "1.4", "");
        // Qt reports no error for a 3xx without a Location; only the status tells it apart from a real answer.
        row("300 with a version", {.status = 300, .body = "1.5"}, "1.4", "");
        row("connection refused", {.listening = false}, "1.4", "");
        row("never answers", {.silent = true, .deadline = 1s}, "1.4", "");
        row("slow trickle, in time", {.body = "1.5\n", .framing = Framing::Chunked, .trickle = 20ms}, "1.4", "1.5");
        // A byte far more often than the deadline: only a deadline on the whole check, not on silence, ends it.
        const QByteArray underLimit = "1.5" + QByteArray(1000, ' ');
        row("slow trickle, cut off", {.body = underLimit, .trickle = 25ms, .deadline = 1s}, "1.4", "");
        row("https, self-signed", {.body = "1.5", .tls = Tls::SelfSigned}, "1.4", "");
        // The same certificate, trusted: the rejection above is the certificate's doing.
        row("https, trusted", {.body = "1.5", .tls = Tls::Trusted}, "1.4", "1.5");
    }

    void checkAgainstLocalServer()
    {
        QFETCH(Scenario, scenario);
        QFETCH(QString, current);
        QFETCH(QString, offered);
        QFETCH(bool, yes);

        const bool tls = scenario.tls != Tls::None;
        LocalHttpServer server(scenario, tls ? m_certificate : QSslCertificate(), tls ? m_key : QSslKey());
        if (scenario.tls == Tls::Trusted) {
            QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
            configuration.addCaCertificate(m_certificate);
            QSslConfiguration::setDefaultConfiguration(configuration);
        }
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QUrl base = server.baseUrl();
        if (!scenario.basePath.isEmpty()) {
            base.setPath(QString::fromLatin1(scenario.basePath + '/'));
        }
        if (!scenario.listening) {
            server.close();
        }

        QNetworkAccessManager nam;
        RecordingWorkspace workspace;
        auto promptOwned = std::make_unique<ScriptedPrompt>();
        ScriptedPrompt &prompt = *promptOwned;
        UpdateFlow flow(&nam, base, current, &workspace, std::move(promptOwned));
        UpdateChecker *const checker = flow.checker();
        prompt.answer = yes;
        prompt.checker = checker;
        checker->setTimeout(scenario.deadline);
        QStringList checkerSignals;
        connect(checker, &UpdateChecker::newVersionAvailable, this, [&] { checkerSignals << QStringLiteral("new"); });
        connect(checker, &UpdateChecker::finished, this, [&] { checkerSignals << QStringLiteral("finished"); });
        QSignalSpy finished(&flow, &UpdateFlow::finished);

        flow.start();
        QVERIFY(checker->isRunning());
        QVERIFY(checkerSignals.isEmpty()); // start() only sends; the outcome comes from the event loop
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, signalWaitMs);
        // Nothing left behind: no reply, no running timer, and the client closed its connection itself.
        QTRY_VERIFY(nam.findChildren<QNetworkReply *>().isEmpty());
        for (const QTimer *timer : checker->findChildren<QTimer *>()) {
            QVERIFY(!timer->isActive());
        }
        QTRY_COMPARE_WITH_TIMEOUT(server.openConnections, 0, signalWaitMs);
        QCOMPARE(finished.size(), 1);

        QCOMPARE(server.connectionCount, scenario.listening ? 1 : 0);
        // A failed handshake sends no request.
        const bool requestSent = scenario.listening && scenario.tls != Tls::SelfSigned;
        const QByteArray requestLine = "GET " + scenario.basePath + "/earlume/last HTTP/1.1";
        QCOMPARE(server.requestLines, requestSent ? QByteArrayList{requestLine} : QByteArrayList());
        const bool offers = !offered.isEmpty();
        QCOMPARE(checkerSignals, (offers ? QStringList{QStringLiteral("new"), QStringLiteral("finished")}
                                         : QStringList{QStringLiteral("finished")}));
        QCOMPARE(prompt.asked, (offers ? QList<QStringList>{{offered, current}} : QList<QStringList>()));
        QVERIFY(!prompt.checkerWasRunning); // the prompt comes after the check has ended
        QUrl archive = base;
        archive.setPath(QString::fromLatin1(scenario.basePath + "/earlume/Earlume.zip"));
        QCOMPARE(workspace.opened, offers && yes ? QList<QUrl>{archive} : QList<QUrl>());
    }

    void secondStartSupersedesTheFirst()
    {
        LocalHttpServer silent({.silent = true});
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        QNetworkAccessManager nam;
        UpdateChecker checker(&nam, silent.baseUrl(), QStringLiteral("1.4"));
        checker.setTimeout(200ms);
        QSignalSpy finished(&checker, &UpdateChecker::finished);
        checker.start();
        QTRY_COMPARE(silent.requestLines.size(), 1);
        checker.start();
        QCOMPARE(finished.size(), 1); // the first check ended when the second began
        QVERIFY(checker.isRunning());
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, signalWaitMs);
        QVERIFY(!checker.isRunning());
        QTRY_COMPARE(silent.openConnections, 0);
    }

    void destroyingCheckerMidRequestClosesTheConnection()
    {
        LocalHttpServer silent({.silent = true});
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        QNetworkAccessManager nam;
        auto checker = std::make_unique<UpdateChecker>(&nam, silent.baseUrl(), QStringLiteral("1.4"));
        checker->start();
        QTRY_COMPARE(silent.requestLines.size(), 1);
        checker.reset();
        QTRY_COMPARE(silent.openConnections, 0);
        QTRY_VERIFY(nam.findChildren<QNetworkReply *>().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestUpdateChecker)
#include "TestUpdateChecker.moc"
