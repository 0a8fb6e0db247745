// The recognizer double must answer like the real tool, or the conversion tests that use it prove
// nothing: its duration line must read through the application's parser, its segment lines must
// have the tool's form, and each behaviour a test can choose must do what its name says.

#include "TestEnvironment.h"
#include "app/RecognizerOutput.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using testenv::readFile;
using testenv::writeFile;

constexpr int kRunTimeoutMs = 60000;

// A WAV header announcing the given length of 16 kHz mono 16-bit audio (the double reads only
// the header).
QByteArray wavOf(double seconds) {
    const quint32 bytes = quint32(seconds * 32000);
    QByteArray wav("RIFF");
    auto u32 = [&wav](quint32 v) {
        for (int i = 0; i < 4; ++i)
            wav.append(char((v >> (8 * i)) & 0xff));
    };
    u32(36 + bytes);
    wav.append("WAVEfmt ");
    u32(16);
    wav.append("\x01\x00\x01\x00", 4);
    u32(16000);
    u32(32000);
    wav.append("\x02\x00\x10\x00", 4);
    wav.append("data");
    u32(bytes);
    return wav + QByteArray(int(bytes), '\0');
}

struct Run {
    int exitCode = -1;
    QStringList lines;
    double duration = 0;
    QList<double> segmentEnds;
    QStringList segmentTexts;
};

const QRegularExpression
    kSegment(QStringLiteral("^\\[(\\d\\d):(\\d\\d):(\\d\\d)\\.(\\d\\d\\d) --> "
                            "(\\d\\d):(\\d\\d):(\\d\\d)\\.(\\d\\d\\d)\\]  (.*)$"));

} // namespace

class TestFakeWhisper : public QObject {
    Q_OBJECT
    QTemporaryDir FRoot;
    QString FTool;
    QString FModel;

