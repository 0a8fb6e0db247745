#include "platform/QtPlatform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QDateTime>
#include <QFileInfo>
#include <QListView>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTreeView>

namespace platform {

namespace {
QMessageBox::Icon iconOf(int flags) {
    switch (flags & 0xF0) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QMessageBox::Icon iconOf(DialogKind kind) {
    switch (kind) {
    case DialogKind::Warning:
        return QMessageBox::Warning;
    case DialogKind::Error:
        return QMessageBox::Critical;
    case DialogKind::Information:
        return QMessageBox::Information;
    case DialogKind::Confirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}
} // namespace

void QtDialogs::messageBox(const QString& text, const QString& caption, int flags) {
    QMessageBox box(iconOf(flags), caption, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

int QtDialogs::captionedMessageDialog(const QString& message, DialogKind kind,
                                      const QStringList& buttonCaptions, const QString& title) {
    QMessageBox box(iconOf(kind), title, message, QMessageBox::NoButton,
                    QApplication::activeWindow());
    QAbstractButton* const yes = box.addButton(QMessageBox::Yes);
    QAbstractButton* const no = box.addButton(QMessageBox::No);
    const QList<QAbstractButton*> inOrder{yes, no};
    for (qsizetype i = 0; i < inOrder.size() && i < buttonCaptions.size(); ++i)
        inOrder[i]->setText(buttonCaptions[i]);
    box.exec();
    return box.clickedButton() == yes ? IDYES : IDNO;
}

void QtDialogs::showException(const QString& message) {
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), message,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

QStringList QtDialogs::openFiles(const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileNames(QApplication::activeWindow(), title, QString(),
                                         qtFileFilter(filter));
}

QStringList QtDialogs::pickFolders(const QString& title, const QString& okCaption, bool multiple) {
    if (!multiple) {
        const QString folder =
            QFileDialog::getExistingDirectory(QApplication::activeWindow(), title);
        return folder.isEmpty() ? QStringList() : QStringList{folder};
    }
    // Qt's native folder picker takes one folder; the widget-based one can take several.
    QFileDialog dialog(QApplication::activeWindow(), title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setLabelText(QFileDialog::Accept, okCaption);
    for (auto* view : dialog.findChildren<QAbstractItemView*>())
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

void QtDialogs::pushBusyCursor() { QApplication::setOverrideCursor(Qt::BusyCursor); }
void QtDialogs::popBusyCursor() { QApplication::restoreOverrideCursor(); }

bool QtShell::openUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

bool QtShell::showInFileManager(const QString& filePath) {
    const QUrl item = QUrl::fromLocalFile(filePath);
    if (QProcess::execute(QStringLiteral("dbus-send"),
                          {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                           QStringLiteral("--dest=org.freedesktop.FileManager1"),
                           QStringLiteral("/org/freedesktop/FileManager1"),
                           QStringLiteral("org.freedesktop.FileManager1.ShowItems"),
                           QStringLiteral("array:string:") + item.toString(),
                           QStringLiteral("string:")}) == 0)
        return true;
    return exploreFolder(QFileInfo(filePath).absolutePath());
}

bool QtShell::exploreFolder(const QString& folderPath) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folderPath));
}

bool QtShell::showProperties(const QString& filePath) {
    const QFileInfo info(filePath);
    const QString text =
        QStringLiteral("Name: %1\nFolder: %2\nSize: %3 bytes\nType: %4\nModified: %5\n"
                       "Permissions: %6")
            .arg(info.fileName(), QDir::toNativeSeparators(info.absolutePath()))
            .arg(info.size())
            .arg(info.suffix().isEmpty() ? QStringLiteral("File")
                                         : info.suffix().toUpper() + QStringLiteral(" File"),
                 info.lastModified().toString(Qt::TextDate),
                 QStringLiteral("%1%2%3")
                     .arg(info.isReadable() ? QLatin1Char('r') : QLatin1Char('-'))
                     .arg(info.isWritable() ? QLatin1Char('w') : QLatin1Char('-'))
                     .arg(info.isExecutable() ? QLatin1Char('x') : QLatin1Char('-')));
    auto* box = new QMessageBox(QMessageBox::Information, info.fileName(), text, QMessageBox::Ok,
                                QApplication::activeWindow());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
    return true;
}

bool QtShell::openInTextEditor(const QString& filePath) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(filePath));
}

bool QtShell::startDetached(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

void QtShell::beep() { QApplication::beep(); }

QString qtFileFilter(const QString& pipeFilter) {
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (patterns == QStringLiteral("*.*"))
            patterns = QStringLiteral("*");
        filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

} // namespace platform
