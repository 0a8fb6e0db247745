#pragma once
#include <QString>
QString translate(const QString& text);
void LoadLanguageFile(const QString& name);
QString LocaleName2();
