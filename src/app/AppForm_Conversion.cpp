// The Convert/STOP run: starting each job, the recognizer's command line, its output and the end.
// Everything here runs on the interface thread; the recognizer's lines and its end arrive from
// DosCommand1 as calls queued to this thread.

#include "app/AppForm.h"

#include "app/ConsoleParsing.h"
#include "app/ErrorForm.h"
#include "app/FailureReport.h"
#include "app/Folders.h"
#include "app/Images.h"
#include "app/JobListModel.h"
#include "app/LanguageItems.h"
#include "app/OutputFiles.h"
#include "app/RecognizerCommand.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "platform/TickCount.h"
#include "process/DosCommand.h"
#include "services/Translation.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <algorithm>

namespace {
const QString StopCaption = QStringLiteral("STOP");
const QString ConvertCaption = QStringLiteral("Convert");
} // namespace

void TAppForm::EnsureDosCommand() {
    if (DosCommand1)
        return;
    DosCommand1 = new TDosCommand(this);
    DosCommand1->setObjectName(QStringLiteral("DosCommand1"));
    DosCommand1->setInputToOutput(false);
    DosCommand1->setMaxTimeAfterBeginning(0);
    DosCommand1->setMaxTimeAfterLastOutput(0);
    DosCommand1->setOnNewLine([this](TDosCommand*, const QString& ANewLine, TOutputType) {
        DosCommand1NewLine(ANewLine);
    });
    DosCommand1->setOnTerminated([this](TDosCommand*) { DosCommand1Terminated(); });
    connect(FJobs, &QAbstractItemModel::rowsRemoved, this, &TAppForm::JobRowsRemoved);
    connect(FJobs, &QAbstractItemModel::modelReset, this, &TAppForm::JobRowsRemoved);
}

bool TAppForm::IsRunning() const {
    return Button1->text() == StopCaption;
}

int TAppForm::CurrentIndex() const {
    return FJobs->rowOf(FCurrentRowId);
}

void TAppForm::SetMarquee(bool on) {
    if (on) {
        ProgressBar1->setRange(0, 0);
    } else {
        ProgressBar1->setRange(0, 100);
        ProgressBar1->setValue(0);
    }
}

