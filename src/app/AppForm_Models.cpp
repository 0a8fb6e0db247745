// The model list and the model chosen for a job.

#include "app/AppForm.h"

#include "app/SettingsKeys.h"
#include "models/ModelCatalogue.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>

QString TAppForm::WhisperFolder() const {
    return platform::programFolder() + QStringLiteral("whisper/");
}

QString TAppForm::AiModelFilenameBul() const {
    const int index = ComboBoxEx1->currentIndex();
    const QList<TModelInfo>& models = ModelCatalogue();
    if (index >= 1 && index < models.size())
        return FDataFolder + models.at(index).LocalName;
    return WhisperFolder() + models.at(0).LocalName;
}

void TAppForm::ComboBoxEx1Change(int) {
    const QString model = AiModelFilenameBul();
    const QString caption = ComboBoxEx1->currentText();
    WriteSetting(settings::AIModel.name, caption);
    if (QFileInfo::exists(model))
        return;
    const int answer = platform::dialogs().captionedMessageDialog(
        QStringLiteral("Download AI Model?\r\r") + caption, platform::DialogKind::Confirmation,
        {QStringLiteral("Yes"), QStringLiteral("No")}, QStringLiteral("Confirmation"));
    if (answer == platform::IDYES)
        DownloadModelFile(model);
}
