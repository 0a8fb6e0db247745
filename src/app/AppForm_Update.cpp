// The update check's timer and the "Update Notifications" switch.

#include "app/AppForm.h"
#include "services/NewVersionWindow.h"
#include "services/UpdateCheck.h"

#include <QAction>
#include <QTimer>

void TAppForm::TNewVerDeleter::operator()(TNewVer* window) const {
    delete window;
}

void TAppForm::TimerCheckerTimer() {
    if (!FUpdateCheck) {
        FUpdateCheck = TChecker::Start({CompanyName(), AppName(), VersionText()});
        return;
    }
    if (!FUpdateCheck->Finished.load(std::memory_order_acquire))
        return;
    TimerChecker->stop();
    UpdateNotifications1->setEnabled(true);
    if (FUpdateCheck->SwitchValue == 0)
        UpdateNotifications1->setChecked(false);
    if (FUpdateCheck->Notice.load(std::memory_order_relaxed) && !FNewVer)
        FNewVer.reset(new TNewVer(ProductName(), FUpdateCheck->LatestVersion,
                                  FUpdateCheck->DownloadURL, this));
}

void TAppForm::UpdateNotifications1Click() {
    // The action is checkable, so its mark already shows the new state. The value counts from the
    // next start: this run's check has ended (the item stays disabled until then).
    const QString path = FUpdateCheck && !FUpdateCheck->StorePath.isEmpty()
                             ? FUpdateCheck->StorePath
                             : TUpdateStore::PathFor(CompanyName(), AppName());
    const TUpdateStore store(path);
    store.Open();
    store.Write(QStringLiteral("ShowUpdate"),
                UpdateNotifications1->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}
