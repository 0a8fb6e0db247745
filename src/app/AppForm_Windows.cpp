// The about, feedback and language windows, and online help.

#include "app/AppForm.h"

#include "platform/Shell.h"
#include "services/AboutBox.h"
#include "services/AboutRules.h"
#include "services/FeedbackForm.h"
#include "services/Site.h"
#include "services/TranslateForm.h"
#include "services/Translation.h"

#include <QCoreApplication>
#include <QUrl>

void TAppForm::About1Click() {
    auto* box = new TAboutBox(ProductName(), VersionText(), windowIcon(), this);
    box->exec();
}

void TAppForm::SendFeedback1Click() {
    auto* form = new TFeedbackForm({ProductName(), AppName(), VersionText()}, this);
    form->exec();
}

void TAppForm::Help2Click() {
    try {
        platform::shell().openUrl(QUrl(SiteUrl(false, HelpPath(ProductName()))));
    } catch (const std::exception&) {
        // Online help is a convenience; a desktop without a browser must not stop the program.
    }
}

void TAppForm::Language1Click() {
    TLanguageState languages{LanguagesFolder(), LanguageList(), CurrentLanguageName()};
    TRestartTarget restart;
    restart.DataFolder = DataFolder();
    restart.ExecutablePath = QCoreApplication::applicationFilePath();
    restart.SetLanguageFile = [this](const QString& fileName) { SetLanguageFile(fileName); };
    auto* form = new TTranslateForm(std::move(languages), std::move(restart), this);
    form->exec();
}
