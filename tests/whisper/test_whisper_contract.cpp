// The real whisper-cli, run the way the application runs it, must keep the promises the
// application relies on: it accepts the argument list, names the audio length in its
// "main: processing" line, and writes its output under the -of base. The tensor-less test model
// makes it run its whole pipeline in about a second without recognising any words.

#include "TestEnvironment.h"
#include "app/RecognizerOutput.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

using testenv::readFile;
using testenv::writeFile;

constexpr int kSampleRate = 16000;
constexpr double kSeconds = 2.5;
constexpr int kRunTimeoutMs = 180000;

// 16-bit mono PCM: a tone that glides, so encoders have something to encode.
QByteArray makeWav(double seconds) {
    const int samples = int(seconds * kSampleRate);
    QByteArray pcm;
    pcm.reserve(samples * 2);
    double phase = 0;
    for (int i = 0; i < samples; ++i) {
        const double hz = 220.0 + 440.0 * i / samples;
        phase += 2 * M_PI * hz / kSampleRate;
        const auto v = qint16(std::lround(8000 * std::sin(phase)));
        pcm.append(char(v & 0xff)).append(char((v >> 8) & 0xff));
    }
    QByteArray wav;
    auto u32 = [&wav](quint32 v) {
        for (int i = 0; i < 4; ++i)
            wav.append(char((v >> (8 * i)) & 0xff));
    };
    auto u16 = [&wav](quint16 v) { wav.append(char(v & 0xff)).append(char(v >> 8)); };
    wav.append("RIFF");
    u32(36 + pcm.size());
    wav.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(kSampleRate);
    u32(kSampleRate * 2);
    u16(2);
    u16(16);
    wav.append("data");
    u32(pcm.size());
    return wav + pcm;
}

// The encoder that turns the WAV into the given format, with its arguments.
struct Encoder {
    QString program;
    QStringList arguments;
};

Encoder encoderFor(const QString& format, const QString& wav, const QString& out) {
    if (format == QLatin1String("mp3"))
        return {QStringLiteral("lame"), {QStringLiteral("--quiet"), wav, out}};
    if (format == QLatin1String("ogg"))
        return {QStringLiteral("oggenc"), {QStringLiteral("-Q"), QStringLiteral("-o"), out, wav}};
    return {QStringLiteral("flac"), {QStringLiteral("-s"), QStringLiteral("-o"), out, wav}};
}

struct Run {
    int exitCode = -1;
    bool finished = false;
    QStringList lines;
};

