// About, feedback, online help, the language window and the update check.

#include "app/AppForm.h"

void TAppForm::TimerCheckerTimer() {}
void TAppForm::UpdateNotifications1Click() {}
void TAppForm::About1Click() {}
void TAppForm::SendFeedback1Click() {}
void TAppForm::Help2Click() {}
void TAppForm::Language1Click() {}
