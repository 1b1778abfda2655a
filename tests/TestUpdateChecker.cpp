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
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

using namespace std::chrono_literals;

namespace
{
// Long enough for any real check on a loaded machine; a check that is cut off by its deadline ends far sooner.
constexpr int signalWaitMs = 20000;

/// What the test server does with each request it reads.
struct ServerScript {
    enum class Framing { ContentLength, Chunked, CloseDelimited };

    int status = 200;
    QByteArray body;
    Framing framing = Framing::ContentLength;
    /// Reads the request and never answers.
    bool silent = false;
    /// Above zero: the body goes out one byte per interval (a slow trickle).
    std::chrono::milliseconds trickleInterval{0};

    static ServerScript ok(const QByteArray &body, Framing framing = Framing::ContentLength)
    {
        ServerScript script;
        script.body = body;
        script.framing = framing;
        return script;
    }
    static ServerScript withStatus(int status, const QByteArray &body)
    {
        ServerScript script;
        script.status = status;
        script.body = body;
        return script;
    }
};

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 300:
        return "Multiple Choices";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

/**
 * A small HTTP/1.1 server, optionally over TLS. It answers every request by its script and, unless the script
 * closes the connection, leaves the connection open afterwards whatever the client asked for: only the client can
 * close it, so the tests see whether the checker leaves a socket behind.
 */
class LocalHttpServer : public QTcpServer
{
    Q_OBJECT

public:
    explicit LocalHttpServer(const ServerScript &script, QObject *parent = nullptr)
        : QTcpServer(parent)
        , m_script(script)
    {
    }

    void useTls(const QSslCertificate &certificate, const QSslKey &key)
    {
        m_certificate = certificate;
        m_key = key;
        m_tls = true;
    }

    bool listenLocally()
    {
        return listen(QHostAddress::LocalHost, 0);
    }

    QUrl baseUrl() const
    {
        QUrl url;
        url.setScheme(m_tls ? QStringLiteral("https") : QStringLiteral("http"));
        url.setHost(QStringLiteral("127.0.0.1"));
        url.setPort(serverPort());
        return url;
    }

    /// The request line and headers of each request read so far.
    QList<QByteArray> requests() const
    {
        return m_requests;
    }
    int connectionCount() const
    {
        return m_connectionCount;
    }
    int openConnectionCount() const
    {
        return int(m_open.size());
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        QTcpSocket *socket = nullptr;
        if (m_tls) {
            auto *tlsSocket = new QSslSocket(this);
            tlsSocket->setLocalCertificate(m_certificate);
            tlsSocket->setPrivateKey(m_key);
            tlsSocket->setPeerVerifyMode(QSslSocket::VerifyNone);
            socket = tlsSocket;
        } else {
            socket = new QTcpSocket(this);
        }
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        ++m_connectionCount;
        m_open.insert(socket);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            onReadyRead(socket);
        });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_open.remove(socket);
            socket->deleteLater();
        });
        if (m_tls) {
            static_cast<QSslSocket *>(socket)->startServerEncryption();
        }
    }

