#pragma once
// The main window. Its methods are spread over several files by concern:
//   AppForm.cpp            the controls, menus and layout
//   AppForm_Settings.cpp   start-up, restoring and saving the settings, reset, exit
//   AppForm_JobList.cpp    adding, scanning, dropping and the list's commands, output folder
//   AppForm_Conversion.cpp the Convert/STOP run, the recognizer's command line and output
//   AppForm_Models.cpp     the model list and the model chosen for a job
//   AppForm_Download.cpp   the model download
//   AppForm_Update.cpp     the update check's timer and switch
//   AppForm_Windows.cpp    about, feedback, online help and the language window

#include <QMainWindow>
#include <QStringList>

#include <cstdint>
#include <memory>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStatusBar;
class QUrl;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeView;
class TIniStore;
class TJobListModel;
class TNewVer;
struct TUpdateResults;

class TAppForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TAppForm(QWidget* parent = nullptr);
    ~TAppForm() override;

    // Identity and folders, set once at start.
    const QString& CompanyName() const { return FCompanyName; }
    const QString& ProductName() const { return FProductName; }
    const QString& VersionText() const { return FVersionText; }
    const QString& AppName() const { return FAppName; }
    const QString& DataFolder() const { return FDataFolder; }
    const QString& WorkFolder() const { return FWorkFolder; }
    TIniStore& Settings() { return *FSettings; }

    // Status bar's first panel.
    void SetStatusText(const QString& text);
    QString StatusText() const;

    // Language window: does nothing here, the interface language is chosen again at start.
    void SetLanguageFile(const QString& fileName);

    // Writes one setting and the file back; a failed write is reported once per session.
    void WriteSetting(const QString& key, const QString& value);

    // --- Job list (AppForm_JobList.cpp)
    void Ekle(const QString& isim);
    void KlasorYukle(const QString& klasor);
    void ChangeMyFolder(const QString& foldername);
    TJobListModel& Jobs() { return *FJobs; }
    // Job list commands: the rule for a running conversion plugs in here. While true, Delete,
    // Delete All and Clear leave the rows alone (adding stays possible).
    bool JobRowsLocked() const;
    // The folder the folder dialogs start from; set by every folder load and folder choice.
    const QString& LastFolder() const { return FLastFolder; }
    // The audio files of the last folder load, in scan order.
    const QStringList& FoundFiles() const { return FFoundFiles; }

    // --- Models (AppForm_Models.cpp, AppForm_Download.cpp)
    // Fetches the model file named by its full local path in the background.
    void DownloadModelFile(const QString& modelPath);

    // --- Conversion (AppForm_Conversion.cpp, AppForm_Models.cpp)
    // Rule for changing the job list during a run: the running job's row is tracked by its
    // identity (TJobListModel::rowId/rowOf), never by a stored position. Removing other rows or
    // adding rows is allowed at any time; removing the running row (or clearing the list) ends
    // the run cleanly: the recognizer is stopped, nothing is written into any row, the job's
    // temporary files are removed and the button returns to "Convert".
    QString AiModelFilenameBul() const;
    void DosyayiWhisperIleIsle(int index);
    void WhisperIleDonustur(const QString& Infile, const QString& Outfile);
    void DosCommand1NewLine(const QString& ANewLine);
    void DosCommand1Terminated();
    void GorevTamamlandi();
    bool IsRunning() const;
    int CurrentIndex() const;
    double AudioDuration() const { return FAudioDuration; }
    const QStringList& ConsoleLines() const { return FConsoleLines; }
    const QString& TempOutputFile() const { return FTempOutputFile; }
    const QString& FinalOutputFile() const { return FFinalOutputFile; }
    const QString& ModelFile() const { return FModelFile; }
    QString WhisperFolder() const;
    // The failure report's machine facts.
    QString BosRamMiktari() const;
    QString BosDiskMiktari(const QString& DrivePath) const;

    // --- Model download (AppForm_Download.cpp)
    // Interface thread, when a download thread has ended (Sender: the thread).
    void DownloaderThreadTerminate(QObject* Sender);
    // Download threads that have not ended yet.
    int RunningDownloads() const;

public Q_SLOTS:
    // Settings
    void RadioButton1Click();
    void RadioButton2Click();
    void RadioButton3Click();
    void RadioButton4Click();
    void ANSI1Click();
    void UTF81Click();
    void UTF8BOM1Click();
    void Edit1Change(const QString& text);
    void CheckBoxSourceClick();
    void SpinEdit1Change(int value);
    void CheckBoxAutoDetectClick();
    void ComboBoxLangChange(int index);
    void ShowErrorDetails1Click();
    void ResettoDefaults1Click();
    void Exit1Click();

    // Job list
    void AddFiles1Click();
    void AddFolders1Click();
    void Delete1Click();
    void DeleteAll1Click();
    void Clear1Click();
    void Open1Click();
    void CopyFilename1Click();
    void ShowinExplorer1Click();
    void Properties1Click();
    void Button2Click();
    void ChangeDirectory1Click();
    void ShowinExplorer2Click();

    // Conversion and models
    void Button1Click();
    void ComboBoxEx1Change(int index);

    // Services
    void TimerCheckerTimer();
    void UpdateNotifications1Click();
    void About1Click();
    void SendFeedback1Click();
    void Help2Click();
    void Language1Click();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The files and folders of a drop, after the drop itself has returned to its source.
    void AddDroppedItems(const QList<QUrl>& urls);
    void CreateControls();
    void CreateMenus();
    void CreatePopupMenus();
    QWidget* CreateSettingsPanel();
    void FormCreate();
    void FormDestroy();
    void RestoreSettings();
    void OpenSettingsStore();
    void ReportSettingsWriteError(const QString& reason);
    void SetOutputTypeSetting(int index);
    void SetEncodingSetting(int index);
    int SelectedRow() const;

