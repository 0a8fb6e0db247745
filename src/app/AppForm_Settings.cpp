// Start-up, restoring every control from settings.ini, the save handlers, reset and exit.

#include "app/AppForm.h"

#include "app/Folders.h"
#include "app/IniStore.h"
#include "app/SettingsKeys.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "services/Identity.h"
#include "services/Translation.h"
#include "services/UpdateCheck.h"
#include "services/WindowParts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>

namespace {

// libcurl looks at a cancelled request about once a second at the least.
constexpr int CheckerStopWaitMs = 2500;
TAppIdentity readIdentity() {
    try {
        return ReadAppIdentity(QCoreApplication::applicationFilePath());
    } catch (const Exception& e) {
        // The executable always carries its block; should it not, say so and go on with the
        // names the build was made with, so the window still opens with working settings.
        platform::dialogs().showException(e.message());
        return FallbackAppIdentity();
    }
}
} // namespace

void TAppForm::FormCreate() {
    const TAppIdentity identity = readIdentity();
    FCompanyName = identity.CompanyName;
    FProductName = identity.ProductName;
    FVersionText = identity.VersionText;
    FAppName = FCompanyName + QStringLiteral(" - ") + FProductName;
    setWindowTitle(FAppName);

    FDataFolder = ChooseDataFolder(platform::programFolder(), platform::appDataFolder(),
                                   FCompanyName, FProductName);
    OpenSettingsStore();
    FConsoleLines.clear();
    FWorkFolder = PrepareWorkFolder(platform::privateTempFolder());
    RestoreSettings();
    FFoundFiles.clear();
    TimerChecker->start();
    try {
        LoadLanguageFile(QString());
    } catch (const Exception& e) {
        // A language file that exists but cannot be read: the interface stays English.
        platform::dialogs().showException(e.message());
    }
}

void TAppForm::OpenSettingsStore() {
    const QString fileName = FDataFolder + settings::FileName;
    try {
        FSettings = std::make_unique<TIniStore>(fileName);
    } catch (const EIniStoreError&) {
        // An unreadable settings file is dropped without a word; the defaults take over.
        QFile::remove(fileName);
        try {
            FSettings = std::make_unique<TIniStore>(fileName);
        } catch (const EIniStoreError& e) {
            // Still there and still unreadable (a folder of that name, another user's file): the
            // program runs on the defaults and says once that its settings are not kept.
            FSettings = std::make_unique<TIniStore>(TIniStore::Empty(fileName));
            ReportSettingsWriteError(e.message());
        }
    }
    FSettings->OnWriteError = [this](const QString& reason) { ReportSettingsWriteError(reason); };
}

void TAppForm::ReportSettingsWriteError(const QString& reason) {
    if (FSettingsWriteReported)
        return;
    FSettingsWriteReported = true;
    SetStatusText(translate(QStringLiteral("Settings could not be saved: %1")).arg(reason));
}

void TAppForm::WriteSetting(const QString& key, const QString& value) {
    if (!FSettingsClosed)
        FSettings->WriteString(settings::Section, key, value);
}

