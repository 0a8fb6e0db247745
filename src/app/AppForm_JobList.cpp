// Adding files and folders, drops, the job list's context menu and the output folder button.

#include "app/AppForm.h"

#include <QDragEnterEvent>
#include <QDropEvent>

void TAppForm::AddFiles1Click() {}
void TAppForm::AddFolders1Click() {}
void TAppForm::Ekle(const QString&) {}
void TAppForm::KlasorYukle(const QString&) {}
void TAppForm::Delete1Click() {}
void TAppForm::DeleteAll1Click() {}
void TAppForm::Clear1Click() {}
void TAppForm::Open1Click() {}
void TAppForm::CopyFilename1Click() {}
void TAppForm::ShowinExplorer1Click() {}
void TAppForm::Properties1Click() {}
void TAppForm::Button2Click() {}
void TAppForm::ChangeDirectory1Click() {}
void TAppForm::ChangeMyFolder(const QString&) {}
void TAppForm::ShowinExplorer2Click() {}
void TAppForm::dragEnterEvent(QDragEnterEvent* event) { event->ignore(); }
void TAppForm::dropEvent(QDropEvent* event) { event->ignore(); }
