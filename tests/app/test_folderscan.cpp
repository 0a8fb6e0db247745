#include "TestEnvironment.h"
#include "TreeBuilder.h"
#include "app/FolderScan.h"

#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class TestFolderScan : public QObject {
    Q_OBJECT

    static bool audioName(const QString& name) {
        const QString lower = name.toLower();
        return lower.endsWith(QLatin1String(".mp3")) || lower.endsWith(QLatin1String(".wav")) ||
               lower.endsWith(QLatin1String(".ogg")) || lower.endsWith(QLatin1String(".flac"));
    }
    static QStringList scan(const QString& folder) {
        QStringList found;
        ScanFolder(folder, found);
        return found;
    }

private Q_SLOTS:
    void isAudioFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("audio");
        QTest::newRow("mp3") << "song.mp3" << true;
        QTest::newRow("upper case") << "SONG.MP3" << true;
        QTest::newRow("mixed flac") << "c.FlAc" << true;
        QTest::newRow("wav") << "a.wav" << true;
        QTest::newRow("ogg") << "/x/y/a.ogg" << true;
        QTest::newRow("last extension counts") << "a.mp3.txt" << false;
        QTest::newRow("audio after another") << "a.txt.wav" << true;
        QTest::newRow("only an extension") << ".mp3" << true;
        QTest::newRow("no dot") << "mp3" << false;
        QTest::newRow("other audio") << "a.m4a" << false;
        QTest::newRow("longer extension") << "a.flacx" << false;
        QTest::newRow("shorter extension") << "a.mp" << false;
        QTest::newRow("dot in a folder only") << "/music.mp3/readme" << false;
        QTest::newRow("empty") << "" << false;
    }
    void isAudioFile() {
        QFETCH(QString, name);
        QFETCH(bool, audio);
        QCOMPARE(IsAudioFile(name), audio);
    }

    // Files of a sub-folder come where the sub-folder is met, hidden entries included, only audio.
    void depthFirstInFileSystemOrder() {
        QTemporaryDir root;
        for (const char* rel : {"a.mp3", "b.txt", "sub/c.FLAC", "sub/deeper/d.wav", "sub/e.Ogg",
                                ".hidden.mp3", ".hid/f.mp3", "g.MP3", "h.mp3.bak", "z/y/x/w.wav"})
            QVERIFY(tree::touch(root.path(), QString::fromLatin1(rel)));
        QStringList expected;
        tree::listInOrder(root.path() + QLatin1Char('/'), audioName, expected);
        QCOMPARE(expected.size(), 8);
        QCOMPARE(scan(root.path()), expected);
        // A folder given with its separator gets no second one.
        QCOMPARE(scan(root.path() + QLatin1Char('/')), expected);
    }

    void appendsToWhatIsThere() {
        QTemporaryDir root;
        QVERIFY(tree::touch(root.path(), QStringLiteral("a.mp3")));
        QStringList found{QStringLiteral("earlier")};
        ScanFolder(root.path(), found);
        QCOMPARE(found, QStringList({QStringLiteral("earlier"), root.path() + "/a.mp3"}));
    }

    void missingOrEmptyFolderFindsNothing() {
        QTemporaryDir root;
        QVERIFY(scan(root.path() + QStringLiteral("/absent")).isEmpty());
        QVERIFY(scan(QString()).isEmpty());
        QVERIFY(tree::touch(root.path(), QStringLiteral("plain.mp3")));
        // A file is not a folder to scan.
        QVERIFY(scan(root.path() + QStringLiteral("/plain.mp3")).isEmpty());
    }

    void unreadableFolderIsSkipped() {
        if (::geteuid() == 0)
            QSKIP("permissions do not bind the superuser");
        QTemporaryDir root;
        QVERIFY(tree::touch(root.path(), QStringLiteral("a.mp3")));
        QVERIFY(tree::touch(root.path(), QStringLiteral("locked/b.mp3")));
        QVERIFY(tree::touch(root.path(), QStringLiteral("open/c.mp3")));
        const QString locked = root.path() + QStringLiteral("/locked");
        QVERIFY(QFile::setPermissions(locked, QFileDevice::Permissions()));
        const QStringList found = scan(root.path());
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
        QCOMPARE(QSet<QString>(found.cbegin(), found.cend()),
                 QSet<QString>({root.path() + "/a.mp3", root.path() + "/open/c.mp3"}));
    }

    // Links that lead back up the path or around in a circle end; a linked folder is entered at
    // most once through links, and a link to a file is judged by its own name.
    void linkLoopsEnd() {
        QTemporaryDir tmp;
        const QString r = tmp.path();
        QVERIFY(tree::touch(r, QStringLiteral("a.mp3")));
        QVERIFY(tree::touch(r, QStringLiteral("sub/b.mp3")));
        QVERIFY(tree::touch(r, QStringLiteral("x/x.wav")));
        QVERIFY(tree::touch(r, QStringLiteral("y/y.wav")));
        QVERIFY(tree::link(r, r + QStringLiteral("/sub/up")));            // back to the root
        QVERIFY(tree::link(r + "/sub", r + QStringLiteral("/sub/self"))); // to itself
        QVERIFY(tree::link(r + "/y", r + QStringLiteral("/x/toY")));      // x -> y -> x
        QVERIFY(tree::link(r + "/x", r + QStringLiteral("/y/toX")));
        QVERIFY(tree::link(r + "/a.mp3", r + QStringLiteral("/sub/alias.mp3")));
        QVERIFY(tree::link(r + "/a.mp3", r + QStringLiteral("/sub/alias.txt")));
        QVERIFY(tree::link(r + "/nowhere", r + QStringLiteral("/dangling.ogg")));

        const QStringList found = scan(r);
        const QSet<QString> unique(found.cbegin(), found.cend());
        QCOMPARE(unique.size(), found.size());
        // Real folders are always entered; each linked target once at most, wherever met first.
        for (const char* must :
             {"/a.mp3", "/sub/b.mp3", "/sub/alias.mp3", "/x/x.wav", "/y/y.wav", "/dangling.ogg"})
            QVERIFY2(unique.contains(r + QLatin1String(must)), must);
        for (const QString& path : found)
            QVERIFY2(!path.contains(QLatin1String("/up/")) &&
                         !path.contains(QLatin1String("/self/")),
                     qPrintable(path));
        // Of x and y, whichever comes first is also entered through its link to the other, and
        // that link's way back is on the path: one extra file in all.
        QCOMPARE(found.size(), 7);
    }

    // Sub-folders that are reached through many links to the same place are entered only once
    // that way, so a fan of links cannot multiply the work.
    void manyLinksToOneFolderFollowedOnce() {
        QTemporaryDir tmp;
        const QString r = tmp.path();
        QVERIFY(tree::touch(r, QStringLiteral("target/t.mp3")));
        QVERIFY(QDir().mkpath(r + QStringLiteral("/links")));
        for (int i = 0; i < 20; ++i)
            QVERIFY(tree::link(r + "/target", r + QStringLiteral("/links/l%1").arg(i)));
        const QStringList found = scan(r + QStringLiteral("/links"));
        QCOMPARE(found.size(), 1);
    }
};

VELTRINO_TEST_CORE_MAIN(TestFolderScan)
#include "test_folderscan.moc"