// Splits the argument part of a command line built like the application's (tool path unquoted,
// then the arguments with the paths in double quotes) and runs it from an unrelated folder.
Run runCommandLine(const QString& tool, const QString& commandLine, const QString& workingDir) {
    Run run;
    if (!commandLine.startsWith(tool + QLatin1Char(' ')))
        return run;
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(workingDir);
    p.start(tool, QProcess::splitCommand(commandLine.mid(tool.size() + 1)));
    run.finished = p.waitForFinished(kRunTimeoutMs);
    if (!run.finished) {
        p.kill();
        p.waitForFinished();
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.lines = QString::fromUtf8(p.readAll()).split(QLatin1Char('\n'));
    for (auto& line : run.lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    return run;
}

QString q(const QString& path) {
    return QLatin1Char('"') + path + QLatin1Char('"');
}

} // namespace

class TestWhisperContract : public QObject {
    Q_OBJECT
    QTemporaryDir FRoot;
    QString FTool;  // a copy in a moved folder whose path has blanks and non-ASCII letters
    QString FModel; // likewise
    QString FInputDir;
    QString FWorkDir;
    QString FElsewhere;

    QString commandLine(const QString& model, const QString& input, const QString& flag) const {
        return FTool + QStringLiteral(" -m ") + q(model) + QStringLiteral(" -f ") + q(input) +
               QStringLiteral(" -l auto -ml 40 -sow ") + flag + QStringLiteral(" -of ") +
               q(FWorkDir + QStringLiteral("/temp"));
    }

    void emptyWorkDir() const {
        QDir work(FWorkDir);
        for (const QString& name : work.entryList(QDir::Files | QDir::Hidden))
            work.remove(name);
    }

private Q_SLOTS:
    void initTestCase() {
        const QString built = QStringLiteral(VELTRINO_WHISPER_CLI);
        if (!QFileInfo(built).isExecutable())
            QSKIP(qPrintable(QStringLiteral("whisper-cli is not built in this tree (%1); configure "
                                            "with -DVELTRINO_WHISPER=ON")
                                 .arg(built)));
        const QString model = testenv::sharedTestData(QStringLiteral("for-tests-ggml-tiny.bin"));
        if (!QFileInfo::exists(model))
            QSKIP(
                qPrintable(QStringLiteral("the test model is missing: put for-tests-ggml-tiny.bin "
                                          "into %1")
                               .arg(QFileInfo(model).absolutePath())));
        QVERIFY(FRoot.isValid());
        const QString base = FRoot.path();
        // The "whisper" folder is moved away from the build tree: it must carry all it needs.
        const QString programDir = base + QString::fromUtf8("/Program Files ğü/Veltrino");
        QVERIFY(QDir().mkpath(programDir + QStringLiteral("/whisper")));
        FTool = programDir + QStringLiteral("/whisper/whisper-cli");
        QVERIFY(QFile::copy(built, FTool));
        QVERIFY(QFile::setPermissions(FTool, QFile::permissions(built)));
        const QString dataDir = base + QString::fromUtf8("/Dåta dir");
        QVERIFY(QDir().mkpath(dataDir));
        FModel = dataDir + QStringLiteral("/ggml tiny.bin");
        QVERIFY(QFile::copy(model, FModel));
        FInputDir = base + QString::fromUtf8("/Müzik klasörü");
        FWorkDir = base + QString::fromUtf8("/tmp dir/kesveltrino ß");
        FElsewhere = base + QStringLiteral("/elsewhere");
        for (const QString& dir : {FInputDir, FWorkDir, FElsewhere})
            QVERIFY(QDir().mkpath(dir));
    }

    void acceptsTheCommandLineAndWritesUnderTheBase_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("flag");
        QTest::addColumn<QByteArray>("expectedStart");
        // What the tensor-less model makes the tool write: its LRC tag, the VTT header, and
        // empty SRT and TXT files (no words were recognised).
        QTest::newRow("wav lrc") << "wav"
                                 << "-olrc" << QByteArray("[by:whisper.cpp]");
        QTest::newRow("wav srt") << "wav"
                                 << "-osrt" << QByteArray();
        QTest::newRow("wav vtt") << "wav"
                                 << "-ovtt" << QByteArray("WEBVTT");
        QTest::newRow("wav txt") << "wav"
                                 << "-otxt" << QByteArray();
        QTest::newRow("mp3 lrc") << "mp3"
                                 << "-olrc" << QByteArray("[by:whisper.cpp]");
        QTest::newRow("ogg lrc") << "ogg"
                                 << "-olrc" << QByteArray("[by:whisper.cpp]");
        QTest::newRow("flac vtt") << "flac"
                                  << "-ovtt" << QByteArray("WEBVTT");
    }

    void acceptsTheCommandLineAndWritesUnderTheBase() {
        QFETCH(QString, format);
        QFETCH(QString, flag);
        QFETCH(QByteArray, expectedStart);

        // "30 sec" in the name: the duration must come from the tool's sample count, not the name.
        const QString input = FInputDir + QString::fromUtf8("/30 sec ad – şarkı.") + format;
        if (!QFileInfo::exists(input)) {
            const QByteArray wav = makeWav(kSeconds);
            if (format == QLatin1String("wav")) {
                QVERIFY(writeFile(input, wav));
            } else {
                const QString source = FRoot.filePath(QStringLiteral("source.wav"));
                QVERIFY(writeFile(source, wav));
                const Encoder enc = encoderFor(format, source, input);
                if (QStandardPaths::findExecutable(enc.program).isEmpty())
                    QSKIP(qPrintable(enc.program +
                                     QStringLiteral(" is not installed (tools/deps.sh)")));
                QCOMPARE(QProcess::execute(enc.program, enc.arguments), 0);
            }
        }
        emptyWorkDir();
        const QStringList inputsBefore = QDir(FInputDir).entryList(QDir::Files);

        const Run run = runCommandLine(FTool, commandLine(FModel, input, flag), FElsewhere);
        QVERIFY2(run.finished, "whisper-cli did not finish in time");
        QVERIFY2(run.exitCode == 0, qPrintable(run.lines.join(QLatin1Char('\n'))));

        QStringList durationLines;
        for (const QString& line : run.lines)
            if (line.startsWith(QLatin1String("main: processing")))
                durationLines << line;
        QCOMPARE(durationLines.size(), 1);
        // The path reached the tool unchanged: it prints it back in quotes.
        QVERIFY2(durationLines[0].contains(QLatin1Char('\'') + input + QLatin1Char('\'')),
                 qPrintable(durationLines[0]));
        const double seconds = ParseDurationLine(durationLines[0]);
        // Decoders of lossy formats may add a few frames of padding.
        const double tolerance =
            format == QLatin1String("wav") || format == QLatin1String("flac") ? 0.051 : 0.2;
        QVERIFY2(
            std::abs(seconds - kSeconds) <= tolerance,
            qPrintable(QStringLiteral("read %1 s from: %2").arg(seconds).arg(durationLines[0])));

        const QString output = FWorkDir + QStringLiteral("/temp.") + flag.mid(2);
        QCOMPARE(QDir(FWorkDir).entryList(QDir::Files), QStringList{QFileInfo(output).fileName()});
        QVERIFY(readFile(output).startsWith(expectedStart));
        QCOMPARE(QDir(FInputDir).entryList(QDir::Files), inputsBefore);
    }

    // The application counts a job as failed when no output file exists; the tool must then
    // write none.
    void writesNothingWhenModelOrInputIsMissing_data() {
        QTest::addColumn<bool>("modelGiven");
        QTest::addColumn<bool>("inputGiven");
        QTest::newRow("no model") << false << true;
        QTest::newRow("no input") << true << false;
    }

    void writesNothingWhenModelOrInputIsMissing() {
        QFETCH(bool, modelGiven);
        QFETCH(bool, inputGiven);
        const QString input = FInputDir + QStringLiteral("/missing check.wav");
        QVERIFY(writeFile(input, makeWav(0.5)));
        emptyWorkDir();
        const Run run =
            runCommandLine(FTool,
                           commandLine(modelGiven ? FModel : QString(),
                                       inputGiven ? input : QString(), QStringLiteral("-olrc")),
                           FElsewhere);
        QVERIFY(run.finished);
        QVERIFY(run.exitCode != 0);
        QCOMPARE(QDir(FWorkDir).entryList(QDir::Files), QStringList());
        QVERIFY(QFile::remove(input));
    }
};

VELTRINO_TEST_CORE_MAIN(TestWhisperContract)
#include "test_whisper_contract.moc"