private:
    void onReadyRead(QTcpSocket *socket)
    {
        QByteArray &pending = m_pending[socket];
        pending += socket->readAll();
        const qsizetype end = pending.indexOf("\r\n\r\n");
        if (end < 0) {
            return;
        }
        m_requests.append(pending.left(end));
        pending.clear();
        if (!m_script.silent) {
            respond(socket);
        }
    }

    QByteArray frame(const QByteArray &piece) const
    {
        if (m_script.framing == ServerScript::Framing::Chunked) {
            return QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
        }
        return piece;
    }

    void finishBody(QTcpSocket *socket)
    {
        if (m_script.framing == ServerScript::Framing::Chunked) {
            socket->write("0\r\n\r\n");
        } else if (m_script.framing == ServerScript::Framing::CloseDelimited) {
            socket->disconnectFromHost();
        }
    }

    void respond(QTcpSocket *socket)
    {
        QByteArray head = "HTTP/1.1 " + QByteArray::number(m_script.status) + ' ' + reasonPhrase(m_script.status)
            + "\r\nContent-Type: text/plain\r\n";
        switch (m_script.framing) {
        case ServerScript::Framing::ContentLength:
            head += "Content-Length: " + QByteArray::number(m_script.body.size()) + "\r\n";
            break;
        case ServerScript::Framing::Chunked:
            head += "Transfer-Encoding: chunked\r\n";
            break;
        case ServerScript::Framing::CloseDelimited:
            head += "Connection: close\r\n";
            break;
        }
        socket->write(head + "\r\n");

        if (m_script.trickleInterval <= 0ms) {
            if (!m_script.body.isEmpty()) {
                socket->write(frame(m_script.body));
            }
            finishBody(socket);
            return;
        }
        // The timer belongs to the socket, so it stops when the client goes away.
        auto *trickle = new QTimer(socket);
        auto sent = std::make_shared<qsizetype>(0);
        connect(trickle, &QTimer::timeout, socket, [this, socket, trickle, sent] {
            if (*sent < m_script.body.size()) {
                socket->write(frame(m_script.body.mid(*sent, 1)));
                ++*sent;
            } else {
                trickle->stop();
                finishBody(socket);
            }
        });
        trickle->start(m_script.trickleInterval);
    }

    const ServerScript m_script;
    bool m_tls = false;
    QSslCertificate m_certificate;
    QSslKey m_key;
    QHash<QTcpSocket *, QByteArray> m_pending;
    QList<QByteArray> m_requests;
    QSet<QTcpSocket *> m_open;
    int m_connectionCount = 0;
};

class ScriptedPrompt : public UpdatePrompt
{
public:
    explicit ScriptedPrompt(bool answer)
        : m_answer(answer)
    {
    }

    bool askToDownload(const QString &newVersion, const QString &current) override
    {
        asked.append({newVersion, current});
        if (onAsk) {
            onAsk();
        }
        return m_answer;
    }

    QList<QStringList> asked;
    std::function<void()> onAsk;

private:
    const bool m_answer;
};

class RecordingWorkspace : public Workspace
{
    Q_OBJECT

public:
    using Workspace::Workspace;

    void openUrl(const QUrl &url) override
    {
        opened.append(url);
    }

    QList<QUrl> opened;
};

/// A port on 127.0.0.1 on which nothing listens: connecting to it is refused.
quint16 refusingPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) {
        return 0;
    }
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}
} // namespace

Q_DECLARE_METATYPE(ServerScript)

class TestUpdateChecker : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void isNewerVersionDecides_data();
    void isNewerVersionDecides();
    void parseVersionAcceptsOnlyVersions_data();
    void parseVersionAcceptsOnlyVersions();

    void serverUrlsAreBuiltUnderTheBase_data();
    void serverUrlsAreBuiltUnderTheBase();
    void environmentOverridesTheBaseUrl_data();
    void environmentOverridesTheBaseUrl();
    void versionLineNamesThisBuild();

    void checkAgainstServer_data();
    void checkAgainstServer();
    void checkUsesThePathOfTheBase();
    void defaultTimeoutIsThirtySeconds();
    void connectionRefusedFailsQuietly();
    void serverThatNeverAnswersTimesOut();
    void slowTrickleIsCutOffAtTheDeadline();
    void selfSignedCertificateIsRejected();
    void trustedCertificateIsAccepted();
    void nonHttpBaseFailsQuietly();
    void secondStartSupersedesTheFirst();
    void destroyingCheckerMidRequestClosesTheConnection();

    void flowYesOpensTheArchiveOnce();
    void flowNoOpensNothing();
    void flowEqualVersionAsksNothing();
    void flowWithoutNetworkIsSilent();

private:
    struct Run {
        QList<QStringList> alerts;
        QStringList events;
        int finishedCount = 0;
    };

    /// Runs one check to its end and verifies that it left no reply, timer or server connection behind.
    void runCheck(const QUrl &base,
                  const QString &current,
                  Run &run,
                  LocalHttpServer *server,
                  std::chrono::milliseconds timeout = UpdateChecker::defaultTimeout);

    QTemporaryDir m_tlsDir;
    QSslCertificate m_certificate;
    QSslKey m_key;
    QSslConfiguration m_savedSslConfiguration;
};

