#include "TestEnvironment.h"
#include "app/LanguageItems.h"
#include "app/RecognizerCommand.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The argument splitting the process runner applies (after the program name): blanks separate
// outside quotes, a quote toggles quoting, 2n backslashes before a quote give n and toggle,
// 2n+1 give n and a literal quote, "" inside quotes gives a quote; other backslashes are literal.
QStringList splitArguments(const QString& text) {
    QStringList args;
    QString current;
    bool inQuotes = false;
    bool any = false;
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\')) {
            qsizetype n = 0;
            while (i < text.size() && text.at(i) == QLatin1Char('\\')) {
                ++n;
                ++i;
            }
            if (i < text.size() && text.at(i) == QLatin1Char('"')) {
                current += QString(n / 2, QLatin1Char('\\'));
                if (n % 2) {
                    current += QLatin1Char('"');
                    ++i;
                }
            } else {
                current += QString(n, QLatin1Char('\\'));
            }
            any = true;
            continue;
        }
        if (c == QLatin1Char('"')) {
            if (inQuotes && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                current += QLatin1Char('"');
                i += 2;
                continue;
            }
            inQuotes = !inQuotes;
            any = true;
            ++i;
            continue;
        }
        if (!inQuotes && (c == QLatin1Char(' ') || c == QLatin1Char('\t'))) {
            if (any)
                args.append(current);
            current.clear();
            any = false;
            ++i;
            continue;
        }
        current += c;
        any = true;
        ++i;
    }
    if (any)
        args.append(current);
    return args;
}

void touch(const QString& path) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

} // namespace

