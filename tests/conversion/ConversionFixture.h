#pragma once
// A main window whose program folder holds a recognizer ("whisper/whisper-cli") and the base model
// file, with folders for inputs and outputs. The recognizer is the double unless a test installs
// another program.

#include "AppFormFixture.h"
#include "app/JobListModel.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class ConversionFixture : public AppFormFixture {
public:
    QTemporaryDir inputs;
    QTemporaryDir outputs;

    explicit ConversionFixture(const QString& recognizer = QStringLiteral(FAKE_WHISPER_CLI)) {
        QDir(programFolder()).mkdir(QStringLiteral("whisper"));
        const QString tool = whisperFolder() + QStringLiteral("whisper-cli");
        QFile::remove(tool);
        if (!QFile::copy(recognizer, tool))
            qFatal("cannot install the recognizer");
        QFile(tool).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                   QFileDevice::ExeOwner);
        writeFile(whisperFolder() + QStringLiteral("ggml-base.bin"), "model");
    }

    QString whisperFolder() const { return programFolder() + QStringLiteral("whisper/"); }
    QString outputFolder() const { return outputs.path(); }

    static void writeFile(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(path));
        f.write(bytes);
    }
    static QByteArray readFile(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    // An input whose first line makes the double behave as the keys say.
    QString input(const QString& name, const QByteArray& keys = {}) const {
        const QString path = inputs.filePath(name);
        writeFile(path, "#fake-whisper\n" + keys);
        return path;
    }

    // The window with the output folder set and the given inputs in the list.
    TAppForm& open(const QStringList& files) {
        TAppForm& f = create();
        f.TimerChecker->stop(); // no update check from a test
        f.CheckBoxSource->setChecked(false);
        f.Edit1->setText(outputFolder());
        for (const QString& file : files)
            f.Jobs().append(file);
        return f;
    }

    QStringList results() const {
        QStringList r;
        for (int i = 0; i < form->Jobs().count(); ++i)
            r << form->Jobs().result(i);
        return r;
    }

    bool running() const { return form->Button1->text() == QStringLiteral("STOP"); }

    // Waits until the run has ended.
    bool waitIdle(int ms = 60000) const {
        QElapsedTimer t;
        t.start();
        while (running() && t.elapsed() < ms)
            QTest::qWait(20);
        return !running();
    }

    // Waits until the recognizer of the current job has printed its first line.
    bool waitJobStarted(int ms = 30000) const {
        QElapsedTimer t;
        t.start();
        while (form->ConsoleLines().isEmpty() && t.elapsed() < ms)
            QTest::qWait(20);
        return !form->ConsoleLines().isEmpty();
    }

    static QList<QWidget*> reportWindows() {
        QList<QWidget*> list;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QStringLiteral("FormError") && w->isVisible())
                list << w;
        return list;
    }
};
