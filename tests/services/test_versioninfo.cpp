#include "TestEnvironment.h"
#include "services/VersionBlockWriter.h"
#include "services/VersionInfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>

using namespace verblock;

namespace {

QByteArray toQt(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

const std::vector<std::pair<std::u16string, std::u16string>> nineValues = {
    {u"CompanyName", u"Kestrane"},
    {u"FileDescription", u"Lyrics maker"},
    {u"FileVersion", u"1.5.0.7"},
    {u"InternalName", u"Veltrino"},
    {u"LegalCopyright", u"\u00A9 Kestrane"},
    {u"LegalTrademarks", u"Veltrino\u2122"},
    {u"OriginalFilename", u"Veltrino.exe"},
    {u"ProductName", u"Veltrino"},
    {u"ProductVersion", u"1.5"},
};

VersionResource resource(std::vector<StringTable> tables,
                         std::vector<std::pair<std::uint16_t, std::uint16_t>> translations) {
    VersionResource r;
    r.fixed.fileVersion[0] = 1;
    r.fixed.fileVersion[1] = 5;
    r.fixed.fileVersion[2] = 0;
    r.fixed.fileVersion[3] = 7;
    r.tables = std::move(tables);
    r.translations = std::move(translations);
    return r;
}

QByteArray block(const VersionResource& r) {
    return toQt(serialize(resourceTree(r)));
}

} // namespace

class TestVersionInfo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The layout itself, byte for byte, on the smallest nodes: a text value and a binary value.
    void writesTheWindowsNodeLayout() {
        // "A" = "BC": header 6, key "A\0" 4 -> 10, pad to 12, value "BC\0" 6 -> 18.
        QCOMPARE(toQt(serialize(textNode(u"A", u"BC"))),
                 QByteArray::fromHex("1200030001004100000000004200430000 00"));
        // Translation pair 0409/04B0: header 6, key 24 -> 30, pad to 32, value 4 -> 36.
        QCOMPARE(toQt(serialize(binaryNode(u"Translation", {0x09, 0x04, 0xB0, 0x04}))),
                 QByteArray::fromHex("2400040000005400720061006E0073006C006100740069006F006E0000"
                                     "0000000904B004"));
        QCOMPARE(tableKey(0x0407, 0x04B0), std::u16string(u"040704B0"));
    }

    void readsTheTwelveValuesOfTheFirstTranslation() {
        auto values = nineValues;
        values.emplace_back(u"Comments", u"note");
        values.emplace_back(u"PrivateBuild", u"pb");
        values.emplace_back(u"SpecialBuild", u"sb");
        const TEXEVersionData d =
            VersionDataFromBlock(block(resource({{u"040904E4", values}}, {{0x0409, 0x04E4}})));
        QCOMPARE(d.CompanyName, QStringLiteral("Kestrane"));
        QCOMPARE(d.FileDescription, QStringLiteral("Lyrics maker"));
        QCOMPARE(d.FileVersion, QStringLiteral("1.5.0.7"));
        QCOMPARE(d.InternalName, QStringLiteral("Veltrino"));
        QCOMPARE(d.LegalCopyright, QString::fromUtf8("\u00A9 Kestrane"));
        QCOMPARE(d.LegalTrademarks, QString::fromUtf8("Veltrino\u2122"));
        // Stored as "OriginalFilename", asked for as "OriginalFileName".
        QCOMPARE(d.OriginalFileName, QStringLiteral("Veltrino.exe"));
        QCOMPARE(d.ProductName, QStringLiteral("Veltrino"));
        QCOMPARE(d.ProductVersion, QStringLiteral("1.5"));
        QCOMPARE(d.Comments, QStringLiteral("note"));
        QCOMPARE(d.PrivateBuild, QStringLiteral("pb"));
        QCOMPARE(d.SpecialBuild, QStringLiteral("sb"));
    }

    void missingValuesStayEmpty() {
        const TEXEVersionData d =
            VersionDataFromBlock(block(resource({{u"040904B0", nineValues}}, {{0x0409, 0x04B0}})));
        QCOMPARE(d.CompanyName, QStringLiteral("Kestrane"));
        QCOMPARE(d.ProductVersion, QStringLiteral("1.5"));
        QCOMPARE(d.OriginalFileName, QStringLiteral("Veltrino.exe"));
        QVERIFY(d.Comments.isEmpty());
        QVERIFY(d.PrivateBuild.isEmpty());
        QVERIFY(d.SpecialBuild.isEmpty());
    }

