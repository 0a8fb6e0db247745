#include "platform/QtPlatform.h"

#include "platform/FileProperties.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QDateTime>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <functional>

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
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), message,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

QStringList QtDialogs::openFiles(const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileNames(QApplication::activeWindow(), title, QString(),
                                         qtFileFilter(filter));
}

QStringList QtDialogs::pickFolders(const QString& title, const QString& okCaption, bool multiple) {
    QFileDialog dialog(QApplication::activeWindow(), title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setLabelText(QFileDialog::Accept, okCaption);
    if (!FPickerStartFolder.isEmpty())
        dialog.setDirectory(FPickerStartFolder);
    if (multiple) {
        // The desktop's folder picker takes one folder; the widget-based one can take several.
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        for (auto* view : dialog.findChildren<QAbstractItemView*>())
            view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    }
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

void QtDialogs::setPickerStartFolder(const QString& folder) {
    FPickerStartFolder = folder;
}

void QtDialogs::pushBusyCursor() {
    QApplication::setOverrideCursor(Qt::BusyCursor);
}
void QtDialogs::popBusyCursor() {
    QApplication::restoreOverrideCursor();
}

bool QtShell::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

namespace {

const QString kFileManagerService = QStringLiteral("org.freedesktop.FileManager1");
const QString kFileManagerPath = QStringLiteral("/org/freedesktop/FileManager1");

// True when a file manager answers on the session bus now or the bus can start one.
bool fileManagerOnBus() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusConnectionInterface* const registry = bus.isConnected() ? bus.interface() : nullptr;
    if (!registry)
        return false;
    if (registry->isServiceRegistered(kFileManagerService))
        return true;
    const QDBusReply<QStringList> startable =
        registry->call(QStringLiteral("ListActivatableNames"));
    return startable.isValid() && startable.value().contains(kFileManagerService);
}

// Asks the file manager without waiting for it (starting one can take seconds); when the call
// fails after all, fallback runs on the interface thread.
void askFileManager(const QString& method, const QString& filePath,
                    std::function<void()> fallback) {
    QDBusMessage message = QDBusMessage::createMethodCall(kFileManagerService, kFileManagerPath,
                                                          kFileManagerService, method);
    message << QStringList{QUrl::fromLocalFile(filePath).toString()} << QString();
    auto* const watcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(message), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [watcher, fallback = std::move(fallback)] {
                         if (watcher->isError())
                             fallback();
                         watcher->deleteLater();
                     });
}

// Our own window for a file's properties, for desktops whose file manager offers none.
void showOwnProperties(const QString& filePath) {
    auto* const window = new QDialog(QApplication::activeWindow());
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setObjectName(QStringLiteral("FilePropertiesWindow"));
    window->setWindowTitle(QFileInfo(filePath).fileName());
    auto* const layout = new QVBoxLayout(window);
    auto* const form = new QFormLayout;
    for (const TFileProperty& line : FileProperties(filePath)) {
        auto* const value = new QLabel(line.value, window);
        value->setTextFormat(Qt::PlainText);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(line.label + QLatin1Char(':'), value);
    }
    layout->addLayout(form);
    auto* const buttons = new QDialogButtonBox(QDialogButtonBox::Close, window);
    QObject::connect(buttons, &QDialogButtonBox::rejected, window, &QDialog::close);
    layout->addWidget(buttons);
    window->setModal(false);
    window->show();
}

} // namespace

bool QtShell::showInFileManager(const QString& filePath) {
    const QString folder = QFileInfo(filePath).absolutePath();
    if (!fileManagerOnBus())
        return exploreFolder(folder);
    askFileManager(QStringLiteral("ShowItems"), filePath,
                   [folder] { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); });
    return true;
}

bool QtShell::exploreFolder(const QString& folderPath) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folderPath));
}

bool QtShell::showProperties(const QString& filePath) {
    if (!fileManagerOnBus()) {
        showOwnProperties(filePath);
        return true;
    }
    askFileManager(QStringLiteral("ShowItemProperties"), filePath,
                   [filePath] { showOwnProperties(filePath); });
    return true;
}

bool QtShell::openInTextEditor(const QString& filePath) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(filePath));
}

bool QtShell::startDetached(const QString& program, const QStringList& arguments,
                            const QString& workingFolder) {
    return QProcess::startDetached(program, arguments, workingFolder);
}

void QtShell::beep() {
    QApplication::beep();
}

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