class TestRecognizerCommand : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void quotedPathsArriveUnchanged_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("plain") << "/home/u/song.mp3";
        QTest::newRow("blanks") << "/home/u/my song  two.mp3";
        QTest::newRow("quotes") << "/home/u/\"best\" of.mp3";
        QTest::newRow("trailing backslash") << "/home/u/odd\\";
        QTest::newRow("backslashes before quote") << "/home/u/a\\\\\"b\\.mp3";
        QTest::newRow("leading dash") << "-f.mp3";
        QTest::newRow("non-ASCII") << QStringLiteral("/home/u/şarkı ünlü ç.mp3");
        QTest::newRow("empty") << "";
        QTest::newRow("only backslashes") << "\\\\\\";
    }
    void quotedPathsArriveUnchanged() {
        QFETCH(QString, path);
        const TRecognizerArguments args{QStringLiteral("/opt/v/whisper/whisper-cli"),
                                        path,
                                        path,
                                        QStringLiteral("auto"),
                                        QStringLiteral("40"),
                                        QStringLiteral(" -osrt"),
                                        path};
        const QString line = BuildRecognizerCommandLine(args);
        QVERIFY(line.startsWith(QStringLiteral("/opt/v/whisper/whisper-cli -m ")));
        const QStringList split = splitArguments(line.mid(line.indexOf(QLatin1Char(' ')) + 1));
        const QStringList expected{QStringLiteral("-m"),   path,
                                   QStringLiteral("-f"),   path,
                                   QStringLiteral("-l"),   QStringLiteral("auto"),
                                   QStringLiteral("-ml"),  QStringLiteral("40"),
                                   QStringLiteral("-sow"), QStringLiteral("-osrt"),
                                   QStringLiteral("-of"),  path};
        QCOMPARE(split, expected);
    }

    void commandLineText_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("lineLength");
        QTest::addColumn<QString>("expected");
        const QString head = QStringLiteral(
            "/p/whisper/whisper-cli -m \"/p/whisper/ggml-base.bin\" -f \"/a/s.mp3\"");
        QTest::newRow("auto, 40") << "auto"
                                  << "40" << head + " -l auto -ml 40 -sow -olrc -of \"/w/temp\"";
        QTest::newRow("code, 0") << "lzh"
                                 << "0" << head + " -l lzh -olrc -of \"/w/temp\"";
        QTest::newRow("negative") << "en"
                                  << "-5" << head + " -l en -olrc -of \"/w/temp\"";
        QTest::newRow("not a number") << "en"
                                      << "4x" << head + " -l en -olrc -of \"/w/temp\"";
    }
    void commandLineText() {
        QFETCH(QString, language);
        QFETCH(QString, lineLength);
        QFETCH(QString, expected);
        const TRecognizerArguments args{QStringLiteral("/p/whisper/whisper-cli"),
                                        QStringLiteral("/p/whisper/ggml-base.bin"),
                                        QStringLiteral("/a/s.mp3"),
                                        language,
                                        lineLength,
                                        QStringLiteral(" -olrc"),
                                        QStringLiteral("/w/temp")};
        QCOMPARE(BuildRecognizerCommandLine(args), expected);
    }

    void outputTypes() {
        QCOMPARE(OutputTypeAt(0).Flag, QStringLiteral(" -olrc"));
        QCOMPARE(OutputTypeAt(1).Extension, QStringLiteral(".srt"));
        QCOMPARE(OutputTypeAt(2).Flag, QStringLiteral(" -ovtt"));
        QCOMPARE(OutputTypeAt(3).Extension, QStringLiteral(".txt"));
    }

    void languageCode_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("code");
        QTest::newRow("english") << "English [en]"
                                 << "en";
        QTest::newRow("parentheses") << "Chinese (Literary) [lzh]"
                                     << "lzh";
        QTest::newRow("no bracket") << "English"
                                    << "";
        QTest::newRow("no closing") << "English [en"
                                    << "";
        QTest::newRow("closing before opening") << "] x [ab]"
                                                << "ab";
    }
    void languageCode() {
        QFETCH(QString, item);
        QFETCH(QString, code);
        QCOMPARE(LanguageCodeOf(item), code);
    }

    void nameWithoutExtension_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("two dots") << "/m/a.b.mp3"
                                  << "a.b";
        QTest::newRow("no dot") << "/m/track"
                                << "track";
        QTest::newRow("only leading dot") << "/m/.mp3"
                                          << "";
        QTest::newRow("dot in folder") << "/m.x/track"
                                       << "track";
        QTest::newRow("backslash is a name character") << "/m/a\\b.mp3"
                                                       << "a\\b";
        QTest::newRow("bare") << "x.wav"
                              << "x";
    }
    void nameWithoutExtension() {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(FileNameWithoutExtension(path), name);
    }

    void outputBase() {
        QCOMPARE(OutputBase(QStringLiteral("/out"), QStringLiteral("/m/a.b.mp3")),
                 QStringLiteral("/out/a.b"));
        // Typed with a trailing separator: the doubled separator is kept, the system accepts it.
        QCOMPARE(OutputBase(QStringLiteral("/out/"), QStringLiteral("/m/s.mp3")),
                 QStringLiteral("/out//s"));
        QCOMPARE(FolderOf(QStringLiteral("/m/s.mp3")), QStringLiteral("/m"));
        QCOMPARE(FolderOf(QStringLiteral("/s.mp3")), QStringLiteral("/"));
    }

    void uniqueName_data() {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("wanted");
        QTest::addColumn<QString>("result");
        QTest::newRow("free") << QStringList() << "song.lrc"
                              << "song.lrc";
        QTest::newRow("taken") << QStringList{"song.lrc"} << "song.lrc"
                               << "song (2).lrc";
        QTest::newRow("next") << QStringList{"song.lrc", "song (2).lrc"} << "song.lrc"
                              << "song (3).lrc";
        QTest::newRow("gap reused") << QStringList{"song.lrc", "song (3).lrc"} << "song.lrc"
                                    << "song (2).lrc";
        QTest::newRow("folder does not count") << QStringList{"song.lrc/"} << "song.lrc"
                                               << "song.lrc";
        QTest::newRow("no extension") << QStringList{"song"} << "song"
                                      << "song (2)";
    }
    void uniqueName() {
        QFETCH(QStringList, present);
        QFETCH(QString, wanted);
        QFETCH(QString, result);
        QTemporaryDir dir;
        for (const QString& p : present) {
            if (p.endsWith(QLatin1Char('/')))
                QVERIFY(QDir(dir.path()).mkdir(p));
            else
                touch(dir.filePath(p));
        }
        QCOMPARE(UniqueFileName(dir.filePath(wanted)), dir.filePath(result));
    }

    void shortPath() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("a b.mp3"));
        QCOMPARE(ShortPath(file), QString());
        touch(file);
        QCOMPARE(ShortPath(file), file);
    }
};

VELTRINO_TEST_CORE_MAIN(TestRecognizerCommand)
#include "test_recognizercommand.moc"
