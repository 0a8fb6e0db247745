#pragma once
// Every test process runs in a home of its own: HOME, the XDG folders and TMPDIR point into a
// fresh temporary folder, so no test reads or writes the real user's files or settings.

#include <QByteArray>
#include <QString>

namespace testenv {

// Sets the environment up; call before the application object exists. Returns the folder.
QString isolate();
// The isolated home folder (with no trailing separator).
QString home();
// Source tree root and shared test data, found relative to this file's place in the tree.
QString sourceRoot();
QString sharedTestData(const QString& name);
// Whole-file helpers for fixtures: true when every byte was written; empty when unreadable.
bool writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

} // namespace testenv

// QTEST_MAIN with the isolated environment and the offscreen platform for widget tests.
#define VELTRINO_TEST_MAIN(TestClass)                                                              \
    int main(int argc, char** argv) {                                                              \
        testenv::isolate();                                                                        \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestClass tc;                                                                              \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }

// The same for tests that need no widgets.
#define VELTRINO_TEST_CORE_MAIN(TestClass)                                                         \
    int main(int argc, char** argv) {                                                              \
        testenv::isolate();                                                                        \
        QCoreApplication app(argc, argv);                                                          \
        TestClass tc;                                                                              \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
