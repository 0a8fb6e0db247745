// Renders the application's windows to PNG files, in a home of its own so the real user's settings
// stay untouched.
// Usage: veltrino_screenshot <output-folder> [main|about|feedback|language|all]   (default: main)
//        veltrino_screenshot <output-folder> conversion <whisper-cli> <model>
// The second form runs a real conversion of three generated clips (one of them not audio at all)
// and saves the finished window with its mixed results and the failure report.
#include "app/AppForm.h"
#include "app/Application.h"
#include "app/JobListModel.h"
#include "services/AboutBox.h"
#include "services/FeedbackForm.h"
#include "services/TranslateForm.h"

#include "platform/Paths.h"

#include "GeneratedAudio.h"
#include "ProgramHome.h"
#include "RunEnd.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFrame>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

// A finished run with mixed results, and the report of its failed job.
int conversionShots(const QString& out, const QString& tool, const QString& model) {
    if (!QFile::exists(tool) || !QFile::exists(model)) {
        std::fprintf(stderr, "needs whisper-cli and a model\n");
        return 2;
    }
    QTemporaryDir program;
    QDir(program.path()).mkdir(QStringLiteral("whisper"));
    QFile::copy(tool, program.path() + QStringLiteral("/whisper/whisper-cli"));
    QFile(program.path() + QStringLiteral("/whisper/whisper-cli"))
        .setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QFile::copy(model, program.path() + QStringLiteral("/whisper/ggml-base.bin"));
    platform::setProgramFolderForTests(program.path());

    QTemporaryDir music;
    QDir(music.path()).mkdir(QStringLiteral("Music"));
    QDir(music.path()).mkdir(QStringLiteral("Lyrics"));
    const QString folder = music.path() + QStringLiteral("/Music/");
    writeFile(folder + QStringLiteral("Morning Walk.wav"), GeneratedWav(3));
    writeFile(folder + QStringLiteral("Voice Memo 12.mp3"), "this is not audio");
    writeFile(folder + QStringLiteral("Interview Part 2.wav"), GeneratedWav(2));

    TAppForm form;
    form.TimerChecker->stop();
    form.resize(789, 491 + form.menuBar()->sizeHint().height());
    form.CheckBoxSource->setChecked(false);
    form.Edit1->setText(music.path() + QStringLiteral("/Lyrics"));
    form.Jobs().appendAll({folder + QStringLiteral("Morning Walk.wav"),
                           folder + QStringLiteral("Voice Memo 12.mp3"),
                           folder + QStringLiteral("Interview Part 2.wav")});
    form.show();
    QCoreApplication::processEvents();
    form.Button1->click();
    WaitUntilRunEnded(form);
    QCoreApplication::processEvents();
    form.grab().save(out + QStringLiteral("/conversion-finished.png"));
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("FormError") && w->isVisible()) {
            w->grab().save(out + QStringLiteral("/failure-report.png"));
            break;
        }
    platform::setProgramFolderForTests({});
    return 0;
}

// Lets timers run (the about window's rain) for a while before the picture is taken.
void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool save(QWidget& window, const QString& file) {
    window.show();
    runFor(300);
    const bool ok = window.grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(file));
    return ok;
}

bool mainWindow(const QString& out) {
    TAppForm form;
    form.resize(789, 491 + form.menuBar()->sizeHint().height());
    return save(form, out + QStringLiteral("/main-window.png"));
}

bool aboutWindow(const QString& out) {
    auto* box = new TAboutBox(QStringLiteral("Veltrino"), QStringLiteral("1.0"),
                              QIcon(QStringLiteral(":/images/veltrino.svg")));
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    box->show();
    runFor(1500); // the rain needs a few dozen steps to fill the window
    const bool ok = save(*box, out + QStringLiteral("/about-window.png"));
    delete box;
    return ok;
}

bool feedbackWindow(const QString& out) {
    TFeedbackForm form(
        {QStringLiteral("Veltrino"), QStringLiteral("Kestrane - Veltrino"), QStringLiteral("1.0")});
    form.setAttribute(Qt::WA_DeleteOnClose, false);
    form.show();
    form.Image1MouseDown(Qt::LeftButton);
    form.Memo1->setPlainText(
        QStringLiteral("The subtitles line up nicely with the speech.\nThank you!"));
    form.Edit1->setText(QStringLiteral("listener@example.org"));
    return save(form, out + QStringLiteral("/feedback-window.png"));
}

bool languageWindow(const QString& out) {
    QTemporaryDir languages;
    const QStringList names{QStringLiteral("German"), QStringLiteral("French"),
                            QStringLiteral("Turkish"), QStringLiteral("Japanese")};
    QStringList files;
    for (const QString& name : names) {
        QFile file(languages.filePath(name + QStringLiteral(".lang.txt")));
        if (file.open(QIODevice::WriteOnly))
            file.write("{INFO:Translated By}Anna Beispiel, Ben Muster\n");
        files.append(name + QStringLiteral(".lang.txt"));
    }
    TTranslateForm form({languages.path(), files, QStringLiteral("German")}, {});
    form.setAttribute(Qt::WA_DeleteOnClose, false);
    return save(form, out + QStringLiteral("/language-window.png"));
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    UseHomeFolder(home.path());
    TApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const QString which = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("main");
    QDir().mkpath(out);
    if (argc > 4 && QByteArray(argv[2]) == "conversion")
        return conversionShots(out, QString::fromLocal8Bit(argv[3]),
                               QString::fromLocal8Bit(argv[4]));

    const bool all = which == QStringLiteral("all");
    bool ok = true;
    bool known = all;
    if (all || which == QStringLiteral("main")) {
        ok = mainWindow(out) && ok;
        known = true;
    }
    if (all || which == QStringLiteral("about")) {
        ok = aboutWindow(out) && ok;
        known = true;
    }
    if (all || which == QStringLiteral("feedback")) {
        ok = feedbackWindow(out) && ok;
        known = true;
    }
    if (all || which == QStringLiteral("language")) {
        ok = languageWindow(out) && ok;
        known = true;
    }
    if (!known) {
        std::fprintf(stderr, "unknown window \"%s\": main, about, feedback, language or all\n",
                     qPrintable(which));
        return 2;
    }
    return ok ? 0 : 1;
}
