#include "TestEnvironment.h"
#include "platform/Paths.h"
#include "services/Lcid.h"
#include "services/Translation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>
#include <vector>

using Files = QMap<QString, QByteArray>;
Q_DECLARE_METATYPE(Files)

namespace {

// A Languages folder holding the given files, inside a temporary folder that lives as long as it.
struct LanguagesFixture {
    QTemporaryDir dir;
    QString folder;

    explicit LanguagesFixture(const Files& files = {}) {
        folder = dir.path() + QStringLiteral("/Languages");
        QDir().mkpath(folder);
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            QFile f(folder + QLatin1Char('/') + it.key());
            if (!f.open(QIODevice::WriteOnly) || f.write(it.value()) != it.value().size())
                qFatal("cannot write the fixture file %s", qPrintable(it.key()));
        }
    }
};

// Sets the user's interface language for one test and restores the system's afterwards.
struct UILanguage {
    explicit UILanguage(quint16 lcid) {
        SetUserDefaultUILanguageSource([lcid] { return lcid; });
    }
    ~UILanguage() { SetUserDefaultUILanguageSource({}); }
};

const QByteArray germanFile = "{Restart Application?}Anwendung neu starten?\r\n{OK}OK!\r\n";

} // namespace

class TestTranslation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Runs first: nothing has been loaded in this process yet.
    void beforeAnyLoadTextsStayEnglish() {
        QCOMPARE(translate(QStringLiteral("Restart Application?")),
                 QStringLiteral("Restart Application?"));
        QVERIFY(CurrentLanguagePath().isEmpty());
        QVERIFY(LanguageList().isEmpty());
    }

    void lookup_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString ok = QStringLiteral("OK");
        QTest::newRow("first entry wins")
            << QByteArray("{OK}Tamam\n{Cancel}x\n{OK}Peki\n") << ok << QStringLiteral("Tamam");
        QTest::newRow("key case is exact") << QByteArray("{ok}tamam\n") << ok << ok;
        QTest::newRow("leading blank never matches") << QByteArray(" {OK}Tamam\n") << ok << ok;
        QTest::newRow("empty translation") << QByteArray("{OK}\n") << ok << ok;
        QTest::newRow("empty first entry ends the walk")
            << QByteArray("{OK}\n{OK}Peki\n") << ok << ok;
        QTest::newRow("trailing blanks kept")
            << QByteArray("{Copy}Kopieren  \n") << QStringLiteral("Copy")
            << QStringLiteral("Kopieren  ");
        QTest::newRow("leading blank kept")
            << QByteArray("{Copy} Kopieren\n") << QStringLiteral("Copy")
            << QStringLiteral(" Kopieren");
        QTest::newRow("brace in translation")
            << QByteArray("{Copy}Kopi}e\n") << QStringLiteral("Copy") << QStringLiteral("Kopi}e");
        QTest::newRow("brace in key")
            << QByteArray("{a}b}X\n") << QStringLiteral("a}b") << QStringLiteral("X");
        QTest::newRow("longer key is another key")
            << QByteArray("{OK button}D\xC3\xBC\xC4\x9Fme\n") << ok << ok;
        QTest::newRow("placeholders and punctuation")
            << QByteArray("{About %s}\xC3\x9C"
                          "ber %s\n{How to uninstall...}Deinstallieren...\n")
            << QStringLiteral("About %s")
            << QString::fromUtf8("\xC3\x9C"
                                 "ber %s");
        QTest::newRow("ellipsis is part of the key")
            << QByteArray("{How to uninstall}A\n{How to uninstall...}B\n")
            << QStringLiteral("How to uninstall...") << QStringLiteral("B");
        QTest::newRow("CR line ends")
            << QByteArray("{A}1\r{OK}Tamam\r{B}2") << ok << QStringLiteral("Tamam");
        QTest::newRow("CR LF line ends, last line without end")
            << QByteArray("{A}1\r\n{OK}Tamam") << ok << QStringLiteral("Tamam");
        QTest::newRow("byte-order mark skipped")
            << QByteArray("\xEF\xBB\xBF{OK}Tamam\n") << ok << QStringLiteral("Tamam");
        QTest::newRow("no entry") << QByteArray("; a comment line\n{Yes}Evet\n") << ok << ok;
        QTest::newRow("translator entry is a key like any other")
            << QByteArray("{INFO:Translated By}Anna, Ben\n") << QStringLiteral("INFO:Translated By")
            << QStringLiteral("Anna, Ben");
    }
    void lookup() {
        QFETCH(QByteArray, content);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const LanguagesFixture fx({{QStringLiteral("Turkish.lang.txt"), content}});
        LoadLanguageFileFrom(fx.folder, QStringLiteral("Turkish.lang.txt"));
        QCOMPARE(CurrentLanguageName(), QStringLiteral("Turkish"));
        QCOMPARE(translate(text), expected);
    }

    void mapping_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<int>("lcid");
        QTest::addColumn<QString>("expectedName");
        const QString german = QStringLiteral("German");
        QTest::newRow("plain") << QByteArray("1031,German.lang.txt\r\n") << 1031 << german;
        QTest::newRow("blanks and folded case")
            << QByteArray("1031 , german.LANG.txt \n") << 1031 << german;
        QTest::newRow("control characters trimmed")
            << QByteArray("\t1031\t,\tGerman.lang.txt\t\n") << 1031 << german;
        QTest::newRow("comma in file name")
            << QByteArray("1031,German.lang.txt,x\n") << 1031 << QString();
        QTest::newRow("first line for the identifier wins")
            << QByteArray("1031,German.lang.txt\n1031,French.lang.txt\n") << 1031 << german;
        QTest::newRow("first line names a missing file")
            << QByteArray("1031,Missing.lang.txt\n1031,German.lang.txt\n") << 1031 << QString();
        QTest::newRow("header and comment without commas")
            << QByteArray("LCID;File\n# German\n1036,French.lang.txt\n1031,German.lang.txt\n")
            << 1031 << german;
        QTest::newRow("another identifier")
            << QByteArray("1036,French.lang.txt\n") << 1031 << QString();
        QTest::newRow("identifier compared as text")
            << QByteArray("01031,German.lang.txt\n") << 1031 << QString();
        QTest::newRow("French by its identifier")
            << QByteArray("1031,German.lang.txt\n1036,French.lang.txt\n") << 1036
            << QStringLiteral("French");
        QTest::newRow("CR line ends")
            << QByteArray("1036,French.lang.txt\r1031,German.lang.txt") << 1031 << german;
        QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF"
                                                       "1031,German.lang.txt\n")
                                         << 1031 << german;
        QTest::newRow("UTF-16LE with mark") << QByteArray("\xFF\xFE"
                                                          "1\0"
                                                          "0\0"
                                                          "3\0"
                                                          "1\0"
                                                          ",\0"
                                                          "G\0"
                                                          "e\0"
                                                          "r\0"
                                                          "m\0"
                                                          "a\0"
                                                          "n\0"
                                                          ".\0"
                                                          "l\0"
                                                          "a\0"
                                                          "n\0"
                                                          "g\0"
                                                          ".\0"
                                                          "t\0"
                                                          "x\0"
                                                          "t\0"
                                                          "\r\0"
                                                          "\n\0",
                                                          46)
                                            << 1031 << german;
        QTest::newRow("UTF-16BE with mark") << QByteArray("\xFE\xFF"
                                                          "\0"
                                                          "1"
                                                          "\0"
                                                          "0"
                                                          "\0"
                                                          "3"
                                                          "\0"
                                                          "1"
                                                          "\0"
                                                          ","
                                                          "\0"
                                                          "G"
                                                          "\0"
                                                          "e"
                                                          "\0"
                                                          "r"
                                                          "\0"
                                                          "m"
                                                          "\0"
                                                          "a"
                                                          "\0"
                                                          "n"
                                                          "\0"
                                                          "."
                                                          "\0"
                                                          "l"
                                                          "\0"
                                                          "a"
                                                          "\0"
                                                          "n"
                                                          "\0"
                                                          "g"
                                                          "\0"
                                                          "."
                                                          "\0"
                                                          "t"
                                                          "\0"
                                                          "x"
                                                          "\0"
                                                          "t",
                                                          42)
                                            << 1031 << german;
        // Without a mark the locale's encoding applies (UTF-8 in the tests' locale).
        QTest::newRow("no mark, locale encoding") << QByteArray("3082,Espa\xC3\xB1ol.lang.txt\n")
                                                  << 3082 << QString::fromUtf8("Espa\xC3\xB1ol");
        QTest::newRow("mapped name outside the mask")
            << QByteArray("1031,German.txt\n") << 1031 << QString();
    }
    void mapping() {
        QFETCH(QByteArray, csv);
        QFETCH(int, lcid);
        QFETCH(QString, expectedName);
        const LanguagesFixture fx({{QStringLiteral("LanguageCodes.csv"), csv},
                                   {QStringLiteral("German.lang.txt"), germanFile},
                                   {QStringLiteral("French.lang.txt"), "{OK}D'accord\n"},
                                   {QStringLiteral("German.txt"), "{OK}falsch\n"},
                                   {QString::fromUtf8("Espa\xC3\xB1ol.lang.txt"), "{OK}Vale\n"}});
        const UILanguage ui{quint16(lcid)};
        LoadLanguageFileFrom(fx.folder, QString());
        QCOMPARE(CurrentLanguageName(), expectedName);
        if (expectedName.isEmpty()) {
            QVERIFY(CurrentLanguagePath().isEmpty());
            QCOMPARE(translate(QStringLiteral("OK")), QStringLiteral("OK"));
        } else {
            // Spelled as the file system spells it, whatever the mapping's case.
            QCOMPARE(CurrentLanguagePath(),
                     fx.folder + QLatin1Char('/') + expectedName + QStringLiteral(".lang.txt"));
            QVERIFY(translate(QStringLiteral("OK")) != QStringLiteral("OK"));
        }
    }

    void noMappingFileLoadsNothing() {
        const LanguagesFixture fx({{QStringLiteral("German.lang.txt"), germanFile}});
        const UILanguage ui(1031);
        LoadLanguageFileFrom(fx.folder, QString());
        QCOMPARE(LanguageList(), QStringList{QStringLiteral("German.lang.txt")});
        QVERIFY(CurrentLanguageName().isEmpty());
        QVERIFY(CurrentLanguagePath().isEmpty());
        QCOMPARE(translate(QStringLiteral("Restart Application?")),
                 QStringLiteral("Restart Application?"));
    }

    void missingFolderLoadsNothing() {
        const LanguagesFixture fx({{QStringLiteral("German.lang.txt"), germanFile}});
        LoadLanguageFileFrom(fx.folder, QStringLiteral("German.lang.txt"));
        QCOMPARE(CurrentLanguageName(), QStringLiteral("German"));

        const QString missing = fx.dir.path() + QStringLiteral("/NoLanguages");
        LoadLanguageFileFrom(missing, QStringLiteral("German.lang.txt"));
        QCOMPARE(LanguagesFolder(), missing);
        QVERIFY(LanguageList().isEmpty());
        QVERIFY(CurrentLanguageName().isEmpty());
        QVERIFY(CurrentLanguagePath().isEmpty());
        QCOMPARE(translate(QStringLiteral("OK")), QStringLiteral("OK"));
    }

    void listsOnlyLanguageFiles() {
        LanguagesFixture fx({{QStringLiteral("German.lang.txt"), germanFile},
                             {QStringLiteral(".Hidden.lang.txt"), "{OK}h\n"},
                             {QStringLiteral("Esperanto.lang.txt"), "{OK}Bone\n"},
                             {QStringLiteral("notes.txt"), "x"},
                             {QStringLiteral("LanguageCodes.csv"), "1031,German.lang.txt\n"}});
        QVERIFY(QDir(fx.folder).mkdir(QStringLiteral("Folder.lang.txt")));
        LoadLanguageFileFrom(fx.folder, QStringLiteral("Esperanto.lang.txt"));
        QStringList listed = LanguageList();
        listed.sort();
        QCOMPARE(listed, (QStringList{QStringLiteral(".Hidden.lang.txt"),
                                      QStringLiteral("Esperanto.lang.txt"),
                                      QStringLiteral("German.lang.txt")}));
        QCOMPARE(LanguagesFolder(), fx.folder);
        // A named file is loaded directly, without the mapping.
        QCOMPARE(CurrentLanguageName(), QStringLiteral("Esperanto"));
        QCOMPARE(translate(QStringLiteral("OK")), QStringLiteral("Bone"));
    }

    void namedFileThatIsMissingLoadsNothing() {
        const LanguagesFixture fx({{QStringLiteral("German.lang.txt"), germanFile}});
        LoadLanguageFileFrom(fx.folder, QStringLiteral("Klingon.lang.txt"));
        QCOMPARE(LanguageList().size(), 1);
        QVERIFY(CurrentLanguagePath().isEmpty());
        QVERIFY(CurrentLanguageName().isEmpty());
    }

    void unreadableLanguageFileRaises() {
        // Reading /proc/self/mem at offset 0 fails even for root, unlike a file without rights.
        if (!QFile::exists(QStringLiteral("/proc/self/mem")))
            QSKIP("no /proc on this system");
        const LanguagesFixture fx;
        const QString broken = fx.folder + QStringLiteral("/Broken.lang.txt");
        QVERIFY(QFile::link(QStringLiteral("/proc/self/mem"), broken));
        QVERIFY_THROWS_EXCEPTION(
            ELanguageFileError, LoadLanguageFileFrom(fx.folder, QStringLiteral("Broken.lang.txt")));
        QCOMPARE(CurrentLanguagePath(), broken);
        QCOMPARE(CurrentLanguageName(), QStringLiteral("Broken"));
        QCOMPARE(translate(QStringLiteral("OK")), QStringLiteral("OK"));
    }

    void programFolderHoldsTheLanguages() {
        LoadLanguageFile(QString());
        QCOMPARE(LanguagesFolder(), platform::programFolder() + QStringLiteral("Languages"));
        QVERIFY(!LanguagesFolder().endsWith(QLatin1Char('/')));
    }

    // Worker threads translate message captions while the interface thread does the same.
    void concurrentReadersAgree() {
        const LanguagesFixture fx({{QStringLiteral("German.lang.txt"), germanFile}});
        LoadLanguageFileFrom(fx.folder, QStringLiteral("German.lang.txt"));
        std::atomic<int> wrong{0};
        std::vector<std::thread> readers;
        for (int t = 0; t < 4; ++t)
            readers.emplace_back([&wrong] {
                for (int i = 0; i < 2000; ++i)
                    if (translate(QStringLiteral("Restart Application?")) !=
                            QStringLiteral("Anwendung neu starten?") ||
                        translate(QStringLiteral("Cancel")) != QStringLiteral("Cancel"))
                        ++wrong;
            });
        for (std::thread& t : readers)
            t.join();
        QCOMPARE(wrong.load(), 0);
    }

    void localeName2_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("de_DE") << QLocale(QStringLiteral("de_DE")) << QStringLiteral("de-DE");
        QTest::newRow("en_US") << QLocale(QStringLiteral("en_US")) << QStringLiteral("en-US");
        QTest::newRow("pt_BR") << QLocale(QStringLiteral("pt_BR")) << QStringLiteral("pt-BR");
        QTest::newRow("zh_TW") << QLocale(QStringLiteral("zh_TW")) << QStringLiteral("zh-TW");
        QTest::newRow("C") << QLocale::c() << QStringLiteral("xx");
        QTest::newRow("POSIX") << QLocale(QStringLiteral("POSIX")) << QStringLiteral("xx");
    }
    void localeName2() {
        QFETCH(QLocale, locale);
        QFETCH(QString, expected);
        QCOMPARE(LocaleName2For(locale), expected);
    }

    // Every language the language window has a flag for maps to the identifier Windows gives it.
    void windowsLanguageIdentifiers_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("lcid");
        const QList<std::pair<const char*, int>> rows = {
            {"en_US", 1033},
            {"de_DE", 1031},
            {"fr_FR", 1036},
            {"tr_TR", 1055},
            {"sq_AL", 1052},
            {"ar_SA", 1025},
            {"bg_BG", 1026},
            {"zh_CN", 2052},
            {"zh_TW", 1028},
            {"cs_CZ", 1029},
            {"nl_NL", 1043},
            {"fi_FI", 1035},
            {"el_GR", 1032},
            {"he_IL", 1037},
            {"hu_HU", 1038},
            {"it_IT", 1040},
            {"ja_JP", 1041},
            {"ko_KR", 1042},
            {"fa_IR", 1065},
            {"pl_PL", 1045},
            {"pt_BR", 1046},
            {"pt_PT", 2070},
            {"ro_RO", 1048},
            {"ru_RU", 1049},
            {"sl_SI", 1060},
            {"es_ES", 3082},
            {"sv_SE", 1053},
            {"uk_UA", 1058},
            {"vi_VN", 1066},
            {"sk_SK", 1051},
            {"nb_NO", 1044},
            {"nn_NO", 2068},
            {"ca_ES", 1027},
            {"hi_IN", 1081},
            // Other countries of a language, scripts, and the fallbacks.
            {"en_GB", 2057},
            {"de_AT", 3079},
            {"de_CH", 2055},
            {"es_MX", 2058},
            {"zh_HK", 3076},
            {"sr_RS", 10266},
            {"sr_Latn_RS", 9242},
            {"de_BE", 1031},
            {"C", 1033},
        };
        for (const auto& [name, lcid] : rows)
            QTest::newRow(name) << QString::fromLatin1(name) << lcid;
    }
    void windowsLanguageIdentifiers() {
        QFETCH(QString, locale);
        QFETCH(int, lcid);
        QCOMPARE(int(LcidForLocale(QLocale(locale))), lcid);
    }

    void abkhazianHasNoWindowsIdentifier() {
        const QLocale abkhazian(QLocale::Abkhazian, QLocale::Georgia);
        if (abkhazian.language() != QLocale::Abkhazian)
            QSKIP("this Qt has no Abkhazian locale data");
        QCOMPARE(LcidForLocale(abkhazian), CustomUnspecifiedLcid);
    }

    void injectedInterfaceLanguage() {
        {
            const UILanguage ui(1049);
            QCOMPARE(GetUserDefaultUILanguage(), quint16(1049));
        }
        QCOMPARE(GetUserDefaultUILanguage(),
                 LcidForLocale(QLocale(QLocale::system().uiLanguages().value(0))));
    }
};

VELTRINO_TEST_CORE_MAIN(TestTranslation)
#include "test_translation.moc"
