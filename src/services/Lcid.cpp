#include "services/Lcid.h"

#include <QStringList>

#include <mutex>

namespace {

struct LcidRow {
    const char* tag; // language[-Script]-COUNTRY
    quint16 lcid;
};

// The first row of each language is its main country, the one a locale of another country of
// that language falls back to.
constexpr LcidRow Rows[] = {
    {"en-US", 0x0409},
    {"en-GB", 0x0809},
    {"en-AU", 0x0C09},
    {"en-CA", 0x1009},
    {"en-NZ", 0x1409},
    {"en-IE", 0x1809},
    {"en-ZA", 0x1C09},
    {"en-JM", 0x2009},
    {"en-BZ", 0x2809},
    {"en-TT", 0x2C09},
    {"en-ZW", 0x3009},
    {"en-PH", 0x3409},
    {"en-IN", 0x4009},
    {"en-MY", 0x4409},
    {"en-SG", 0x4809},
    {"de-DE", 0x0407},
    {"de-CH", 0x0807},
    {"de-AT", 0x0C07},
    {"de-LU", 0x1007},
    {"de-LI", 0x1407},
    {"fr-FR", 0x040C},
    {"fr-BE", 0x080C},
    {"fr-CA", 0x0C0C},
    {"fr-CH", 0x100C},
    {"fr-LU", 0x140C},
    {"fr-MC", 0x180C},
    {"tr-TR", 0x041F},
    {"sq-AL", 0x041C},
    {"ar-SA", 0x0401},
    {"ar-IQ", 0x0801},
    {"ar-EG", 0x0C01},
    {"ar-LY", 0x1001},
    {"ar-DZ", 0x1401},
    {"ar-MA", 0x1801},
    {"ar-TN", 0x1C01},
    {"ar-OM", 0x2001},
    {"ar-YE", 0x2401},
    {"ar-SY", 0x2801},
    {"ar-JO", 0x2C01},
    {"ar-LB", 0x3001},
    {"ar-KW", 0x3401},
    {"ar-AE", 0x3801},
    {"ar-BH", 0x3C01},
    {"ar-QA", 0x4001},
    {"bg-BG", 0x0402},
    {"zh-Hans-CN", 0x0804},
    {"zh-Hant-TW", 0x0404},
    {"zh-Hant-HK", 0x0C04},
    {"zh-Hans-SG", 0x1004},
    {"zh-Hant-MO", 0x1404},
    {"cs-CZ", 0x0405},
    {"nl-NL", 0x0413},
    {"nl-BE", 0x0813},
    {"fi-FI", 0x040B},
    {"el-GR", 0x0408},
    {"he-IL", 0x040D},
    {"hu-HU", 0x040E},
    {"it-IT", 0x0410},
    {"it-CH", 0x0810},
    {"ja-JP", 0x0411},
    {"ko-KR", 0x0412},
    {"fa-IR", 0x0429},
    {"pl-PL", 0x0415},
    {"pt-BR", 0x0416},
    {"pt-PT", 0x0816},
    {"ro-RO", 0x0418},
    {"ro-MD", 0x0818},
    {"ru-RU", 0x0419},
    {"sl-SI", 0x0424},
    {"es-ES", 0x0C0A},
    {"es-MX", 0x080A},
    {"es-GT", 0x100A},
    {"es-CR", 0x140A},
    {"es-PA", 0x180A},
    {"es-DO", 0x1C0A},
    {"es-VE", 0x200A},
    {"es-CO", 0x240A},
    {"es-PE", 0x280A},
    {"es-AR", 0x2C0A},
    {"es-EC", 0x300A},
    {"es-CL", 0x340A},
    {"es-UY", 0x380A},
    {"es-PY", 0x3C0A},
    {"es-BO", 0x400A},
    {"es-SV", 0x440A},
    {"es-HN", 0x480A},
    {"es-NI", 0x4C0A},
    {"es-PR", 0x500A},
    {"es-US", 0x540A},
    {"sv-SE", 0x041D},
    {"sv-FI", 0x081D},
    {"uk-UA", 0x0422},
    {"vi-VN", 0x042A},
    {"sk-SK", 0x041B},
    // Windows knows no Abkhazian locale; it reports such a language as "custom, unspecified".
    {"ab-GE", CustomUnspecifiedLcid},
    {"nb-NO", 0x0414},
    {"nn-NO", 0x0814},
    {"ca-ES", 0x0403},
    {"hi-IN", 0x0439},
    // Further languages a user may run the desktop in.
    {"da-DK", 0x0406},
    {"is-IS", 0x040F},
    {"hr-HR", 0x041A},
    {"hr-BA", 0x101A},
    {"sr-Cyrl-RS", 0x281A},
    {"sr-Latn-RS", 0x241A},
    {"sr-Latn-ME", 0x2C1A},
    {"sr-Cyrl-ME", 0x301A},
    {"sr-Latn-BA", 0x181A},
    {"sr-Cyrl-BA", 0x1C1A},
    {"bs-Latn-BA", 0x141A},
    {"bs-Cyrl-BA", 0x201A},
    {"th-TH", 0x041E},
    {"ur-PK", 0x0420},
    {"id-ID", 0x0421},
    {"be-BY", 0x0423},
    {"et-EE", 0x0425},
    {"lv-LV", 0x0426},
    {"lt-LT", 0x0427},
    {"hy-AM", 0x042B},
    {"az-Latn-AZ", 0x042C},
    {"az-Cyrl-AZ", 0x082C},
    {"eu-ES", 0x042D},
    {"mk-MK", 0x042F},
    {"af-ZA", 0x0436},
    {"ka-GE", 0x0437},
    {"fo-FO", 0x0438},
    {"mt-MT", 0x043A},
    {"ga-IE", 0x083C},
    {"ms-MY", 0x043E},
    {"kk-KZ", 0x043F},
    {"sw-KE", 0x0441},
    {"uz-Latn-UZ", 0x0443},
    {"uz-Cyrl-UZ", 0x0843},
    {"bn-IN", 0x0445},
    {"bn-BD", 0x0845},
    {"pa-IN", 0x0446},
    {"gu-IN", 0x0447},
    {"ta-IN", 0x0449},
    {"te-IN", 0x044A},
    {"kn-IN", 0x044B},
    {"ml-IN", 0x044C},
    {"mr-IN", 0x044E},
    {"mn-MN", 0x0450},
    {"cy-GB", 0x0452},
    {"km-KH", 0x0453},
    {"gl-ES", 0x0456},
    {"si-LK", 0x045B},
    {"am-ET", 0x045E},
    {"ne-NP", 0x0461},
    {"fil-PH", 0x0464},
    {"xh-ZA", 0x0434},
    {"zu-ZA", 0x0435},
    {"lb-LU", 0x046E},
};

const LcidRow* findTag(const QString& tag) {
    for (const LcidRow& row : Rows)
        if (tag == QLatin1String(row.tag))
            return &row;
    return nullptr;
}

const LcidRow* findPrefix(const QString& prefix) {
    for (const LcidRow& row : Rows)
        if (QLatin1String(row.tag).startsWith(prefix))
            return &row;
    return nullptr;
}

quint16 systemUILanguage() {
    const QStringList languages = QLocale::system().uiLanguages();
    if (languages.isEmpty())
        return EnglishUnitedStatesLcid;
    return LcidForLocale(QLocale(languages.first()));
}

std::mutex sourceMutex;
std::function<quint16()> injectedSource;

} // namespace

quint16 LcidForLocale(const QLocale& locale) {
    if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage)
        return EnglishUnitedStatesLcid;
    const QString language = QLocale::languageToCode(locale.language());
    const QString script =
        locale.script() == QLocale::AnyScript ? QString() : QLocale::scriptToCode(locale.script());
    const QString country = locale.territory() == QLocale::AnyTerritory
                                ? QString()
                                : QLocale::territoryToCode(locale.territory());
    const QString withScript = language + QLatin1Char('-') + script + QLatin1Char('-');
    const QString plain = language + QLatin1Char('-');
    for (const LcidRow* row :
         {script.isEmpty() ? nullptr : findTag(withScript + country), findTag(plain + country),
          script.isEmpty() ? nullptr : findPrefix(withScript), findPrefix(plain)})
        if (row)
            return row->lcid;
    return CustomUnspecifiedLcid;
}

quint16 GetUserDefaultUILanguage() {
    std::function<quint16()> source;
    {
        const std::lock_guard lock(sourceMutex);
        source = injectedSource;
    }
    return source ? source() : systemUILanguage();
}

void SetUserDefaultUILanguageSource(std::function<quint16()> source) {
    const std::lock_guard lock(sourceMutex);
    injectedSource = std::move(source);
}
