// Adding files and folders, drops, the job list's context menu and the output folder button.

#include "app/AppForm.h"

#include "app/FolderScan.h"
#include "app/JobListModel.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMimeData>
#include <QTreeView>
#include <QUrl>

#include <exception>
#include <optional>

namespace {

const QString kAudioFilter = QStringLiteral("Audio Files|*.mp3;*.wav;*.ogg;*.flac|All Files|*.*");
const QString kSelectFolder = QStringLiteral("Select folder:");
const QString kSelect = QStringLiteral("Select");

// The file behind a row for the single-file commands: nothing without a selection, a beep when
// the file is gone.
std::optional<QString> existingFileOf(const TJobListModel& jobs, int row) {
    if (row < 0 || row >= jobs.count())
        return std::nullopt;
    const QString& path = jobs.caption(row);
    const QFileInfo info(path);
    if (!info.exists() || info.isDir()) {
        platform::shell().beep();
        return std::nullopt;
    }
    return path;
}

bool isBlank(const QString& text) {
    return text.trimmed().isEmpty();
}

// Keeps a widget from painting while a long list of rows goes in; one paint follows at the end.
class TUpdatesSuspended {
public:
    explicit TUpdatesSuspended(QWidget* widget)
        : FWidget(widget), FWasEnabled(widget->updatesEnabled()) {
        FWidget->setUpdatesEnabled(false);
    }
    ~TUpdatesSuspended() { FWidget->setUpdatesEnabled(FWasEnabled); }
    TUpdatesSuspended(const TUpdatesSuspended&) = delete;
    TUpdatesSuspended& operator=(const TUpdatesSuspended&) = delete;

private:
    QWidget* FWidget;
    bool FWasEnabled;
};

} // namespace

// ---- Rule for the rows during a conversion run --------------------------------------------
// The conversion run follows its row by identity, not by position, and ends itself cleanly when
// that row is removed; so removing rows stays allowed during a run. A stricter rule (rows locked
// while the recognizer runs) would answer true here.
bool TAppForm::JobRowsLocked() const {
    return false;
}

// ---- Adding ------------------------------------------------------------------------------

void TAppForm::AddFiles1Click() {
    const QStringList files = platform::dialogs().openFiles(QString(), kAudioFilter);
    if (files.isEmpty())
        return;
    const platform::BusyCursor busy;
    // Whatever the filter showed, the chosen files are added as they are.
    for (const QString& file : files)
        Ekle(file);
}

void TAppForm::AddFolders1Click() {
    platform::dialogs().setPickerStartFolder(FLastFolder);
    const QStringList folders = platform::dialogs().pickFolders(kSelectFolder, kSelect, true);
    if (folders.isEmpty())
        return;
    FLastFolder = folders.first();
    for (const QString& folder : folders)
        KlasorYukle(folder);
}

void TAppForm::Ekle(const QString& isim) {
    FJobs->append(isim);
}

void TAppForm::KlasorYukle(const QString& klasor) {
    struct StatusCleared {
        TAppForm* form;
        ~StatusCleared() { form->SetStatusText(QString()); }
    };
    SetStatusText(QStringLiteral("Loading Files..."));
    const StatusCleared clearStatus{this};
    const platform::BusyCursor busy;
    // Paint the status text before the window blocks in the scan; input waits until it ends.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    FFoundFiles.clear();
    FLastFolder = klasor;
    ScanFolder(klasor, FFoundFiles);

    const TUpdatesSuspended quiet(ListView1);
    // One insertion for the whole folder, with the same exact duplicate test as Ekle.
    FJobs->appendAll(FFoundFiles);
}

// ---- Drops -------------------------------------------------------------------------------

void TAppForm::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* const data = event->mimeData();
    if (data && data->hasUrls()) {
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile()) {
                // Always a copy: a source told "moved" may remove what it dragged.
                event->setDropAction(Qt::CopyAction);
                event->accept();
                return;
            }
        }
    }
    event->ignore();
}

void TAppForm::dropEvent(QDropEvent* event) {
    const QMimeData* const data = event->mimeData();
    if (!data || !data->hasUrls()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // The source waits until the drop returns: a long folder scan runs after it, queued.
    QMetaObject::invokeMethod(
        this, [this, urls = data->urls()] { AddDroppedItems(urls); }, Qt::QueuedConnection);
}

void TAppForm::AddDroppedItems(const QList<QUrl>& urls) {
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        // The whole path, however long: a cut name would miss the file or, worse, name another
        // folder that happens to match the cut prefix.
        const QString path = url.toLocalFile();
        try {
            if (QFileInfo(path).isDir())
                KlasorYukle(path);
            else if (IsAudioFile(path))
                Ekle(path);
        } catch (const std::exception&) {
            // One bad item must not cost the user the rest of the drop.
        }
    }
}

// ---- Context menu of the list --------------------------------------------------------------

void TAppForm::Delete1Click() {
    if (JobRowsLocked()) {
        platform::shell().beep();
        return;
    }
    const QModelIndexList selected = ListView1->selectionModel()->selectedRows();
    QList<int> rows;
    rows.reserve(selected.size());
    for (const QModelIndex& index : selected)
        rows.append(index.row());
    FJobs->removeRowsAt(rows);
}

void TAppForm::DeleteAll1Click() {
    if (JobRowsLocked()) {
        platform::shell().beep();
        return;
    }
    FJobs->clear();
}

void TAppForm::Clear1Click() {
    DeleteAll1Click();
}

void TAppForm::Open1Click() {
    if (const auto file = existingFileOf(*FJobs, SelectedRow()))
        platform::shell().openUrl(QUrl::fromLocalFile(*file));
}

void TAppForm::CopyFilename1Click() {
    if (const auto file = existingFileOf(*FJobs, SelectedRow()))
        QGuiApplication::clipboard()->setText(*file);
}

void TAppForm::ShowinExplorer1Click() {
    if (const auto file = existingFileOf(*FJobs, SelectedRow()))
        platform::shell().showInFileManager(*file);
}

void TAppForm::Properties1Click() {
    if (const auto file = existingFileOf(*FJobs, SelectedRow()))
        platform::shell().showProperties(*file);
}

// ---- Output folder -----------------------------------------------------------------------

void TAppForm::Button2Click() {
    ChangeDirectory1Click();
}

void TAppForm::ChangeDirectory1Click() {
    platform::dialogs().setPickerStartFolder(FLastFolder);
    const QStringList folders = platform::dialogs().pickFolders(kSelectFolder, kSelect, false);
    if (!folders.isEmpty())
        ChangeMyFolder(folders.first());
}

void TAppForm::ChangeMyFolder(const QString& foldername) {
    if (isBlank(foldername))
        return;
    FLastFolder = foldername;
    Edit1->setText(foldername);
}

void TAppForm::ShowinExplorer2Click() {
    // Used even while "Use Source Folder" hides the text: it is still the stored destination.
    const QString folder = Edit1->text();
    if (!isBlank(folder) && !QFileInfo(folder).isDir())
        QDir().mkpath(folder);
    if (!isBlank(folder) && QFileInfo(folder).isDir())
        platform::shell().exploreFolder(folder);
    else
        platform::shell().beep();
}