    Run run(const QString& input, const QString& flag, const QString& env = {},
            const QString& model = {}) const {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("FAKE_WHISPER"), env);
        p.setProcessEnvironment(e);
        p.start(FTool, {QStringLiteral("-m"), model.isNull() ? FModel : model, QStringLiteral("-f"),
                        input, QStringLiteral("-l"), QStringLiteral("auto"), QStringLiteral("-ml"),
                        QStringLiteral("40"), QStringLiteral("-sow"), flag, QStringLiteral("-of"),
                        FRoot.filePath(QStringLiteral("out/temp"))});
        Run r;
        if (!p.waitForFinished(kRunTimeoutMs))
            return r;
        r.exitCode = p.exitCode();
        r.lines = QString::fromUtf8(p.readAll()).split(QLatin1Char('\n'));
        for (const QString& line : r.lines) {
            if (const double d = ParseDurationLine(line); d > 0)
                r.duration = d;
            if (const auto m = kSegment.match(line); m.hasMatch()) {
                r.segmentEnds << m.captured(5).toInt() * 3600 + m.captured(6).toInt() * 60 +
                                     m.captured(7).toInt() + m.captured(8).toInt() / 1000.0;
                r.segmentTexts << m.captured(9);
            }
        }
        return r;
    }

    QString output(const QString& ext) const {
        return FRoot.filePath(QStringLiteral("out/temp.") + ext);
    }

    void clearOutputs() const {
        QDir out(FRoot.filePath(QStringLiteral("out")));
        for (const QString& name : out.entryList(QDir::Files))
            out.remove(name);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(FRoot.isValid());
        // A copy, as the conversion tests install it: control files are looked up beside it.
        QVERIFY(QDir().mkpath(FRoot.filePath(QStringLiteral("prog/whisper"))));
        QVERIFY(QDir().mkpath(FRoot.filePath(QStringLiteral("out"))));
        FTool = FRoot.filePath(QStringLiteral("prog/whisper/whisper-cli"));
        QVERIFY(QFile::copy(QStringLiteral(VELTRINO_FAKE_WHISPER_CLI), FTool));
        FModel = FRoot.filePath(QStringLiteral("prog/whisper/ggml-base.bin"));
        QVERIFY(writeFile(FModel, "model"));
        QVERIFY(writeFile(FRoot.filePath(QStringLiteral("song 30 sec.wav")), wavOf(4.5)));
    }

    void init() { clearOutputs(); }

    void behaviours_data() {
        QTest::addColumn<QString>("env");
        QTest::addColumn<QString>("flag");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<double>("duration");
        QTest::addColumn<int>("segments");
        QTest::addColumn<double>("lastEnd");
        QTest::addColumn<int>("outputSize"); // -1: no file
        QTest::addColumn<QByteArray>("outputStart");

        QTest::newRow("ok lrc") << ""
                                << "-olrc" << 0 << 4.5 << 2 << 4.5 << 89
                                << QByteArray("[by:whisper.cpp]\n[00:00.00] Hello");
        QTest::newRow("ok srt") << ""
                                << "-osrt" << 0 << 4.5 << 2 << 4.5 << 118
                                << QByteArray("1\n00:00:00,000 --> 00:00:02,250\n Hello");
        QTest::newRow("ok vtt") << ""
                                << "-ovtt" << 0 << 4.5 << 2 << 4.5 << 122
                                << QByteArray("WEBVTT\n\n00:00:00.000 --> 00:00:02.250\n Hello");
        QTest::newRow("ok txt") << ""
                                << "-otxt" << 0 << 4.5 << 2 << 4.5 << 52
                                << QByteArray(" Hello from the recognizer double.\n Second");
        QTest::newRow("fail") << "mode=fail"
                              << "-olrc" << 1 << 0.0 << 0 << 0.0 << -1 << QByteArray();
        QTest::newRow("empty") << "mode=empty"
                               << "-osrt" << 0 << 4.5 << 2 << 4.5 << 0 << QByteArray();
        QTest::newRow("no duration")
            << "mode=noduration"
            << "-otxt" << 0 << 0.0 << 2 << 4.5 << 52 << QByteArray(" Hello");
        QTest::newRow("beyond") << "mode=beyond"
                                << "-otxt" << 0 << 4.5 << 3 << 9.5 << 69 << QByteArray(" Hello");
        QTest::newRow("duration and segments")
            << "duration=61;segment=0,1.5, Bir;segment=1.5,62.125, İki"
            << "-olrc" << 0 << 61.0 << 2 << 62.125 << 48
            << QByteArray("[by:whisper.cpp]\n[00:00.00] Bir\n[00:01.50] İki\n");
        QTest::newRow("no tag, exit code")
            << "lrc_tag=no;exit=7"
            << "-olrc" << 7 << 4.5 << 2 << 4.5 << 72 << QByteArray("[00:00.00] Hello");
    }

    void behaviours() {
        QFETCH(QString, env);
        QFETCH(QString, flag);
        QFETCH(int, exitCode);
        QFETCH(double, duration);
        QFETCH(int, segments);
        QFETCH(double, lastEnd);
        QFETCH(int, outputSize);
        QFETCH(QByteArray, outputStart);

        const Run r = run(FRoot.filePath(QStringLiteral("song 30 sec.wav")), flag, env);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.duration, duration);
        QCOMPARE(r.segmentEnds.size(), segments);
        if (segments > 0)
            QCOMPARE(r.segmentEnds.last(), lastEnd);
        const QString file = output(flag.mid(2));
        QCOMPARE(QFileInfo::exists(file), outputSize >= 0);
        if (outputSize >= 0) {
            const QByteArray bytes = readFile(file);
            QCOMPARE(bytes.size(), outputSize);
            QVERIFY2(bytes.startsWith(outputStart), bytes.constData());
        }
    }

    void printsUtf8Text() {
        const Run r = run(FRoot.filePath(QStringLiteral("song 30 sec.wav")),
                          QStringLiteral("-otxt"), QStringLiteral("mode=utf8"));
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.segmentTexts.value(0), QString::fromUtf8(" Grüße aus Köln, çığ düştü."));
        QVERIFY(QString::fromUtf8(readFile(output(QStringLiteral("txt"))))
                    .contains(QString::fromUtf8("日本語")));
    }

    void slowRunCanBeStopped() {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("FAKE_WHISPER"), QStringLiteral("mode=slow"));
        p.setProcessEnvironment(e);
        p.start(FTool, {QStringLiteral("-m"), FModel, QStringLiteral("-f"),
                        FRoot.filePath(QStringLiteral("song 30 sec.wav")), QStringLiteral("-olrc"),
                        QStringLiteral("-of"), FRoot.filePath(QStringLiteral("out/temp"))});
        QByteArray seen;
        QTRY_VERIFY_WITH_TIMEOUT((seen += p.readAll()).contains("Segment 1."), 10000);
        QVERIFY(!seen.contains("Segment 50."));
        QCOMPARE(p.state(), QProcess::Running);
        p.kill();
        QVERIFY(p.waitForFinished(10000));
        QVERIFY(!QFileInfo::exists(output(QStringLiteral("lrc"))));
    }

    // A conversion run needs different answers per job: sections of the control file beside the
    // tool pick by input name, and an input can carry its own keys.
    void controlFileSectionsAndInputHeader() {
        const QString control = FRoot.filePath(QStringLiteral("prog/whisper/fake-whisper.conf"));
        QVERIFY(writeFile(
            control,
            "# per job\nmode=fail\nduration=20\n[good]\nmode=ok\n[bad]\nexit=5\n[]\ndelay_ms=0\n"));
        const QString good = FRoot.filePath(QStringLiteral("good.mp3"));
        const QString bad = FRoot.filePath(QStringLiteral("bad.mp3"));
        const QString own = FRoot.filePath(QStringLiteral("own.mp3"));
        QVERIFY(writeFile(good, "not audio"));
        QVERIFY(writeFile(bad, "not audio"));
        QVERIFY(writeFile(own, "#fake-whisper\nmode=ok\nduration=7\nsegment=0,7, Own text.\n"));

        const Run g = run(good, QStringLiteral("-otxt"));
        QCOMPARE(g.exitCode, 0);
        QCOMPARE(g.duration, 20.0);
        const Run b = run(bad, QStringLiteral("-otxt"));
        QCOMPARE(b.exitCode, 5);
        QCOMPARE(b.duration, 0.0);
        clearOutputs();
        const Run o = run(own, QStringLiteral("-otxt"));
        QCOMPARE(o.duration, 7.0);
        QCOMPARE(o.segmentTexts, QStringList{QStringLiteral(" Own text.")});
        QCOMPARE(readFile(output(QStringLiteral("txt"))), QByteArray(" Own text.\n"));
        QVERIFY(QFile::remove(control));
    }

    void recordsArgumentsAndFailsLikeTheTool() {
        const QString log = FRoot.filePath(QStringLiteral("args.txt"));
        const QString odd = FRoot.filePath(QString::fromUtf8("a \"quoted\" näme\\.wav"));
        QVERIFY(writeFile(odd, wavOf(1)));
        const QString env = QStringLiteral("args_file=") + log;
        QCOMPARE(run(odd, QStringLiteral("-ovtt"), env).exitCode, 0);
        const QStringList args = QString::fromUtf8(readFile(log)).split(QLatin1Char('\n'));
        QCOMPARE(args.mid(0, 4),
                 (QStringList{QStringLiteral("-m"), FModel, QStringLiteral("-f"), odd}));
        QCOMPARE(args.value(12), QStringLiteral("--"));

        clearOutputs();
        QCOMPARE(run(odd, QStringLiteral("-ovtt"), env, FRoot.filePath(QStringLiteral("nope.bin")))
                     .exitCode,
                 3);
        QCOMPARE(
            run(FRoot.filePath(QStringLiteral("gone.wav")), QStringLiteral("-ovtt"), env).exitCode,
            2);
        QCOMPARE(QDir(FRoot.filePath(QStringLiteral("out"))).entryList(QDir::Files), QStringList());
    }
};

VELTRINO_TEST_CORE_MAIN(TestFakeWhisper)
#include "test_fake_whisper.moc"
