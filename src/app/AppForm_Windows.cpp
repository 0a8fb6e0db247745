// The about, feedback and language windows, and online help.

#include "app/AppForm.h"

void TAppForm::About1Click() {}
void TAppForm::SendFeedback1Click() {}
void TAppForm::Help2Click() {}
void TAppForm::Language1Click() {}
