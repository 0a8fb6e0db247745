#include "services/Translation.h"
QString translate(const QString& text) { return text; }
void LoadLanguageFile(const QString&) {}
QString LocaleName2() { return QStringLiteral("xx"); }
