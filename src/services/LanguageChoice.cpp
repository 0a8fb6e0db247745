#include "services/LanguageChoice.h"

#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

const QHash<QString, QString>& flagNames() {
    static const QHash<QString, QString> names{
        {QStringLiteral("English"), QStringLiteral("english")},
        {QStringLiteral("German"), QStringLiteral("de")},
        {QStringLiteral("French"), QStringLiteral("fr")},
        {QStringLiteral("Turkish"), QStringLiteral("tr")},
        {QStringLiteral("Albanian"), QStringLiteral("al")},
        {QStringLiteral("Arabic"), QStringLiteral("sa")},
        {QStringLiteral("Bulgarian"), QStringLiteral("bg")},
        {QStringLiteral("ChineseSimplified"), QStringLiteral("cn")},
        {QStringLiteral("ChineseTraditional"), QStringLiteral("tw")},
        {QStringLiteral("Czech"), QStringLiteral("cz")},
        {QStringLiteral("Dutch"), QStringLiteral("nl")},
        {QStringLiteral("Finnish"), QStringLiteral("fi")},
        {QStringLiteral("Greek"), QStringLiteral("gr")},
        {QStringLiteral("Hebrew"), QStringLiteral("il")},
        {QStringLiteral("Hungarian"), QStringLiteral("hu")},
        {QStringLiteral("Italian"), QStringLiteral("it")},
        {QStringLiteral("Catalan"), QStringLiteral("ca")},
        {QStringLiteral("Japanese"), QStringLiteral("jp")},
        {QStringLiteral("Korean"), QStringLiteral("kr")},
        {QStringLiteral("Persian"), QStringLiteral("ir")},
        {QStringLiteral("Polish"), QStringLiteral("pl")},
        {QStringLiteral("PortugueseBrazil"), QStringLiteral("br")},
        {QStringLiteral("PortuguesePortugal"), QStringLiteral("pt")},
        {QStringLiteral("Romanian"), QStringLiteral("ro")},
        {QStringLiteral("Russian"), QStringLiteral("ru")},
        {QStringLiteral("Slovenian"), QStringLiteral("si")},
        {QStringLiteral("Spanish"), QStringLiteral("es")},
        {QStringLiteral("Swedish"), QStringLiteral("se")},
        {QStringLiteral("Ukrainian"), QStringLiteral("ua")},
        {QStringLiteral("Vietnamese"), QStringLiteral("vi")},
        {QStringLiteral("Slovak"), QStringLiteral("sk")},
        {QStringLiteral("Abkhazian"), QStringLiteral("ab")},
        {QStringLiteral("Norwegian"), QStringLiteral("no")},
        {QStringLiteral("Hindi"), QStringLiteral("in")},
    };
    return names;
}

bool isBlankOrControl(QChar c) {
    return c.unicode() <= 32;
}

QString trimmedOfControls(const QString& s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlankOrControl(s.at(begin)))
        ++begin;
    while (end > begin && isBlankOrControl(s.at(end - 1)))
        --end;
    return s.mid(begin, end - begin);
}

// Lines split at CR LF, LF or CR.
QStringList textLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

} // namespace

QString FlagImageName(const QString& language) {
    return flagNames().value(language, QStringLiteral("xx"));
}

QString TranslatorsText(const QString& languagesFolder, const QString& language) {
    if (language == QStringLiteral("English"))
        return QStringLiteral("Kestrane");
    QFile file(languagesFolder + QLatin1Char('/') + language + QStringLiteral(".lang.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringDecoder decoder(QStringConverter::Utf8);
    const QString text = decoder(file.readAll());
    const QString key = QStringLiteral("{INFO:Translated By}");
    for (const QString& line : textLines(text))
        if (line.startsWith(key))
            return line.mid(line.indexOf(u'}') + 1);
    return QStringLiteral("INFO:Translated By");
}

QStringList TranslatorLines(const QString& text) {
    QStringList lines;
    if (text.isEmpty())
        return lines;
    for (const QString& piece : text.split(QLatin1Char(',')))
        lines.append(trimmedOfControls(piece));
    return lines;
}

QString ShellQuote(const QString& path) {
    QString quoted = path;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QStringList RestartScriptLines(const QString& executablePath) {
    return {QStringLiteral("#!/bin/sh"),
            QStringLiteral("# This file was created automatically to restart the program."),
            QStringLiteral("# It is safe to delete this file."), QStringLiteral("sleep 1"),
            ShellQuote(executablePath)};
}

QString WriteRestartScript(const QString& dataFolder, const QString& executablePath) {
    const QString path = dataFolder + QStringLiteral("start.sh");
    QStringEncoder encoder(QStringConverter::System);
    QByteArray bytes;
    for (const QString& line : RestartScriptLines(executablePath))
        bytes += encoder(line) + '\n';
    // Written beside and renamed into place, so an earlier script (or a link in its place) is
    // replaced, never written through.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw ERestartScriptError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
    return path;
}