void TestUpdateChecker::initTestCase()
{
    qRegisterMetaType<ServerScript>();
    QVERIFY(m_tlsDir.isValid());
    QVERIFY2(QSslSocket::supportsSsl(), "Qt has no TLS backend");
    m_savedSslConfiguration = QSslConfiguration::defaultConfiguration();

    // A throw-away self-signed certificate for 127.0.0.1, made fresh for each run.
    const QString certPath = m_tlsDir.filePath(QStringLiteral("cert.pem"));
    const QString keyPath = m_tlsDir.filePath(QStringLiteral("key.pem"));
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"),
                   QStringLiteral("-x509"),
                   QStringLiteral("-newkey"),
                   QStringLiteral("ec"),
                   QStringLiteral("-pkeyopt"),
                   QStringLiteral("ec_paramgen_curve:prime256v1"),
                   QStringLiteral("-nodes"),
                   QStringLiteral("-days"),
                   QStringLiteral("2"),
                   QStringLiteral("-subj"),
                   QStringLiteral("/CN=127.0.0.1"),
                   QStringLiteral("-addext"),
                   QStringLiteral("subjectAltName=IP:127.0.0.1"),
                   QStringLiteral("-keyout"),
                   keyPath,
                   QStringLiteral("-out"),
                   certPath});
    QVERIFY2(openssl.waitForFinished(60000), "openssl did not finish");
    QVERIFY2(openssl.exitStatus() == QProcess::NormalExit && openssl.exitCode() == 0, openssl.readAll().constData());

    const QList<QSslCertificate> certificates = QSslCertificate::fromPath(certPath);
    QCOMPARE(certificates.size(), 1);
    m_certificate = certificates.first();
    QFile keyFile(keyPath);
    QVERIFY(keyFile.open(QIODevice::ReadOnly));
    m_key = QSslKey(&keyFile, QSsl::Ec);
    QVERIFY(!m_key.isNull());
}

void TestUpdateChecker::cleanup()
{
    QSslConfiguration::setDefaultConfiguration(m_savedSslConfiguration);
    qunsetenv("EARLUME_UPDATE_BASE_URL");
}

void TestUpdateChecker::isNewerVersionDecides_data()
{
    QTest::addColumn<QString>("published");
    QTest::addColumn<QString>("current");
    QTest::addColumn<bool>("newer");

    QTest::newRow("equal") << "1.4" << "1.4" << false;
    QTest::newRow("equal, trailing zero") << "1.4.0" << "1.4" << false;
    QTest::newRow("equal, current has trailing zero") << "1.4" << "1.4.0" << false;
    QTest::newRow("newer minor") << "1.5" << "1.4" << true;
    QTest::newRow("newer patch") << "1.4.1" << "1.4.0" << true;
    QTest::newRow("newer major") << "2" << "1.4.0" << true;
    QTest::newRow("numeric, not textual") << "1.10" << "1.9" << true;
    QTest::newRow("older") << "1.3" << "1.4" << false;
    QTest::newRow("older, textually larger") << "1.9" << "1.10" << false;
    QTest::newRow("newer with line end") << "1.5\n" << "1.4" << true;
    QTest::newRow("equal with line end") << "1.4\n" << "1.4" << false;
    QTest::newRow("equal with CRLF and spaces") << "  1.4.0\r\n" << "1.4.0" << false;
    QTest::newRow("older with line end") << "1.3\n" << "1.4" << false;
    QTest::newRow("leading zero segment") << "1.05" << "1.4" << true;
    QTest::newRow("empty") << "" << "1.4" << false;
    QTest::newRow("white space only") << " \n" << "1.4" << false;
    QTest::newRow("html") << "<html>1.5</html>" << "1.4" << false;
    QTest::newRow("suffix") << "1.5-beta" << "1.4" << false;
    QTest::newRow("v prefix") << "v1.5" << "1.4" << false;
    QTest::newRow("two lines") << "1.5\n1.6" << "1.4" << false;
    QTest::newRow("trailing dot") << "1.5." << "1.4" << false;
    QTest::newRow("double dot") << "1..5" << "1.4" << false;
    QTest::newRow("negative") << "-1.5" << "1.4" << false;
    QTest::newRow("overflowing segment") << "99999999999999999999" << "1.4" << false;
    QTest::newRow("non-ASCII digits") << QStringLiteral("\u0661.\u0665") << "1.4" << false;
    QTest::newRow("NUL inside") << QString::fromLatin1("1.5\0", 4) << "1.4" << false;
    QTest::newRow("current not a version") << "1.5" << "unknown" << false;
}

