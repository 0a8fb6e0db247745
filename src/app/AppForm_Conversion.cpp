// The Convert/STOP run: starting each job, the recognizer's command line, its output and the end.

#include "app/AppForm.h"

void TAppForm::Button1Click() {}
