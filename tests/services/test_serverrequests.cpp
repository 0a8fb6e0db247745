#include "FormServer.h"
#include "TestEnvironment.h"
#include "platform/Curl.h"
#include "services/ServerRequests.h"
#include "services/Site.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QtTest>

#include <memory>

class TestServerRequests : public QObject {
    Q_OBJECT
    std::unique_ptr<FormServer> server;

    static QString writeTemp(QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        return f.fileName();
    }

private Q_SLOTS:
    void initTestCase() {
        server = StartTrustedFormServer();
        QVERIFY(server);
    }
    void cleanupTestCase() {
        platform::setExtraCaFile({});
        setSiteHostsForTests({}, {});
        server.reset();
    }
    void init() {
        QVERIFY(server->setReply(QStringLiteral("https"), 200, QStringLiteral("OK")));
        QVERIFY(server->setReply(QStringLiteral("http"), 200, QStringLiteral("OK")));
        server->clearRequests();
    }

    void formArrivesInOrderAndEncoded_data() {
        QTest::addColumn<QString>("scheme");
        QTest::newRow("https") << QStringLiteral("https");
        QTest::newRow("http") << QStringLiteral("http");
        QTest::newRow("HTTPS in capitals") << QStringLiteral("HTTPS");
    }
    void formArrivesInOrderAndEncoded() {
        QFETCH(QString, scheme);
        const bool secure = scheme.toLower() == QLatin1String("https");
        const int port = secure ? server->httpsPort : server->httpPort;
        const QString url = scheme + QStringLiteral("://127.0.0.1:%1/php/feedback.php").arg(port);
        const QStringList fields{
            QStringLiteral("cmd=feedback"), QStringLiteral("appname=Kestrane - Veltrino"),
            QStringLiteral("feedback=line one\r\nline two\rthree\nfour & 5=6+7%"),
            QStringLiteral("email=ü@ß.example"), QStringLiteral("empty=")};
        QCOMPARE(PostForm(url, fields, 5000), QStringLiteral("OK"));
        const QList<ReceivedRequest> got = server->requests(1);
        QCOMPARE(got.size(), 1);
        const ReceivedRequest& r = got.first();
        QCOMPARE(r.scheme, secure ? QStringLiteral("https") : QStringLiteral("http"));
        QCOMPARE(r.path, QStringLiteral("/php/feedback.php"));
        QCOMPARE(r.headers.value(QLatin1String("content-type")).toString(),
                 QStringLiteral("application/x-www-form-urlencoded"));
        if (secure)
            QCOMPARE(r.headers.value(QLatin1String("connection")).toString(),
                     QStringLiteral("close"));
        else
            QVERIFY(!r.headers.contains(QLatin1String("connection")));
        // Line breaks travel percent-encoded, never raw.
        QVERIFY(r.body.contains("%0D%0A"));
        QVERIFY(!r.body.contains('\r') && !r.body.contains('\n'));
        const auto decoded = r.fields();
        QCOMPARE(decoded.size(), fields.size());
        for (int i = 0; i < fields.size(); ++i) {
            const qsizetype eq = fields[i].indexOf(QLatin1Char('='));
            QCOMPARE(decoded[i].first, fields[i].left(eq));
            QCOMPARE(decoded[i].second, fields[i].mid(eq + 1));
        }
    }

    void errorStatusIsBodyOverHttpsAndRaisesOverHttp_data() {
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("raises");
        QTest::newRow("https 404") << QStringLiteral("https") << 404 << false;
        QTest::newRow("https 500") << QStringLiteral("https") << 500 << false;
        QTest::newRow("http 404") << QStringLiteral("http") << 404 << true;
        QTest::newRow("http 503") << QStringLiteral("http") << 503 << true;
        QTest::newRow("http 200") << QStringLiteral("http") << 200 << false;
    }
    void errorStatusIsBodyOverHttpsAndRaisesOverHttp() {
        QFETCH(QString, scheme);
        QFETCH(int, status);
        QFETCH(bool, raises);
        const QString body = QStringLiteral("<html>Not here</html>");
        QVERIFY(server->setReply(scheme, status, body));
        const int port = scheme == QLatin1String("https") ? server->httpsPort : server->httpPort;
        const QString url = scheme + QStringLiteral("://127.0.0.1:%1/php/check2.php").arg(port);
        if (raises) {
            QVERIFY_THROWS_EXCEPTION(EHttpError,
                                     PostForm(url, {QStringLiteral("cmd=check")}, 5000));
        } else {
            QCOMPARE(PostForm(url, {QStringLiteral("cmd=check")}, 5000), body);
        }
    }

