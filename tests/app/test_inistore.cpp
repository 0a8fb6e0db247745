#include "app/IniStore.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestIniStore : public QObject {
    Q_OBJECT
private:
    static QByteArray readAll(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void writeAll(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

private Q_SLOTS:
    void writesThroughWithBomAndCrLf() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("settings.ini"));
        TIniStore store(path);
        QVERIFY(!QFile::exists(path));
        QVERIFY(store.WriteString(QStringLiteral("Settings"), QStringLiteral("OutputType"),
                                  QStringLiteral("SRT")));
        QCOMPARE(readAll(path), QByteArray("\xEF\xBB\xBF[Settings]\r\nOutputType=SRT\r\n"));
        store.WriteString(QStringLiteral("settings"), QStringLiteral("OUTPUTTYPE"),
                          QStringLiteral("VTT"));
        store.WriteString(QStringLiteral("Settings"), QStringLiteral("Destination"),
                          QString::fromUtf8("  /tmp/çıktı  "));
        QCOMPARE(readAll(path),
                 QByteArray("\xEF\xBB\xBF[Settings]\r\nOutputType=VTT\r\nDestination=  "
                            "/tmp/\xC3\xA7\xC4\xB1kt\xC4\xB1  \r\n"));
    }

    void readsBackExactValuesAndFoldedNames() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("settings.ini"));
        writeAll(path, "[SETTINGS]\nlanguage=English [en]\r\nUseSourceFolder=on\rX=1\n"
                       "[Settings]\nlanguage=second\n");
        const TIniStore store(path);
        QCOMPARE(store.ReadString(QStringLiteral("Settings"), QStringLiteral("Language"), {}),
                 QStringLiteral("English [en]"));
        QCOMPARE(store.ReadString(QStringLiteral("Settings"), QStringLiteral("UseSourceFolder"),
                                  QStringLiteral("OFF")),
                 QStringLiteral("on"));
        QCOMPARE(store.ReadString(QStringLiteral("Settings"), QStringLiteral("Missing"),
                                  QStringLiteral("dflt")),
                 QStringLiteral("dflt"));
    }

    void invalidUtf8Raises() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("settings.ini"));
        writeAll(path, "[Settings]\nDestination=\xFF\xFE\xC3(\n");
        QVERIFY_THROWS_EXCEPTION(EIniStoreError, TIniStore{path});
    }

    void failedWriteKeepsValueAndReports() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("missing-folder/settings.ini"));
        TIniStore store(path);
        QString reason;
        store.OnWriteError = [&](const QString& r) { reason = r; };
        QVERIFY(!store.WriteString(QStringLiteral("Settings"), QStringLiteral("A"),
                                   QStringLiteral("1")));
        QVERIFY(!reason.isEmpty());
        QCOMPARE(store.ReadString(QStringLiteral("Settings"), QStringLiteral("A"), {}),
                 QStringLiteral("1"));
    }
};

VELTRINO_TEST_CORE_MAIN(TestIniStore)
#include "test_inistore.moc"