void TAppForm::RestoreSettings() {
    const auto read = [this](const settings::Key& key, const QString& fallback) {
        return FSettings->ReadString(settings::Section, key.name, fallback);
    };
    Edit1->setText(read(settings::Destination, platform::desktopFolder()));
    if (read(settings::UseSourceFolder, settings::Off) == settings::On) {
        CheckBoxSource->setChecked(true);
        CheckBoxSourceClick();
    }
    SpinEdit1->setValue(settings::lineLengthFrom(
        read(settings::MaximumLineLength, settings::MaximumLineLength.defaultValue)));
    const QString outputType = read(settings::OutputType, settings::OutputType.defaultValue);
    const QList<QRadioButton*> radios{RadioButton1, RadioButton2, RadioButton3, RadioButton4};
    for (qsizetype i = 0; i < radios.size(); ++i)
        if (outputType == settings::OutputTypes[i])
            radios[i]->setChecked(true);
    const QString encoding = read(settings::Encoding, settings::Encoding.defaultValue);
    const QList<QAction*> encodings{ANSI1, UTF81, UTF8BOM1};
    for (qsizetype i = 0; i < encodings.size(); ++i)
        if (encoding == settings::Encodings[i])
            encodings[i]->setChecked(true);
    if (read(settings::ShowErrorDetails, settings::On) == settings::Off)
        ShowErrorDetails1->setChecked(false);
    if (read(settings::LanguageAutoDetect, settings::On) == settings::Off)
        CheckBoxAutoDetect->setChecked(false);
    const int language = ComboBoxLang->findText(read(settings::Language, QString()),
                                                Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (language >= 0)
        ComboBoxLang->setCurrentIndex(language);
    const int model = ComboBoxEx1->findText(read(settings::AIModel, QString()),
                                            Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (model >= 0)
        ComboBoxEx1->setCurrentIndex(model);
    if (ComboBoxEx1->currentIndex() < 0 && ComboBoxEx1->count() > 0)
        ComboBoxEx1->setCurrentIndex(0);
}

void TAppForm::SetOutputTypeSetting(int index) {
    WriteSetting(settings::OutputType.name, settings::OutputTypes[index]);
}

void TAppForm::RadioButton1Click() {
    SetOutputTypeSetting(0);
}
void TAppForm::RadioButton2Click() {
    SetOutputTypeSetting(1);
}
void TAppForm::RadioButton3Click() {
    SetOutputTypeSetting(2);
}
void TAppForm::RadioButton4Click() {
    SetOutputTypeSetting(3);
}

void TAppForm::SetEncodingSetting(int index) {
    const QList<QAction*> encodings{ANSI1, UTF81, UTF8BOM1};
    encodings[index]->setChecked(true);
    WriteSetting(settings::Encoding.name, settings::Encodings[index]);
}

void TAppForm::ANSI1Click() {
    SetEncodingSetting(0);
}
void TAppForm::UTF81Click() {
    SetEncodingSetting(1);
}
void TAppForm::UTF8BOM1Click() {
    SetEncodingSetting(2);
}

void TAppForm::Edit1Change(const QString& text) {
    WriteSetting(settings::Destination.name, text);
}

void TAppForm::CheckBoxSourceClick() {
    const bool useSource = CheckBoxSource->isChecked();
    Edit1->setVisible(!useSource);
    Button2->setVisible(!useSource);
    WriteSetting(settings::UseSourceFolder.name, useSource ? settings::On : settings::Off);
}

void TAppForm::SpinEdit1Change(int value) {
    WriteSetting(settings::MaximumLineLength.name, QString::number(value));
}

void TAppForm::CheckBoxAutoDetectClick() {
    WriteSetting(settings::LanguageAutoDetect.name,
                 CheckBoxAutoDetect->isChecked() ? settings::On : settings::Off);
}

void TAppForm::ComboBoxLangChange(int) {
    WriteSetting(settings::Language.name, ComboBoxLang->currentText());
}

void TAppForm::ShowErrorDetails1Click() {
    // The action is checkable, so its mark already shows the new state.
    WriteSetting(settings::ShowErrorDetails.name,
                 ShowErrorDetails1->isChecked() ? settings::On : settings::Off);
}

void TAppForm::ResettoDefaults1Click() {
    if (!AskRestartApplication())
        return;
    // Nothing may write the store from here on (an event handled below included), so the new
    // copy starts from the defaults.
    FSettingsClosed = true;
    QFile::remove(FDataFolder + settings::FileName);
    QCoreApplication::processEvents();
    platform::shell().startDetached(QCoreApplication::applicationFilePath(), {});
    QCoreApplication::quit();
}

void TAppForm::Exit1Click() {
    close();
}

void TAppForm::closeEvent(QCloseEvent* event) {
    event->accept();
    QCoreApplication::quit();
}

void TAppForm::FormDestroy() {
    // A check still talking to the site must not outlive the program's statics.
    TChecker::StopRunning(CheckerStopWaitMs);
    RemoveWorkFolder(FWorkFolder);
}

// Stores nothing on purpose: every start chooses the interface language again from the user's
// system language, also after the language window's restart.
void TAppForm::SetLanguageFile(const QString&) {}