    void onlyTheFirstTranslationPairCounts() {
        // The table of the second pair exists, the first pair's does not: nothing is filled.
        const TEXEVersionData d = VersionDataFromBlock(
            block(resource({{u"040704B0", nineValues}}, {{0x0409, 0x04E4}, {0x0407, 0x04B0}})));
        QVERIFY(d.CompanyName.isEmpty());
        QVERIFY(d.ProductName.isEmpty());
        QVERIFY(d.OriginalFileName.isEmpty());

        // Swapped, the German table is the one read.
        const TEXEVersionData german = VersionDataFromBlock(
            block(resource({{u"040704B0", nineValues}}, {{0x0407, 0x04B0}, {0x0409, 0x04E4}})));
        QCOMPARE(german.CompanyName, QStringLiteral("Kestrane"));
    }

    void tableKeyIsUpperCaseHex_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QString>("key");
        QTest::newRow("German, Unicode") << 0x0407 << 0x04B0 << QStringLiteral("040704B0");
        QTest::newRow("English, 1252") << 0x0409 << 0x04E4 << QStringLiteral("040904E4");
        QTest::newRow("neutral") << 0 << 0 << QStringLiteral("00000000");
        QTest::newRow("all digits") << 0xABCD << 0xEF12 << QStringLiteral("ABCDEF12");
    }
    void tableKeyIsUpperCaseHex() {
        QFETCH(int, language);
        QFETCH(int, codePage);
        QFETCH(QString, key);
        QCOMPARE(StringTableKey(quint16(language), quint16(codePage)), key);
    }

    void lowerCaseTableKeyInTheBlockIsFound() {
        const TEXEVersionData d =
            VersionDataFromBlock(block(resource({{u"040704b0", nineValues}}, {{0x0407, 0x04B0}})));
        QCOMPARE(d.ProductName, QStringLiteral("Veltrino"));
    }

    void queriesByPathWithoutCase() {
        const TVersionBlock b(block(resource({{u"040904B0", nineValues}}, {{0x0409, 0x04B0}})));
        QCOMPARE(b.QueryString(QStringLiteral("\\stringfileinfo\\040904b0\\PRODUCTNAME")),
                 std::optional<QString>(QStringLiteral("Veltrino")));
        QCOMPARE(b.QueryString(QStringLiteral("\\StringFileInfo\\040904B0\\Comments")),
                 std::nullopt);
        QCOMPARE(b.QueryString(QStringLiteral("\\StringFileInfo\\040904B0\\ProductName\\x")),
                 std::nullopt);
        const std::optional<TVersionValue> translation =
            b.QueryValue(QStringLiteral("\\VarFileInfo\\Translation\\"));
        QVERIFY(translation);
        QCOMPARE(translation->Type, quint16(0));
        QCOMPARE(translation->Data, QByteArray::fromHex("0904B004"));
        const std::optional<TFixedFileVersion> v = b.FileVersion();
        QVERIFY(v);
        QCOMPARE(v->Major, quint16(1));
        QCOMPARE(v->Minor, quint16(5));
        QCOMPARE(v->Release, quint16(0));
        QCOMPARE(v->Build, quint16(7));
    }

    void blockWithoutTranslationRaises() {
        const QByteArray noVar = block(resource({{u"040904B0", nineValues}}, {}));
        try {
            VersionDataFromBlock(noVar);
            QFAIL("no error raised");
        } catch (const EOSError& e) {
            QCOMPARE(e.ErrorCode(), ENODATA);
        }
    }

    // Cut, zeroed and lying blocks give absent values or the error, and are never read out of
    // bounds (the sanitizers watch the reads).
    void damagedBlocksAreNeverOverread_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = block(resource({{u"040904B0", nineValues}}, {{0x0409, 0x04B0}}));
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("header only") << good.left(6);
        QTest::newRow("cut in the middle") << good.left(good.size() / 2);
        QTest::newRow("zeros") << QByteArray(256, '\0');
        QByteArray huge = good;
        huge[0] = char(0xFF);
        huge[1] = char(0xFF);
        QTest::newRow("length past the end") << huge.left(good.size() - 9);
        QByteArray noNul(64, 'A');
        noNul[0] = 64;
        noNul[1] = 0;
        QTest::newRow("key without NUL") << noNul;
    }
    void damagedBlocksAreNeverOverread() {
        QFETCH(QByteArray, bytes);
        // The fetched copy is detached into a buffer of exactly its size.
        const QByteArray exact(bytes.constData(), bytes.size());
        try {
            const TEXEVersionData d = VersionDataFromBlock(exact);
            QVERIFY(d.CompanyName.isEmpty() || d.CompanyName == QStringLiteral("Kestrane"));
        } catch (const EOSError& e) {
            QCOMPARE(e.ErrorCode(), ENODATA);
        }
        TVersionBlock(exact).FileVersion();
    }

    void errorMessages() {
        const EOSError withCode(ENOENT);
        QCOMPARE(withCode.ErrorCode(), ENOENT);
        QCOMPARE(withCode.message(), QStringLiteral("System Error.  Code: %1.\n").arg(ENOENT) +
                                         QString::fromLocal8Bit(std::strerror(ENOENT)));
        const EOSError zero(0);
        QCOMPARE(zero.ErrorCode(), 0);
        QCOMPARE(zero.message(), QStringLiteral("A call to an OS function failed"));
    }

    void fileWithoutVersionSectionRaises_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("code");
        const QString text = FDir.filePath(QStringLiteral("plain.txt"));
        QFile f(text);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not an executable\n");
        f.close();
        // An ELF file whose section table lies past its end.
        QFile self(QCoreApplication::applicationFilePath());
        QVERIFY(self.open(QIODevice::ReadOnly));
        const QString cut = FDir.filePath(QStringLiteral("cut"));
        QFile cutFile(cut);
        QVERIFY(cutFile.open(QIODevice::WriteOnly));
        cutFile.write(self.read(self.size() / 2));
        cutFile.close();
        QTest::newRow("cut executable") << cut << ENOEXEC;
        QTest::newRow("missing file") << FDir.filePath(QStringLiteral("none")) << ENOENT;
        QTest::newRow("not ELF") << text << ENOEXEC;
        // The C library is an ELF file that carries no version block.
        QTest::newRow("ELF without the section") << libraryWithoutBlock() << ENODATA;
    }
    void fileWithoutVersionSectionRaises() {
        QFETCH(QString, path);
        QFETCH(int, code);
        QVERIFY2(!path.isEmpty(), "no ELF file found to try");
        TEXEVersionData d;
        try {
            d = GetEXEVersionData(path);
            QFAIL("no error raised");
        } catch (const EOSError& e) {
            QCOMPARE(e.ErrorCode(), code);
            QVERIFY(e.message().startsWith(QStringLiteral("System Error.  Code: %1.\n").arg(code)));
        }
        QVERIFY(d.CompanyName.isEmpty() && d.ProductName.isEmpty() && d.FileVersion.isEmpty());
        QVERIFY_THROWS_EXCEPTION(EOSError, VersionText(path));
    }

    // This test program links the same generated block as the application.
    void ownExecutableCarriesTheBuiltBlock() {
        const QString self = QCoreApplication::applicationFilePath();
        const TEXEVersionData d = GetEXEVersionData(self);
        QCOMPARE(d.CompanyName, QStringLiteral("Kestrane"));
        QCOMPARE(d.ProductName, QStringLiteral("Veltrino"));
        QCOMPARE(d.FileVersion, QStringLiteral("1.0.0.0"));
        QCOMPARE(d.ProductVersion, QStringLiteral("1.0.0.0"));
        QCOMPARE(d.OriginalFileName, QStringLiteral("Veltrino"));
        QCOMPARE(d.InternalName, QStringLiteral("Veltrino"));
        QVERIFY(d.LegalCopyright.contains(QStringLiteral("Kestrane")));
        QVERIFY(!d.FileDescription.isEmpty());
        QVERIFY(d.Comments.isEmpty());
        QCOMPARE(VersionText(self), QStringLiteral("1.0"));
        const TFixedFileVersion v = GetFixedFileVersion(self);
        QCOMPARE(v.Release, quint16(0));
        QCOMPARE(v.Build, quint16(0));
        QCOMPARE(TVersionBlock(ReadVersionBlock(self)).Translations().size(), 1);
    }

private:
    QTemporaryDir FDir;

    static QString libraryWithoutBlock() {
        for (const char* candidate : {"/lib/x86_64-linux-gnu/libc.so.6", "/lib64/libc.so.6",
                                      "/lib/aarch64-linux-gnu/libc.so.6", "/usr/lib/libc.so.6"})
            if (QFile::exists(QLatin1String(candidate)))
                return QLatin1String(candidate);
        return {};
    }
};

VELTRINO_TEST_CORE_MAIN(TestVersionInfo)
#include "test_versioninfo.moc"
