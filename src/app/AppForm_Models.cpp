// The model list and the model download.

#include "app/AppForm.h"

void TAppForm::ComboBoxEx1Change(int) {}
