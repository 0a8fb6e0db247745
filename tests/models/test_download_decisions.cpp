// The download's pure decisions: the download address, what the bar shows, and which finished
// bodies count as a model.

#include "TestEnvironment.h"
#include "models/DownloadCheck.h"
#include "models/ModelRepository.h"

#include <QtTest>

class TestDownloadDecisions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void downloadAddress_data() {
        QTest::addColumn<QString>("localName");
        QTest::addColumn<QString>("remotePath");
        QTest::newRow("base ships, no address") << "ggml-base.bin"
                                                << "";
        QTest::newRow("small") << "ggml-small.bin"
                               << "/resolve/main/ggml-small.bin";
        QTest::newRow("medium") << "ggml-medium.bin"
                                << "/resolve/main/ggml-medium.bin";
        QTest::newRow("large is v3") << "ggml-large.bin"
                                     << "/resolve/main/ggml-large-v3.bin";
        QTest::newRow("turbo") << "ggml-large-turbo.bin"
                               << "/resolve/main/ggml-large-v3-turbo.bin";
        QTest::newRow("remote name is not a local one") << "ggml-large-v3.bin"
                                                        << "";
        QTest::newRow("case differs") << "GGML-SMALL.BIN"
                                      << "";
        QTest::newRow("unknown") << "ggml-tiny.bin"
                                 << "";
    }
    void downloadAddress() {
        QFETCH(QString, localName);
        QFETCH(QString, remotePath);
        const QString expected =
            remotePath.isEmpty() ? QString() : QStringLiteral(VELTRINO_MODEL_BASE_URL) + remotePath;
        QCOMPARE(ModelDownloadUrl(localName), expected);
        setModelBaseUrlForTests(QStringLiteral("https://127.0.0.1:1/repo"));
        const QString overridden = remotePath.isEmpty()
                                       ? QString()
                                       : QStringLiteral("https://127.0.0.1:1/repo") + remotePath;
        QCOMPARE(ModelDownloadUrl(localName), overridden);
        setModelBaseUrlForTests({});
        QCOMPARE(ModelDownloadUrl(localName), expected);
    }

    void defaultRepositoryIsSecure() {
        QVERIFY(ModelBaseUrl().startsWith(QStringLiteral("https://")));
    }

    void progress_data() {
        QTest::addColumn<qint64>("work");
        QTest::addColumn<qint64>("length");
        QTest::addColumn<QByteArray>("encoding");
        QTest::addColumn<bool>("marquee");
        QTest::addColumn<int>("percent");
        QTest::newRow("start") << qint64(0) << qint64(1000) << QByteArray() << false << 0;
        QTest::newRow("rounds down") << qint64(999) << qint64(1000) << QByteArray() << false << 99;
        QTest::newRow("complete") << qint64(1000) << qint64(1000) << QByteArray() << false << 100;
        QTest::newRow("chunked") << qint64(500) << qint64(1000) << QByteArray("chunked") << true
                                 << 0;
        QTest::newRow("chunked in capitals")
            << qint64(500) << qint64(-1) << QByteArray("gzip, Chunked") << true << 0;
        QTest::newRow("unknown length") << qint64(500) << qint64(-1) << QByteArray() << true << 0;
        QTest::newRow("zero length") << qint64(0) << qint64(0) << QByteArray() << true << 0;
        // 3 GiB of a 4 GiB file: the product needs 64 bits, the quotient fits in 32.
        QTest::newRow("beyond 32 bits")
            << qint64(3) * 1024 * 1024 * 1024 << qint64(4) * 1024 * 1024 * 1024 << QByteArray()
            << false << 75;
    }
    void progress() {
        QFETCH(qint64, work);
        QFETCH(qint64, length);
        QFETCH(QByteArray, encoding);
        QFETCH(bool, marquee);
        QFETCH(int, percent);
        const TProgressView view = ProgressFor(work, length, encoding);
        QCOMPARE(view.Marquee, marquee);
        QCOMPARE(view.Percent, percent);
    }

    void modelBody_data() {
        QTest::addColumn<qint64>("declared");
        QTest::addColumn<qint64>("received");
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QString>("error"); // empty: accepted
        QTest::newRow("complete model") << qint64(100) << qint64(100) << QByteArray("lmgg") << "";
        QTest::newRow("no length declared") << qint64(-1) << qint64(7) << QByteArray("lmgg") << "";
        QTest::newRow("short body") << qint64(100) << qint64(60) << QByteArray("lmgg")
                                    << "The download is incomplete: 60 of 100 bytes arrived.";
        QTest::newRow("long body") << qint64(100) << qint64(160) << QByteArray("lmgg")
                                   << "The download is incomplete: 160 of 100 bytes arrived.";
        QTest::newRow("html page") << qint64(6) << qint64(6) << QByteArray("<html")
                                   << "The server did not send a speech model file.";
        QTest::newRow("magic in big-endian order")
            << qint64(-1) << qint64(4) << QByteArray("ggml")
            << "The server did not send a speech model file.";
        QTest::newRow("empty body") << qint64(0) << qint64(0) << QByteArray()
                                    << "The server did not send a speech model file.";
    }
    void modelBody() {
        QFETCH(qint64, declared);
        QFETCH(qint64, received);
        QFETCH(QByteArray, head);
        QFETCH(QString, error);
        QString raised;
        try {
            CheckModelBody(declared, received, head);
        } catch (const EDownload& e) {
            raised = e.message();
        }
        QCOMPARE(raised, error);
    }
};

VELTRINO_TEST_CORE_MAIN(TestDownloadDecisions)
#include "test_download_decisions.moc"
