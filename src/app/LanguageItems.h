#pragma once
// The spoken languages offered for recognition: a display name and the code in square brackets.

#include <QStringList>

const QStringList& SpokenLanguageItems();
// The text after the item's first "[" up to the first "]" after it; empty without both.
QString LanguageCodeOf(const QString& item);

inline constexpr int DefaultSpokenLanguageIndex = 21; // "English [en]"