    void transportFailuresRaise_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<int>("timeoutMs");
        QTest::newRow("untrusted certificate")
            << QStringLiteral("https://%1/x").arg(server->untrustedHost()) << 5000;
        QTest::newRow("https to a plain server")
            << QStringLiteral("https://%1/x").arg(server->httpHost()) << 5000;
        QTest::newRow("refused") << QStringLiteral("http://127.0.0.1:1/x") << 5000;
        QTest::newRow("reserved host")
            << QStringLiteral("https://kestrane.example/php/check2.php") << 5000;
        QTest::newRow("dropped connection")
            << QStringLiteral("http://%1/x").arg(server->httpHost()) << 5000;
    }
    void transportFailuresRaise() {
        QFETCH(QString, url);
        QFETCH(int, timeoutMs);
        QVERIFY(server->setReply(QStringLiteral("http"), 200, QStringLiteral("OK"), 0,
                                 QString::fromLatin1(QTest::currentDataTag()) ==
                                     QLatin1String("dropped connection")));
        try {
            PostForm(url, {QStringLiteral("cmd=check")}, timeoutMs);
            QFAIL("no error raised");
        } catch (const EHttpError& e) {
            QVERIFY(!e.message().isEmpty());
        }
    }

    void slowServerRaisesWithinItsTimeOut() {
        QVERIFY(server->setReply(QStringLiteral("https"), 200, QStringLiteral("late"), 5.0));
        QElapsedTimer clock;
        clock.start();
        QVERIFY_THROWS_EXCEPTION(
            EHttpError, PostForm(QStringLiteral("https://%1/x").arg(server->httpsHost()), {}, 300));
        QVERIFY(clock.elapsed() < 3000);
    }

    void fallbackUsesPlainOnlyWhenSecureRaised_data() {
        QTest::addColumn<bool>("secureWorks");
        QTest::addColumn<int>("secureStatus");
        QTest::addColumn<bool>("plainWorks");
        QTest::addColumn<QString>("expected"); // "!" for a raised error
        QTest::addColumn<int>("httpsErrors");
        QTest::newRow("https answers") << true << 200 << true << QStringLiteral("secure") << 0;
        QTest::newRow("https 404 is still the answer")
            << true << 404 << true << QStringLiteral("secure") << 0;
        QTest::newRow("https fails, http answers")
            << false << 200 << true << QStringLiteral("plain") << 1;
        QTest::newRow("both fail") << false << 200 << false << QStringLiteral("!") << 1;
    }
    void fallbackUsesPlainOnlyWhenSecureRaised() {
        QFETCH(bool, secureWorks);
        QFETCH(int, secureStatus);
        QFETCH(bool, plainWorks);
        QFETCH(QString, expected);
        QFETCH(int, httpsErrors);
        QVERIFY(server->setReply(QStringLiteral("https"), secureStatus, QStringLiteral("secure")));
        QVERIFY(server->setReply(QStringLiteral("http"), 200, QStringLiteral("plain")));
        setSiteHostsForTests(secureWorks ? server->httpsHost() : server->untrustedHost(),
                             plainWorks ? server->httpHost() : QStringLiteral("127.0.0.1:1"));
        QStringList errors;
        const QStringList fields{QStringLiteral("cmd=check"), QStringLiteral("howmany=1")};
        auto call = [&] {
            return PostFormWithFallback(QStringLiteral("/php/check2.php"), fields, 5000,
                                        [&](const QString& m) { errors.append(m); });
        };
        if (expected == QLatin1String("!"))
            QVERIFY_THROWS_EXCEPTION(EHttpError, call());
        else
            QCOMPARE(call(), expected);
        QCOMPARE(errors.size(), httpsErrors);
        for (const QString& e : errors)
            QVERIFY(!e.isEmpty());
        if (plainWorks && !secureWorks) {
            const auto got = server->requests(1);
            QCOMPARE(got.last().scheme, QStringLiteral("http"));
            QCOMPARE(got.last().path, QStringLiteral("/php/check2.php"));
            QCOMPARE(got.last().body, QByteArray("cmd=check&howmany=1"));
        }
        setSiteHostsForTests({}, {});
    }

    void replyElement_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "<version>1.2</version>"
                               << "version"
                               << "1.2";
        QTest::newRow("name lower-cased") << "<url>x</url>"
                                          << "URL"
                                          << "x";
        QTest::newRow("empty value") << "<url></url>"
                                     << "url"
                                     << "";
        QTest::newRow("leading blank") << " <version>1.2</version>"
                                       << "version"
                                       << "";
        QTest::newRow("trailing blank") << "<version>1.2</version> "
                                        << "version"
                                        << "";
        QTest::newRow("tags in capitals") << "<Version>1.2</Version>"
                                          << "version"
                                          << "";
        QTest::newRow("no closing tag") << "<version>1.2"
                                        << "version"
                                        << "";
        QTest::newRow("other element") << "<url>1.2</url>"
                                       << "version"
                                       << "";
        QTest::newRow("empty line") << ""
                                    << "version"
                                    << "";
        QTest::newRow("empty name") << "<>x</>"
                                    << ""
                                    << "";
        QTest::newRow("tags overlap") << "<a></a>"
                                      << "a"
                                      << "";
        QTest::newRow("just the tags overlapping") << "<a>/a>"
                                                   << "a"
                                                   << "";
        QTest::newRow("inner tags kept") << "<important><b>Hi</b></important>"
                                         << "important"
                                         << "<b>Hi</b>";
    }
    void replyElement() {
        QFETCH(QString, line);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(ReplyElement(line, name), expected);
    }

    void machineGuidIsAKeyedDigestOfTheMachineId() {
        QTemporaryDir dir;
        const QByteArray id = "0123456789abcdef0123456789abcdef";
        setMachineIdFileForTests(writeTemp(dir, QStringLiteral("a"), id + "\n"));
        const QString first = ReadMachineGuid();
        QVERIFY(
            QRegularExpression(
                QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"))
                .match(first)
                .hasMatch());
        QCOMPARE(ReadMachineGuid(), first);
        const QString plainHex = QString::fromLatin1(id);
        QVERIFY(!first.contains(plainHex.left(8)));
        QVERIFY(QString(first).remove(QLatin1Char('-')) != plainHex);
        setMachineIdFileForTests(
            writeTemp(dir, QStringLiteral("b"), "fedcba9876543210fedcba9876543210\n"));
        QVERIFY(ReadMachineGuid() != first);
        setMachineIdFileForTests(writeTemp(dir, QStringLiteral("empty"), "\n"));
        QCOMPARE(ReadMachineGuid(), QString());
        setMachineIdFileForTests(dir.filePath(QStringLiteral("missing")));
        QCOMPARE(ReadMachineGuid(), QString());
        setMachineIdFileForTests({});
    }

    void osDescriptionForm_data() {
        QTest::addColumn<QString>("pretty");
        QTest::addColumn<QString>("kernel");
        QTest::addColumn<bool>("is64");
        QTest::addColumn<QString>("expected");
        QTest::newRow("debian")
            << "Debian GNU/Linux 12 (bookworm)"
            << "6.1.0-13-amd64" << true
            << "Debian GNU/Linux 12 (bookworm) (Version 6.1, Build 0, 64-bit Edition)";
        QTest::newRow("two numbers")
            << "Ubuntu 22.04.3 LTS"
            << "5.15-generic" << false
            << "Ubuntu 22.04.3 LTS (Version 5.15, Build 0, 32-bit Edition)";
        QTest::newRow("patch level") << "Fedora Linux 39"
                                     << "6.5.12-300.fc39.x86_64" << true
                                     << "Fedora Linux 39 (Version 6.5, Build 12, 64-bit Edition)";
        QTest::newRow("no name, odd release")
            << ""
            << "weird" << true << "Linux (Version 0.0, Build 0, 64-bit Edition)";
        QTest::newRow("markers in the name kept")
            << "Odd %2 %5 OS"
            << "6.1.0" << true << "Odd %2 %5 OS (Version 6.1, Build 0, 64-bit Edition)";
    }
    void osDescriptionForm() {
        QFETCH(QString, pretty);
        QFETCH(QString, kernel);
        QFETCH(bool, is64);
        QFETCH(QString, expected);
        QCOMPARE(OSDescriptionFrom(pretty, kernel, is64), expected);
    }

    void osDescriptionReadsThePrettyName() {
        QTemporaryDir dir;
        setOsReleaseFileForTests(writeTemp(dir, QStringLiteral("os-release"),
                                           "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian "
                                           "GNU/Linux 12 (bookworm)\"\nID=debian\n"));
        const QString text = OSDescription();
        setOsReleaseFileForTests({});
        QVERIFY2(text.startsWith(QLatin1String("Debian GNU/Linux 12 (bookworm) (Version ")),
                 qPrintable(text));
        QVERIFY(QRegularExpression(
                    QStringLiteral("\\(Version \\d+\\.\\d+, Build \\d+, (64|32)-bit Edition\\)$"))
                    .match(text)
                    .hasMatch());
    }
};

VELTRINO_TEST_CORE_MAIN(TestServerRequests)
#include "test_serverrequests.moc"
