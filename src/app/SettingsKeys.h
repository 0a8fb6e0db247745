#pragma once
// The keys of settings.ini, all in the one section, with the values the controls take when a key
// is missing or not recognised.

#include <QString>

namespace settings {

inline const QString Section = QStringLiteral("Settings");
inline const QString FileName = QStringLiteral("settings.ini");

struct Key {
    QString name;
    QString defaultValue; // empty where the default is computed at start (the Desktop folder)
};

inline const Key Destination{QStringLiteral("Destination"), QString()};
inline const Key UseSourceFolder{QStringLiteral("UseSourceFolder"), QStringLiteral("OFF")};
inline const Key MaximumLineLength{QStringLiteral("MaximumLineLength"), QStringLiteral("40")};
inline const Key OutputType{QStringLiteral("OutputType"), QStringLiteral("LRC")};
inline const Key Encoding{QStringLiteral("Encoding"), QStringLiteral("UTF8BOM")};
inline const Key ShowErrorDetails{QStringLiteral("ShowErrorDetails"), QStringLiteral("ON")};
inline const Key LanguageAutoDetect{QStringLiteral("LanguageAutoDetect"), QStringLiteral("ON")};
inline const Key Language{QStringLiteral("Language"), QStringLiteral("English [en]")};
inline const Key AIModel{QStringLiteral("AIModel"), QString()}; // the first model
inline const Key ModelName{QStringLiteral("ModelName"), QString()};

inline const QString On = QStringLiteral("ON");
inline const QString Off = QStringLiteral("OFF");

// The values written for the output types and encodings, in control order.
inline const QStringList OutputTypes{QStringLiteral("LRC"), QStringLiteral("SRT"),
                                     QStringLiteral("VTT"), QStringLiteral("TXT")};
inline const QStringList Encodings{QStringLiteral("ANSI"), QStringLiteral("UTF8"),
                                   QStringLiteral("UTF8BOM")};

// "MaximumLineLength" read as an integer: anything that is not one gives the default.
inline int lineLengthFrom(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : 40;
}

} // namespace settings
