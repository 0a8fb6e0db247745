#include "TestEnvironment.h"
#include "app/OutputFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

QString writeBytes(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class TestOutputFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { setNarrowEncodingForTests(QStringConverter::System); }

    void fileSize() {
        QTemporaryDir dir;
        QCOMPARE(FileSizeOf(dir.filePath(QStringLiteral("none"))), qint64(-1));
        QCOMPARE(FileSizeOf(writeBytes(dir, QStringLiteral("e"), {})), qint64(0));
        QCOMPARE(FileSizeOf(writeBytes(dir, QStringLiteral("f"), "abc")), qint64(3));
    }

    void loadLines_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QStringList>("lines");
        const int utf8 = QStringConverter::Utf8;
        const int latin1 = QStringConverter::Latin1;
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << utf8 << QStringList{"a", "b"};
        QTest::newRow("LF") << QByteArray("a\nb") << utf8 << QStringList{"a", "b"};
        QTest::newRow("CR") << QByteArray("a\rb\r") << utf8 << QStringList{"a", "b"};
        QTest::newRow("mixed, empty lines kept")
            << QByteArray("a\r\n\r\n\nb\r\rc") << utf8 << QStringList{"a", "", "", "b", "", "c"};
        QTest::newRow("empty file") << QByteArray() << utf8 << QStringList{};
        QTest::newRow("BOM wins over latin1") << QByteArray("\xEF\xBB\xBF\xC3\xA9t\xC3\xA9\n")
                                              << latin1 << QStringList{QStringLiteral("été")};
        QTest::newRow("UTF-16 BOM") << QByteArray("\xFF\xFE"
                                                  "a\0\r\0\n\0b\0",
                                                  10)
                                    << utf8 << QStringList{"a", "b"};
        QTest::newRow("latin1 without BOM")
            << QByteArray("\xE9t\xE9") << latin1 << QStringList{QStringLiteral("été")};
    }
    void loadLines() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, encoding);
        QFETCH(QStringList, lines);
        QTemporaryDir dir;
        QStringList got{QStringLiteral("stale")};
        LoadLines(writeBytes(dir, QStringLiteral("t"), bytes),
                  static_cast<QStringConverter::Encoding>(encoding), got);
        QCOMPARE(got, lines);
    }

    void loadLinesRaisesOnBadUtf8AndMissingFile() {
        QTemporaryDir dir;
        QStringList got{QStringLiteral("kept")};
        QVERIFY_THROWS_EXCEPTION(ELoadLines,
                                 LoadLines(writeBytes(dir, QStringLiteral("bad"), "\xE9t\xE9"),
                                           QStringConverter::Utf8, got));
        QCOMPARE(got, QStringList{QStringLiteral("kept")});
        QVERIFY_THROWS_EXCEPTION(ELoadLines, LoadLines(dir.filePath(QStringLiteral("none")),
                                                       QStringConverter::Utf8, got));
    }

    void outputFallsBackToNarrowEncoding() {
        QTemporaryDir dir;
        setNarrowEncodingForTests(QStringConverter::Latin1);
        const QString bad = writeBytes(dir, QStringLiteral("bad"), "caf\xE9\r\nok");
        QCOMPARE(LoadOutputLines(bad), (QStringList{QStringLiteral("café"), QStringLiteral("ok")}));
        // A UTF-8 mark in front of text that is not UTF-8 does not become text of its own.
        const QString marked = writeBytes(dir, QStringLiteral("marked"),
                                          "\xEF\xBB\xBF"
                                          "caf\xE9");
        QCOMPARE(LoadOutputLines(marked), QStringList{QStringLiteral("café")});
        const QString good = writeBytes(dir, QStringLiteral("good"), "caf\xC3\xA9");
        QCOMPARE(LoadOutputLines(good), QStringList{QStringLiteral("café")});
        // With a UTF-8 locale the bytes that do not decode are replaced, the rest is kept.
        setNarrowEncodingForTests(QStringConverter::Utf8);
        QCOMPARE(LoadOutputLines(bad),
                 (QStringList{QStringLiteral("caf\uFFFD"), QStringLiteral("ok")}));
    }

    void cleaning_data() {
        QTest::addColumn<QStringList>("in");
        QTest::addColumn<QStringList>("out");
        QTest::newRow("tag removed anywhere")
            << QStringList{"[by:whisper.cpp]", "[00:00.00] hi", "  [by:whisper.cpp]\t"}
            << QStringList{"[00:00.00] hi"};
        QTest::newRow("tag with more text stays")
            << QStringList{"[by:whisper.cpp] x"} << QStringList{"[by:whisper.cpp] x"};
        QTest::newRow("leading blank and controls trimmed")
            << QStringList{" hello", "\x01world \x1f", "", "  "}
            << QStringList{"hello", "world", "", ""};
        QTest::newRow("non-breaking space kept")
            << QStringList{QStringLiteral("\u00a0x")} << QStringList{QStringLiteral("\u00a0x")};
    }
    void cleaning() {
        QFETCH(QStringList, in);
        QFETCH(QStringList, out);
        CleanOutputLines(in);
        QCOMPARE(in, out);
    }

    void encodings_data() {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<int>("narrow");
        QTest::addColumn<QByteArray>("bytes");
        const QStringList lines{QStringLiteral("é1"), QString(), QStringLiteral("x")};
        QTest::newRow("UTF-8-BOM") << int(TOutputEncoding::Utf8Bom) << int(QStringConverter::System)
                                   << QByteArray("\xEF\xBB\xBF\xC3\xA9"
                                                 "1\r\n\r\nx\r\n");
        QTest::newRow("UTF-8") << int(TOutputEncoding::Utf8) << int(QStringConverter::System)
                               << QByteArray("\xC3\xA9"
                                             "1\r\n\r\nx\r\n");
        QTest::newRow("narrow latin1")
            << int(TOutputEncoding::Ansi) << int(QStringConverter::Latin1)
            << QByteArray("\xE9"
                          "1\r\n\r\nx\r\n");
        QTest::newRow("narrow utf-8 locale")
            << int(TOutputEncoding::Ansi) << int(QStringConverter::Utf8)
            << QByteArray("\xC3\xA9"
                          "1\r\n\r\nx\r\n");
    }
    void encodings() {
        QFETCH(int, encoding);
        QFETCH(int, narrow);
        QFETCH(QByteArray, bytes);
        setNarrowEncodingForTests(static_cast<QStringConverter::Encoding>(narrow));
        const QStringList lines{QStringLiteral("é1"), QString(), QStringLiteral("x")};
        QCOMPARE(EncodeOutputLines(lines, static_cast<TOutputEncoding>(encoding)), bytes);
    }

    void narrowReplacesWhatItCannotShow() {
        setNarrowEncodingForTests(QStringConverter::Latin1);
        QCOMPARE(EncodeOutputLines({QStringLiteral("a\u4e2d")}, TOutputEncoding::Ansi),
                 QByteArray("a?\r\n"));
    }

    void writeNewFileNeverReplaces() {
        QTemporaryDir dir;
        const QString base = dir.filePath(QStringLiteral("song.lrc"));
        QString error;
        // The name was free when the job started and is still free.
        QCOMPARE(WriteNewFile(base, base, "one", &error), base);
        QCOMPARE(readBytes(base), QByteArray("one"));
        // Chosen as "(2)" but taken meanwhile, with the base too: the next free number, not nested.
        const QString two = dir.filePath(QStringLiteral("song (2).lrc"));
        writeBytes(dir, QStringLiteral("song (2).lrc"), "other");
        const QString written = WriteNewFile(two, base, "mine", &error);
        QCOMPARE(written, dir.filePath(QStringLiteral("song (3).lrc")));
        QCOMPARE(readBytes(two), QByteArray("other"));
        QCOMPARE(readBytes(base), QByteArray("one"));
        QCOMPARE(readBytes(written), QByteArray("mine"));
        // A folder under the chosen name is not replaced either.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("song (4).lrc")));
        QCOMPARE(WriteNewFile(dir.filePath(QStringLiteral("song (4).lrc")), base, "x", &error),
                 dir.filePath(QStringLiteral("song (5).lrc")));
        // No temporary file is left behind.
        QCOMPARE(
            QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot).size(),
            4);
        // The outputs carry the permissions of any file made in that folder.
        writeBytes(dir, QStringLiteral("plain.txt"), "p");
        QCOMPARE(QFileInfo(base).permissions(),
                 QFileInfo(dir.filePath(QStringLiteral("plain.txt"))).permissions());
    }

    void writeNewFileTakesTheLongestNames() {
        QTemporaryDir dir;
        // 251 + ".lrc" is the longest name most file systems allow.
        const QString longest =
            dir.filePath(QString(251, QLatin1Char('n')) + QStringLiteral(".lrc"));
        QString error;
        QCOMPARE(WriteNewFile(longest, longest, "x", &error), longest);
        QCOMPARE(readBytes(longest), QByteArray("x"));
    }

    void writeNewFileReportsFailure() {
        QTemporaryDir dir;
        QString error;
        QCOMPARE(WriteNewFile(dir.filePath(QStringLiteral("gone/a.lrc")),
                              dir.filePath(QStringLiteral("gone/a.lrc")), "x", &error),
                 QString());
        QVERIFY(!error.isEmpty());
        if (geteuid() == 0)
            QSKIP("root writes into read-only folders");
        const QString ro = dir.filePath(QStringLiteral("ro"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("ro")));
        chmod(QFile::encodeName(ro).constData(), 0500);
        error.clear();
        QCOMPARE(
            WriteNewFile(ro + QStringLiteral("/a.lrc"), ro + QStringLiteral("/a.lrc"), "x", &error),
            QString());
        QVERIFY(!error.isEmpty());
        chmod(QFile::encodeName(ro).constData(), 0700);
    }
};

VELTRINO_TEST_CORE_MAIN(TestOutputFiles)
#include "test_outputfiles.moc"
