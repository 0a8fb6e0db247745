// The update check's timer and the "Update Notifications" switch.

#include "app/AppForm.h"

void TAppForm::TimerCheckerTimer() {}
void TAppForm::UpdateNotifications1Click() {}
