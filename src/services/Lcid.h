#pragma once
// Windows language identifiers (LCIDs, such as 1031 for German, Germany) for the locales of this
// platform, which names locales by ISO codes instead. Language files are mapped by these numbers,
// so the numbers must be the ones Windows gives for the same language and country.

#include <QLocale>
#include <QString>

#include <functional>

// A locale Windows has no identifier for (LOCALE_CUSTOM_UNSPECIFIED).
inline constexpr quint16 CustomUnspecifiedLcid = 0x1000;
// English (United States), also what the C/POSIX locale stands for.
inline constexpr quint16 EnglishUnitedStatesLcid = 0x0409;

// The identifier of a locale: its language, script and country when the table has them, else the
// language's main country; CustomUnspecifiedLcid for a language without one.
quint16 LcidForLocale(const QLocale& locale);

// The user's interface language identifier: the first interface language of the system locale.
// Runs on any thread.
quint16 GetUserDefaultUILanguage();

// Replaces where GetUserDefaultUILanguage takes its answer from (tests); an empty function
// restores the system's.
void SetUserDefaultUILanguageSource(std::function<quint16()> source);
