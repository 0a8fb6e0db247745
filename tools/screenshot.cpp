// Renders the main window (and, for later additions, other windows) to PNG files, in a home of its
// own so the real user's settings stay untouched.
// Usage: veltrino_screenshot <output-folder>
//        veltrino_screenshot <output-folder> conversion <whisper-cli> <model>
// The second form runs a real conversion of three generated clips (one of them not audio at all)
// and saves the finished window with its mixed results and the failure report.
#include "app/AppForm.h"
#include "app/Application.h"
#include "app/JobListModel.h"

#include "platform/Paths.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDataStream>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

QByteArray wav(int seconds) {
    const quint32 samples = 16000u * seconds;
    QByteArray data(int(samples * 2), '\0');
    QByteArray out;
    QDataStream le(&out, QIODevice::WriteOnly);
    le.setByteOrder(QDataStream::LittleEndian);
    le.writeRawData("RIFF", 4);
    le << quint32(36 + data.size());
    le.writeRawData("WAVEfmt ", 8);
    le << quint32(16) << quint16(1) << quint16(1) << quint32(16000) << quint32(32000) << quint16(2)
       << quint16(16);
    le.writeRawData("data", 4);
    le << quint32(data.size());
    le.writeRawData(data.constData(), int(data.size()));
    return out;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

// Runs the event loop until the run has ended; the loop sleeps between events, so the waiting
// itself costs no processor time.
void waitUntilIdle(TAppForm& form) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (form.Button1->text() == QStringLiteral("Convert"))
            loop.quit();
    });
    check.start(50);
    loop.exec();
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
    writeFile(folder + QStringLiteral("Morning Walk.wav"), wav(3));
    writeFile(folder + QStringLiteral("Voice Memo 12.mp3"), "this is not audio");
    writeFile(folder + QStringLiteral("Interview Part 2.wav"), wav(2));

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
    waitUntilIdle(form);
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

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/.config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/.local/share")));
    TApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    if (argc > 4 && QByteArray(argv[2]) == "conversion")
        return conversionShots(out, QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]));

    TAppForm form;
    form.resize(789, 491 + form.menuBar()->sizeHint().height());
    form.show();
    QCoreApplication::processEvents();
    form.grab().save(out + QStringLiteral("/main-window.png"));
    return 0;
}