void TestUpdateChecker::isNewerVersionDecides()
{
    QFETCH(QString, published);
    QFETCH(QString, current);
    QFETCH(bool, newer);
    QCOMPARE(isNewerVersion(published, current), newer);
}

void TestUpdateChecker::parseVersionAcceptsOnlyVersions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // empty: not a version

    QTest::newRow("plain") << "1.5" << "1.5";
    QTest::newRow("three segments") << "1.4.2" << "1.4.2";
    QTest::newRow("line end") << "1.5\n" << "1.5";
    QTest::newRow("CRLF and tabs") << "\t1.5\r\n" << "1.5";
    QTest::newRow("single segment") << "7" << "7";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("text") << "latest" << "";
    QTest::newRow("space inside") << "1. 5" << "";
}

void TestUpdateChecker::parseVersionAcceptsOnlyVersions()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const std::optional<QVersionNumber> version = parseVersion(text);
    if (expected.isEmpty()) {
        QVERIFY(!version);
    } else {
        QVERIFY(version);
        QCOMPARE(version->toString(), expected);
    }
}

void TestUpdateChecker::serverUrlsAreBuiltUnderTheBase_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("endpoint");
    QTest::addColumn<QString>("archive");

    QTest::newRow("built-in") << "https://earlume.vostel.com" << "https://earlume.vostel.com/earlume/last"
                              << "https://earlume.vostel.com/earlume/Earlume.zip";
    QTest::newRow("trailing slash") << "https://earlume.vostel.com/" << "https://earlume.vostel.com/earlume/last"
                                    << "https://earlume.vostel.com/earlume/Earlume.zip";
    QTest::newRow("port") << "http://127.0.0.1:8123" << "http://127.0.0.1:8123/earlume/last"
                          << "http://127.0.0.1:8123/earlume/Earlume.zip";
    QTest::newRow("path") << "https://example.org/mirror" << "https://example.org/mirror/earlume/last"
                          << "https://example.org/mirror/earlume/Earlume.zip";
    QTest::newRow("path with slash, query") << "https://example.org/mirror/?x=1#top"
                                            << "https://example.org/mirror/earlume/last"
                                            << "https://example.org/mirror/earlume/Earlume.zip";
}

void TestUpdateChecker::serverUrlsAreBuiltUnderTheBase()
{
    QFETCH(QString, base);
    QFETCH(QString, endpoint);
    QFETCH(QString, archive);
    QCOMPARE(versionEndpointUrl(QUrl(base)).toString(), endpoint);
    QCOMPARE(downloadArchiveUrl(QUrl(base)).toString(), archive);
}

void TestUpdateChecker::environmentOverridesTheBaseUrl_data()
{
    QTest::addColumn<bool>("set");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected"); // empty: the built-in base

    QTest::newRow("unset") << false << QString() << QString();
    QTest::newRow("empty") << true << QString() << QString();
    QTest::newRow("http on loopback") << true << "http://127.0.0.1:8123" << "http://127.0.0.1:8123";
    QTest::newRow("https") << true << "https://updates.example.org/x" << "https://updates.example.org/x";
    QTest::newRow("file URL") << true << "file:///etc" << QString();
    QTest::newRow("relative") << true << "earlume" << QString();
    QTest::newRow("garbage") << true << "http://[::1" << QString();
}

