// The model download.

#include "app/AppForm.h"

void TAppForm::DownloadModelFile(const QString&) {}