public:
    // Controls, named as the object names they carry.
    QToolBar* ToolBar1 = nullptr;
    QAction* ToolButton3 = nullptr; // Add Files
    QAction* ToolButton1 = nullptr; // Add Folders
    QAction* ToolButton7 = nullptr; // Feedback
    QAction* ToolButton2 = nullptr; // About
    QAction* ToolButton4 = nullptr; // Help
    QTreeView* ListView1 = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QRadioButton* RadioButton3 = nullptr;
    QRadioButton* RadioButton4 = nullptr;
    QCheckBox* CheckBoxAutoDetect = nullptr;
    QComboBox* ComboBoxLang = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QComboBox* ComboBoxEx1 = nullptr;
    QCheckBox* CheckBoxSource = nullptr;
    QLineEdit* Edit1 = nullptr;
    QToolButton* Button2 = nullptr;
    QPushButton* Button1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusPanel = nullptr;
    QTimer* TimerChecker = nullptr;

    // Menus
    QAction* Clear1 = nullptr;
    QAction* AddFiles1 = nullptr;
    QAction* AddFolders1 = nullptr;
    QAction* Exit1 = nullptr;
    QActionGroup* EncodingGroup = nullptr;
    QAction* ANSI1 = nullptr;
    QAction* UTF81 = nullptr;
    QAction* UTF8BOM1 = nullptr;
    QAction* ShowErrorDetails1 = nullptr;
    QAction* ResettoDefaults1 = nullptr;
    QAction* Help2 = nullptr; // Online Help, F1
    QAction* UpdateNotifications1 = nullptr;
    QAction* Language1 = nullptr;
    QAction* SendFeedback1 = nullptr;
    QAction* About1 = nullptr;

    // Job list context menu and the folder button's menu
    QMenu* PopupMenu1 = nullptr;
    QAction* Delete1 = nullptr;
    QAction* DeleteAll1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* CopyFilename1 = nullptr;
    QAction* ShowinExplorer1 = nullptr;
    QAction* Properties1 = nullptr;
    QMenu* PopupMenu2 = nullptr;
    QAction* ChangeDirectory1 = nullptr;
    QAction* ShowinExplorer2 = nullptr;

private:
    QString FCompanyName;
    QString FProductName;
    QString FVersionText;
    QString FAppName;
    QString FDataFolder;
    QString FWorkFolder;
    std::unique_ptr<TIniStore> FSettings;
    bool FSettingsWriteReported = false;
    bool FSettingsClosed = false;
    bool FRestoring = false;

    TJobListModel* FJobs = nullptr;
    QString FLastFolder;
    QStringList FFoundFiles;
    QStringList FConsoleLines;

    // --- Conversion run state (AppForm_Conversion.cpp)
    class TDosCommand* DosCommand1 = nullptr;
    bool FStopRequested = false;
    bool FBusyCursorShown = false;
    quint64 FCurrentRowId = 0;
    std::uint32_t FStartTick = 0;
    double FAudioDuration = 0.0;
    QString FTempOutputFile;
    QString FFinalOutputFile;
    QString FFinalOutputBase; // the name before any " (n)", for a late collision
    QString FModelFile;
    QString FCopiedInputFile;
    void EnsureDosCommand();
    void JobRowsRemoved();
    QString FinishJobOutput(bool* ok);
    void ShowFailureReport(int row);
    void SetMarquee(bool on);
    bool CheckOutputFolder();
    bool EnsureWorkFolder();
    // --- Update check (AppForm_Update.cpp)
public:
    // The results of this run's check; null before the timer's first tick.
    const TUpdateResults* UpdateCheck() const { return FUpdateCheck.get(); }
    // The update notice, once the check has asked for it.
    TNewVer* NewVersionWindow() const { return FNewVer.get(); }

private:
    // Frees the notice where its class is known, so this header needs only its name.
    struct TNewVerDeleter {
        void operator()(TNewVer* window) const;
    };
    std::shared_ptr<TUpdateResults> FUpdateCheck;
    std::unique_ptr<TNewVer, TNewVerDeleter> FNewVer;

    // --- Model download (AppForm_Download.cpp). Declared last so that it goes first when the
    // window is destroyed: running downloads are stopped while the controls still exist.
    class TDownloads;
    struct TDownloadsDeleter {
        void operator()(TDownloads* downloads) const;
    };
    std::unique_ptr<TDownloads, TDownloadsDeleter> FDownloads;
};