void TestUpdateChecker::environmentOverridesTheBaseUrl()
{
    QFETCH(bool, set);
    QFETCH(QString, value);
    QFETCH(QString, expected);

    QCOMPARE(builtInUpdateBaseUrl(), QUrl(QStringLiteral(EARLUME_UPDATE_BASE_URL)));
    if (set) {
        qputenv("EARLUME_UPDATE_BASE_URL", value.toUtf8());
        if (!value.isEmpty() && expected.isEmpty()) {
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression(QStringLiteral("^Ignoring EARLUME_UPDATE_BASE_URL")));
        }
    } else {
        qunsetenv("EARLUME_UPDATE_BASE_URL");
    }
    QCOMPARE(updateBaseUrl(), expected.isEmpty() ? builtInUpdateBaseUrl() : QUrl(expected));
}

void TestUpdateChecker::versionLineNamesThisBuild()
{
    QCOMPARE(currentVersion(), QStringLiteral(EARLUME_VERSION));
    QCOMPARE(versionLine(), QStringLiteral("Earlume " EARLUME_VERSION));
    QVERIFY(parseVersion(currentVersion()));
}

void TestUpdateChecker::runCheck(const QUrl &base,
                                 const QString &current,
                                 Run &run,
                                 LocalHttpServer *server,
                                 std::chrono::milliseconds timeout)
{
    QNetworkAccessManager nam;
    UpdateChecker checker(&nam, base, current);
    checker.setTimeout(timeout);
    connect(&checker, &UpdateChecker::newVersionAvailable, this, [&run](const QString &newVersion, const QString &cur) {
        run.alerts.append({newVersion, cur});
        run.events.append(QStringLiteral("newVersionAvailable"));
    });
    connect(&checker, &UpdateChecker::finished, this, [&run] {
        ++run.finishedCount;
        run.events.append(QStringLiteral("finished"));
    });

    checker.start();
    QVERIFY(checker.isRunning());
    QVERIFY(run.events.isEmpty()); // start() only sends; nothing is decided before the event loop runs
    QTRY_VERIFY_WITH_TIMEOUT(run.finishedCount > 0, signalWaitMs);
    QVERIFY(!checker.isRunning());

    // Nothing left behind: no reply, no running timer, and the client closed its connection.
    QTRY_VERIFY(nam.findChildren<QNetworkReply *>().isEmpty());
    for (const QTimer *timer : checker.findChildren<QTimer *>()) {
        QVERIFY(!timer->isActive());
    }
    if (server) {
        QTRY_COMPARE_WITH_TIMEOUT(server->openConnectionCount(), 0, signalWaitMs);
    }
    QCOMPARE(run.finishedCount, 1);
}

