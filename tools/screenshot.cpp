// Renders the main window (and, for later additions, other windows) to PNG files, in a home of its
// own so the real user's settings stay untouched. Usage: veltrino_screenshot <output-folder>
#include "app/AppForm.h"
#include "app/Application.h"
#include "app/JobListModel.h"

#include <QDir>
#include <QMenuBar>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/.config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/.local/share")));
    TApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);

    TAppForm form;
    form.resize(789, 491 + form.menuBar()->sizeHint().height());
    form.show();
    QCoreApplication::processEvents();
    form.grab().save(out + QStringLiteral("/main-window.png"));
    return 0;
}
