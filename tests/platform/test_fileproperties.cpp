#include "TestEnvironment.h"
#include "platform/FileProperties.h"
#include "platform/QtPlatform.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

class TestFileProperties : public QObject {
    Q_OBJECT

    static QString valueOf(const QList<platform::TFileProperty>& lines, const QString& label) {
        for (const auto& line : lines)
            if (line.label == label)
                return line.value;
        return QStringLiteral("<missing>");
    }

private Q_SLOTS:
    void initTestCase() {
        // No desktop services from a test: with no session bus the shell falls back to our own
        // window, which is what is checked here.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/veltrino-test-bus");
        QLocale::setDefault(QLocale::c());
    }

    void permissionText_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("text");
        QTest::newRow("0644") << 0644 << "rw-r--r--";
        QTest::newRow("0750") << 0750 << "rwxr-x---";
        QTest::newRow("0000") << 0 << "---------";
        QTest::newRow("0777") << 0777 << "rwxrwxrwx";
        QTest::newRow("0421") << 0421 << "r---w---x";
    }
    void permissionText() {
        QFETCH(int, mode);
        QFETCH(QString, text);
        QFileDevice::Permissions p;
        const QFileDevice::Permission owner[] = {QFileDevice::ExeOwner, QFileDevice::WriteOwner,
                                                 QFileDevice::ReadOwner};
        const QFileDevice::Permission group[] = {QFileDevice::ExeGroup, QFileDevice::WriteGroup,
                                                 QFileDevice::ReadGroup};
        const QFileDevice::Permission other[] = {QFileDevice::ExeOther, QFileDevice::WriteOther,
                                                 QFileDevice::ReadOther};
        for (int bit = 0; bit < 3; ++bit) {
            if (mode & (1 << bit))
                p |= other[bit];
            if (mode & (8 << bit))
                p |= group[bit];
            if (mode & (64 << bit))
                p |= owner[bit];
        }
        QCOMPARE(platform::PermissionText(p), text);
    }

    void sizeText_data() {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << qint64(0) << "0 bytes";
        QTest::newRow("small") << qint64(1023) << "1023 bytes";
        QTest::newRow("mebibytes") << qint64(1572864) << "1.50 MiB (1572864 bytes)";
    }
    void sizeText() {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(platform::SizeText(bytes), text);
    }

    void linesOfAFile() {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/song.xyzunknown");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(2048, 'x'));
        file.close();
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ReadGroup));
        const auto lines = platform::FileProperties(path);
        QStringList labels;
        for (const auto& line : lines)
            labels << line.label;
        QCOMPARE(labels,
                 QStringList({"Name", "Folder", "Size", "Type", "Modified", "Permissions"}));
        QCOMPARE(valueOf(lines, "Name"), QStringLiteral("song.xyzunknown"));
        QCOMPARE(valueOf(lines, "Folder"), dir.path());
        QCOMPARE(valueOf(lines, "Size"), QStringLiteral("2.00 KiB (2048 bytes)"));
        QCOMPARE(valueOf(lines, "Permissions"), QStringLiteral("rw-r-----"));
        QVERIFY(!valueOf(lines, "Type").isEmpty());
        QVERIFY(!valueOf(lines, "Modified").isEmpty());
    }

    void shellShowsOwnWindowWithoutAFileManager() {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/a.mp3");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        platform::QtShell shell;
        QVERIFY(shell.showProperties(path));
        QDialog* window = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((window = qobject_cast<QDialog*>([] {
                                      for (QWidget* w : QApplication::topLevelWidgets())
                                          if (w->objectName() ==
                                                  QStringLiteral("FilePropertiesWindow") &&
                                              w->isVisible())
                                              return w;
                                      return static_cast<QWidget*>(nullptr);
                                  }())) != nullptr,
                                 5000);
        QCOMPARE(window->windowTitle(), QStringLiteral("a.mp3"));
        QStringList texts;
        for (QLabel* label : window->findChildren<QLabel*>())
            texts << label->text();
        QVERIFY(texts.contains(QStringLiteral("a.mp3")));
        QVERIFY(texts.contains(QStringLiteral("Permissions:")));
        QVERIFY(!window->isModal());
        window->close(); // deletes itself
        QTRY_VERIFY(QApplication::topLevelWidgets().indexOf(window) < 0);
    }
};

VELTRINO_TEST_MAIN(TestFileProperties)
#include "test_fileproperties.moc"