void TestUpdateChecker::checkAgainstServer_data()
{
    using Framing = ServerScript::Framing;
    QTest::addColumn<ServerScript>("script");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("alerted"); // the new version announced; empty: no alert

    const QByteArray padding(2000, ' ');
    QByteArray exactlyOneKiB = "1.5";
    exactlyOneKiB += QByteArray(int(UpdateChecker::maximumBodySize) - exactlyOneKiB.size(), ' ');

    QTest::newRow("equal version") << ServerScript::ok("1.4.0") << "1.4.0" << QString();
    QTest::newRow("equal, fewer segments") << ServerScript::ok("1.4") << "1.4.0" << QString();
    QTest::newRow("equal with line end") << ServerScript::ok("1.4.0\n") << "1.4.0" << QString();
    QTest::newRow("newer") << ServerScript::ok("1.5") << "1.4" << "1.5";
    QTest::newRow("newer patch") << ServerScript::ok("1.4.1") << "1.4.0" << "1.4.1";
    QTest::newRow("newer with line end") << ServerScript::ok("1.5\n") << "1.4" << "1.5";
    QTest::newRow("newer with CRLF and spaces") << ServerScript::ok(" 1.5\r\n") << "1.4" << "1.5";
    QTest::newRow("older") << ServerScript::ok("1.3") << "1.4" << QString();
    QTest::newRow("older with line end") << ServerScript::ok("1.3\n") << "1.4" << QString();
    QTest::newRow("html error page") << ServerScript::ok("<html><body>Bad Gateway</body></html>") << "1.4"
                                     << QString();
    QTest::newRow("binary garbage") << ServerScript::ok(QByteArray("\x00\xff\xfe" "1.5\x80", 7)) << "1.4"
                                    << QString();
    QTest::newRow("version with suffix") << ServerScript::ok("1.5-beta") << "1.4" << QString();
    QTest::newRow("empty") << ServerScript::ok(QByteArray()) << "1.4" << QString();
    QTest::newRow("exactly 1 KiB") << ServerScript::ok(exactlyOneKiB) << "1.4" << "1.5";
    QTest::newRow("over-long, declared") << ServerScript::ok("1.5" + padding) << "1.4" << QString();
    QTest::newRow("over-long, chunked") << ServerScript::ok("1.5" + padding, Framing::Chunked) << "1.4" << QString();
    QTest::newRow("over-long, until close") << ServerScript::ok("1.5" + padding, Framing::CloseDelimited) << "1.4"
                                            << QString();
    QTest::newRow("one byte over, chunked") << ServerScript::ok(exactlyOneKiB + ' ', Framing::Chunked) << "1.4"
                                            << QString();
    QTest::newRow("newer, chunked") << ServerScript::ok("1.5\n", Framing::Chunked) << "1.4" << "1.5";
    QTest::newRow("newer, until close") << ServerScript::ok("1.5\n", Framing::CloseDelimited) << "1.4" << "1.5";
    QTest::newRow("404 with a version") << ServerScript::withStatus(404, "1.5") << "1.4" << QString();
    QTest::newRow("500 with a version") << ServerScript::withStatus(500, "1.5") << "1.4" << QString();
    // Qt reports no error for a 3xx without a Location; only the status tells it apart from a real answer.
    QTest::newRow("300 with a version") << ServerScript::withStatus(300, "1.5") << "1.4" << QString();

    ServerScript trickle = ServerScript::ok("1.5\n", Framing::Chunked);
    trickle.trickleInterval = 20ms;
    QTest::newRow("slow trickle, in time") << trickle << "1.4" << "1.5";
}

void TestUpdateChecker::checkAgainstServer()
{
    QFETCH(ServerScript, script);
    QFETCH(QString, current);
    QFETCH(QString, alerted);

    LocalHttpServer server(script);
    QVERIFY(server.listenLocally());
    Run run;
    runCheck(server.baseUrl(), current, run, &server);
    if (QTest::currentTestFailed()) {
        return;
    }

    QCOMPARE(server.requests().size(), 1);
    QVERIFY(server.requests().first().startsWith("GET /earlume/last HTTP/1.1\r\n"));
    if (alerted.isEmpty()) {
        QCOMPARE(run.events, QStringList{QStringLiteral("finished")});
    } else {
        QCOMPARE(run.events, (QStringList{QStringLiteral("newVersionAvailable"), QStringLiteral("finished")}));
        QCOMPARE(run.alerts.first(), (QStringList{alerted, current}));
    }
}

void TestUpdateChecker::checkUsesThePathOfTheBase()
{
    LocalHttpServer server(ServerScript::ok("1.5"));
    QVERIFY(server.listenLocally());
    QUrl base = server.baseUrl();
    base.setPath(QStringLiteral("/mirror/"));
    Run run;
    runCheck(base, QStringLiteral("1.4"), run, &server);
    QCOMPARE(server.requests().size(), 1);
    QVERIFY(server.requests().first().startsWith("GET /mirror/earlume/last HTTP/1.1\r\n"));
    QCOMPARE(run.alerts.size(), 1);
}

void TestUpdateChecker::defaultTimeoutIsThirtySeconds()
{
    QNetworkAccessManager nam;
    const UpdateChecker checker(&nam, QUrl(QStringLiteral("http://127.0.0.1:1")), QStringLiteral("1.4"));
    QCOMPARE(checker.timeout(), std::chrono::milliseconds(30000));
}

void TestUpdateChecker::connectionRefusedFailsQuietly()
{
    const quint16 port = refusingPort();
    QVERIFY(port != 0);
    QUrl base(QStringLiteral("http://127.0.0.1"));
    base.setPort(port);
    Run run;
    runCheck(base, QStringLiteral("1.4"), run, nullptr);
    QCOMPARE(run.events, QStringList{QStringLiteral("finished")});
}