bool TAppForm::CheckOutputFolder() {
    const QString folder = Edit1->text();
    QString problem;
    if (folder.trimmed().isEmpty())
        problem = translate(
            QStringLiteral("Please choose an output folder, or check \"Use Source Folder\"."));
    else if (!QDir::isAbsolutePath(folder) || !QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        problem = platform::joinParts(
            translate(QStringLiteral("The output folder cannot be created:")), folder);
    if (problem.isEmpty())
        return true;
    platform::dialogs().messageBox(problem, translate(QStringLiteral("WARNING")),
                                   platform::MB_ICONWARNING);
    return false;
}

void TAppForm::Button1Click() {
    EnsureDosCommand();
    if (IsRunning()) {
        FStopRequested = true;
        DosCommand1->Stop();
        return;
    }
    if (FJobs->count() == 0) {
        platform::dialogs().messageBox(translate(QStringLiteral("Please add files!")),
                                       translate(QStringLiteral("WARNING")),
                                       platform::MB_ICONWARNING);
        return;
    }
    // A destination that cannot hold the outputs is refused before anything changes.
    if (!CheckBoxSource->isChecked() && !CheckOutputFolder())
        return;
    platform::dialogs().pushBusyCursor();
    FBusyCursorShown = true;
    Button1->setText(StopCaption);
    Button1->setIcon(NamedImage(QStringLiteral("stop")));
    SetMarquee(true);
    ProgressBar1->show();
    FJobs->clearResults();
    FStopRequested = false;
    FStartTick = platform::GetTickCount();
    FCurrentRowId = FJobs->rowId(0);
    // The user may press STOP or empty the list while the cleared list is painted.
    QCoreApplication::processEvents();
    if (FStopRequested || FJobs->count() == 0) {
        GorevTamamlandi();
        return;
    }
    DosyayiWhisperIleIsle(0);
}

void TAppForm::DosyayiWhisperIleIsle(int index) {
    const QString source = FJobs->caption(index);
    FCurrentRowId = FJobs->rowId(index);
    const QString sourceFolder = FolderOf(source);
    const int count = FJobs->count();
    if (count == 1)
        SetStatusText(QStringLiteral("Processing ") + source + QStringLiteral("..."));
    else
        SetStatusText(QStringLiteral("Processing %1 / %2 (%3)...")
                          .arg(QString::number(index + 1), QString::number(count), source));
    QString base;
    if (CheckBoxSource->isChecked()) {
        if (!QFileInfo::exists(sourceFolder))
            QDir().mkpath(sourceFolder);
        base = OutputBase(sourceFolder, source);
    } else {
        base = OutputBase(Edit1->text(), source);
    }
    WhisperIleDonustur(source, base);
}

bool TAppForm::EnsureWorkFolder() {
    // Made at start; made again when that failed or when the folder has gone since (another
    // copy ending at the same moment may have taken the shared parent with it).
    if (FWorkFolder.isEmpty() || !QFileInfo(FWorkFolder).isDir())
        FWorkFolder = PrepareWorkFolder(platform::privateTempFolder());
    return !FWorkFolder.isEmpty();
}

void TAppForm::WhisperIleDonustur(const QString& Infile, const QString& Outfile) {
    FConsoleLines.clear();
    FModelFile = AiModelFilenameBul();
    if (!QFileInfo::exists(FModelFile)) {
        // From code: neither the "AIModel" setting nor the download question is touched.
        ComboBoxEx1->setCurrentIndex(0);
        FModelFile = WhisperFolder() + QStringLiteral("ggml-base.bin");
        QCoreApplication::processEvents();
    }

    QString input;
    if (Infile.startsWith(QStringLiteral("\\\\"))) {
        // A network path separates its parts with backslashes; a slash may follow them.
        const QString name = Infile.mid(
            std::max(Infile.lastIndexOf(QLatin1Char('/')), Infile.lastIndexOf(QLatin1Char('\\'))) +
            1);
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        QString copy =
            FDataFolder + QStringLiteral("temp") + (dot < 0 ? QString() : name.mid(dot).toLower());
        QFile::remove(copy);
        copy = UniqueFileName(copy);
        QFile::copy(Infile, copy);
        FCopiedInputFile = copy;
        input = copy;
    } else {
        FCopiedInputFile.clear();
        input = ShortPath(Infile);
    }

    const QList<QRadioButton*> radios{RadioButton1, RadioButton2, RadioButton3, RadioButton4};
    int type = 0;
    while (type < radios.size() && !radios[type]->isChecked())
        ++type;
    const TOutputKind output = OutputTypeAt(type);
    const QString wanted = Outfile + output.Extension;
    FFinalOutputBase = wanted;
    FFinalOutputFile = UniqueFileName(wanted);
    if (!EnsureWorkFolder()) {
        // Without its private folder the recognizer's output would land in whatever folder is
        // current: the job ends as one that produced nothing, and the run goes on.
        FTempOutputFile.clear();
        FConsoleLines.append(QStringLiteral("No private work folder could be made for the "
                                            "recognizer's output."));
        QMetaObject::invokeMethod(this, &TAppForm::DosCommand1Terminated, Qt::QueuedConnection);
        return;
    }
    const QString temporary = FWorkFolder + QStringLiteral("temp") + output.Extension;
    if (QFileInfo::exists(temporary))
        QFile::remove(temporary);
    FTempOutputFile = temporary;

    const TRecognizerArguments args{WhisperFolder() + QStringLiteral("whisper-cli"),
                                    ShortPath(FModelFile),
                                    input,
                                    CheckBoxAutoDetect->isChecked()
                                        ? QStringLiteral("auto")
                                        : LanguageCodeOf(ComboBoxLang->currentText()),
                                    SpinEdit1->text(),
                                    output.Flag,
                                    FWorkFolder + QStringLiteral("temp")};
    FAudioDuration = 0.0;
    DosCommand1->setCommandLine(BuildRecognizerCommandLine(args));
    try {
        DosCommand1->Execute();
    } catch (const std::exception& e) {
        // Nothing was started, so no termination will come. The job ends as one that produced
        // nothing ("Error", its report, the input copy removed) and the run goes on; queued, so a
        // list of such jobs does not nest ever deeper.
        const auto* own = dynamic_cast<const Exception*>(&e);
        const QString message = own ? own->message() : QString::fromLocal8Bit(e.what());
        FConsoleLines.append(message);
        platform::dialogs().showException(message);
        QMetaObject::invokeMethod(this, &TAppForm::DosCommand1Terminated, Qt::QueuedConnection);
        return;
    }
    // STOP pressed while the model list was repainted: the fresh job is stopped at once.
    if (FStopRequested)
        DosCommand1->Stop();
}

void TAppForm::DosCommand1NewLine(const QString& ANewLine) {
    FConsoleLines.append(ANewLine);
    const double duration = ParseDurationLine(ANewLine);
    if (duration > 0)
        FAudioDuration = duration;
    const double end = ParseSegmentEnd(ANewLine);
    if (!(end > 0))
        return;
    if (ProgressBar1->maximum() == 0)
        SetMarquee(false);
    if (const std::optional<int> position = ProgressPosition(end, FAudioDuration))
        ProgressBar1->setValue(*position);
}

void TAppForm::JobRowsRemoved() {
    // The running job's row is gone: its result has nowhere to go, so the run ends.
    if (IsRunning() && DosCommand1 && FJobs->rowOf(FCurrentRowId) < 0)
        DosCommand1->Stop();
}

QString TAppForm::FinishJobOutput(bool* ok) {
    *ok = true;
    QString problem;
    if (QFileInfo::exists(FTempOutputFile)) {
        if (FileSizeOf(FTempOutputFile) != 0) {
            try {
                QStringList lines = LoadOutputLines(FTempOutputFile);
                CleanOutputLines(lines);
                const TOutputEncoding encoding = UTF8BOM1->isChecked() ? TOutputEncoding::Utf8Bom
                                                 : UTF81->isChecked()  ? TOutputEncoding::Utf8
                                                                       : TOutputEncoding::Ansi;
                QString error;
                const QString written = WriteNewFile(FFinalOutputFile, FFinalOutputBase,
                                                     EncodeOutputLines(lines, encoding), &error);
                if (written.isEmpty()) {
                    *ok = false;
                    problem = QStringLiteral("The output file could not be written: ") + error;
                } else {
                    FFinalOutputFile = written;
                }
            } catch (const ELoadLines& e) {
                *ok = false;
                problem = QStringLiteral("The recognizer's output could not be read: ") +
                          QString::fromLocal8Bit(e.what());
            }
        } else {
            *ok = false;
        }
        QFile::remove(FTempOutputFile);
    } else {
        *ok = false;
    }
    if (!FCopiedInputFile.isEmpty() && QFileInfo::exists(FCopiedInputFile))
        QFile::remove(FCopiedInputFile);
    return problem;
}

void TAppForm::DosCommand1Terminated() {
    SetMarquee(false);
    const int row = FJobs->rowOf(FCurrentRowId);
    if (FStopRequested) {
        if (row >= 0)
            FJobs->setResult(row, QStringLiteral("Stopped"));
        GorevTamamlandi();
        return;
    }
    if (row < 0) {
        // Its row was removed: nothing is written anywhere, and the job leaves no file behind.
        QFile::remove(FTempOutputFile);
        if (!FCopiedInputFile.isEmpty())
            QFile::remove(FCopiedInputFile);
        GorevTamamlandi();
        return;
    }
    bool ok = false;
    const QString problem = FinishJobOutput(&ok);
    if (!problem.isEmpty())
        FConsoleLines.append(problem);
    FJobs->setResult(row, ok ? QStringLiteral("OK") : QStringLiteral("Error"));
    if (!ok && ShowErrorDetails1->isChecked())
        ShowFailureReport(row);
    const int next = row + 1;
    if (next >= FJobs->count()) {
        GorevTamamlandi();
        return;
    }
    if (!FStopRequested) {
        SetMarquee(true);
        DosyayiWhisperIleIsle(next);
    } else {
        GorevTamamlandi();
    }
}

QString TAppForm::BosRamMiktari() const {
    return FreeMemoryText();
}

QString TAppForm::BosDiskMiktari(const QString& DrivePath) const {
    return FreeDiskText(DrivePath);
}

void TAppForm::ShowFailureReport(int row) {
    const TFailureFacts facts{FJobs->caption(row),
                              FFinalOutputFile,
                              FModelFile,
                              BosRamMiktari(),
                              BosDiskMiktari(FolderOf(FFinalOutputFile)),
                              CpuName(),
                              FConsoleLines};
    auto* report = new TFormError(this);
    report->SetReport(BuildFailureReport(facts));
    report->show();
}

void TAppForm::GorevTamamlandi() {
    Button1->setText(ConvertCaption);
    Button1->setIcon(NamedImage(QStringLiteral("tick_button")));
    SetMarquee(false);
    ProgressBar1->hide();
    if (FBusyCursorShown) {
        FBusyCursorShown = false;
        platform::dialogs().popBusyCursor();
    }
    // Unsigned 32-bit arithmetic: a wrap of the tick counter during the run still gives the span.
    const std::uint32_t elapsed = platform::GetTickCount() - FStartTick;
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    const QString seconds = locale.toString(elapsed / 1000.0, 'f', 3);
    SetStatusText(translate(QStringLiteral("Finished (Elapsed Time: %s sec)"))
                      .replace(QStringLiteral("%s"), seconds));
    platform::shell().beep();
}