void TestUpdateChecker::serverThatNeverAnswersTimesOut()
{
    ServerScript script;
    script.silent = true;
    LocalHttpServer server(script);
    QVERIFY(server.listenLocally());
    Run run;
    runCheck(server.baseUrl(), QStringLiteral("1.4"), run, &server, 1s);
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(run.events, QStringList{QStringLiteral("finished")});
}

void TestUpdateChecker::slowTrickleIsCutOffAtTheDeadline()
{
    // A newer version, padded to just under the size limit and sent a byte at a time, far more often than the
    // deadline: only a deadline on the whole check (not one on silence) ends it, and then without an alert.
    QByteArray body = "1.5";
    body += QByteArray(1000, ' ');
    ServerScript script = ServerScript::ok(body);
    script.trickleInterval = 25ms;
    LocalHttpServer server(script);
    QVERIFY(server.listenLocally());
    Run run;
    runCheck(server.baseUrl(), QStringLiteral("1.4"), run, &server, 1s);
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(run.events, QStringList{QStringLiteral("finished")});
}

void TestUpdateChecker::selfSignedCertificateIsRejected()
{
    LocalHttpServer server(ServerScript::ok("1.5"));
    server.useTls(m_certificate, m_key);
    QVERIFY(server.listenLocally());
    Run run;
    runCheck(server.baseUrl(), QStringLiteral("1.4"), run, &server);
    QCOMPARE(server.connectionCount(), 1);
    QVERIFY(server.requests().isEmpty()); // the handshake never completed, so no request was sent
    QCOMPARE(run.events, QStringList{QStringLiteral("finished")});
}

void TestUpdateChecker::trustedCertificateIsAccepted()
{
    // The same server and certificate as above, now trusted: the rejection above is the certificate's doing.
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificate(m_certificate);
    QSslConfiguration::setDefaultConfiguration(configuration);

    LocalHttpServer server(ServerScript::ok("1.5"));
    server.useTls(m_certificate, m_key);
    QVERIFY(server.listenLocally());
    Run run;
    runCheck(server.baseUrl(), QStringLiteral("1.4"), run, &server);
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(run.alerts, (QList<QStringList>{{QStringLiteral("1.5"), QStringLiteral("1.4")}}));
}

void TestUpdateChecker::nonHttpBaseFailsQuietly()
{
    Run run;
    runCheck(QUrl(QStringLiteral("file:///")), QStringLiteral("1.4"), run, nullptr);
    QCOMPARE(run.events, QStringList{QStringLiteral("finished")});
}

void TestUpdateChecker::secondStartSupersedesTheFirst()
{
    ServerScript script;
    script.silent = true;
    LocalHttpServer silent(script);
    QVERIFY(silent.listenLocally());

    QNetworkAccessManager nam;
    UpdateChecker checker(&nam, silent.baseUrl(), QStringLiteral("1.4"));
    checker.setTimeout(200ms);
    QSignalSpy finished(&checker, &UpdateChecker::finished);
    QSignalSpy alerts(&checker, &UpdateChecker::newVersionAvailable);
    checker.start();
    QTRY_COMPARE(silent.requests().size(), 1);
    checker.start();
    QCOMPARE(finished.size(), 1); // the first check ended when the second began
    QVERIFY(checker.isRunning());
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, signalWaitMs);
    QVERIFY(!checker.isRunning());
    QTRY_COMPARE(silent.openConnectionCount(), 0);
    QCOMPARE(alerts.size(), 0);
}

void TestUpdateChecker::destroyingCheckerMidRequestClosesTheConnection()
{
    ServerScript script;
    script.silent = true;
    LocalHttpServer server(script);
    QVERIFY(server.listenLocally());

    QNetworkAccessManager nam;
    auto checker = std::make_unique<UpdateChecker>(&nam, server.baseUrl(), QStringLiteral("1.4"));
    QSignalSpy finished(checker.get(), &UpdateChecker::finished);
    checker->start();
    QTRY_COMPARE(server.requests().size(), 1);
    checker.reset();
    QTRY_COMPARE(server.openConnectionCount(), 0);
    QTRY_VERIFY(nam.findChildren<QNetworkReply *>().isEmpty());
}

void TestUpdateChecker::flowYesOpensTheArchiveOnce()
{
    LocalHttpServer server(ServerScript::ok("1.5\n"));
    QVERIFY(server.listenLocally());
    QNetworkAccessManager nam;
    RecordingWorkspace workspace;
    auto prompt = std::make_unique<ScriptedPrompt>(true);
    ScriptedPrompt *promptSeen = prompt.get();
    UpdateFlow flow(&nam, server.baseUrl(), QStringLiteral("1.4"), &workspace, std::move(prompt));
    bool checkerRunningDuringPrompt = true;
    promptSeen->onAsk = [&] {
        checkerRunningDuringPrompt = flow.checker()->isRunning();
    };
    QSignalSpy finished(&flow, &UpdateFlow::finished);

    flow.start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, signalWaitMs);
    QCOMPARE(promptSeen->asked, (QList<QStringList>{{QStringLiteral("1.5"), QStringLiteral("1.4")}}));
    QVERIFY(!checkerRunningDuringPrompt);
    QCOMPARE(workspace.opened, QList<QUrl>{downloadArchiveUrl(server.baseUrl())});
    QCOMPARE(workspace.opened.first().path(), QStringLiteral("/earlume/Earlume.zip"));
}

void TestUpdateChecker::flowNoOpensNothing()
{
    LocalHttpServer server(ServerScript::ok("1.5"));
    QVERIFY(server.listenLocally());
    QNetworkAccessManager nam;
    RecordingWorkspace workspace;
    auto prompt = std::make_unique<ScriptedPrompt>(false);
    ScriptedPrompt *promptSeen = prompt.get();
    UpdateFlow flow(&nam, server.baseUrl(), QStringLiteral("1.4"), &workspace, std::move(prompt));
    QSignalSpy finished(&flow, &UpdateFlow::finished);

    flow.start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, signalWaitMs);
    QCOMPARE(promptSeen->asked.size(), 1);
    QVERIFY(workspace.opened.isEmpty());
}

void TestUpdateChecker::flowEqualVersionAsksNothing()
{
    LocalHttpServer server(ServerScript::ok("1.4.0\n"));
    QVERIFY(server.listenLocally());
    QNetworkAccessManager nam;
    RecordingWorkspace workspace;
    auto prompt = std::make_unique<ScriptedPrompt>(true);
    ScriptedPrompt *promptSeen = prompt.get();
    UpdateFlow flow(&nam, server.baseUrl(), QStringLiteral("1.4.0"), &workspace, std::move(prompt));
    QSignalSpy finished(&flow, &UpdateFlow::finished);

    flow.start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, signalWaitMs);
    QCOMPARE(server.requests().size(), 1);
    QVERIFY(promptSeen->asked.isEmpty());
    QVERIFY(workspace.opened.isEmpty());
}

void TestUpdateChecker::flowWithoutNetworkIsSilent()
{
    // The agent's own constructor, pointed through the testing hook at a port where nothing listens.
    const quint16 port = refusingPort();
    QVERIFY(port != 0);
    QUrl base(QStringLiteral("http://127.0.0.1"));
    base.setPort(port);
    qputenv("EARLUME_UPDATE_BASE_URL", base.toString().toUtf8());

    RecordingWorkspace workspace;
    auto prompt = std::make_unique<ScriptedPrompt>(true);
    ScriptedPrompt *promptSeen = prompt.get();
    UpdateFlow flow(&workspace, std::move(prompt));
    QSignalSpy finished(&flow, &UpdateFlow::finished);

    flow.start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, signalWaitMs);
    QVERIFY(promptSeen->asked.isEmpty());
    QVERIFY(workspace.opened.isEmpty());
}

QTEST_GUILESS_MAIN(TestUpdateChecker)
#include "TestUpdateChecker.moc"
