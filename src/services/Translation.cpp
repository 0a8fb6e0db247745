#include "services/Translation.h"

#include "platform/Paths.h"
#include "services/Lcid.h"
#include "services/TextLines.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <memory>
#include <mutex>

namespace {

struct LanguageState {
    QString folder;
    QStringList list;
    QString name;
    QString path;
    QStringList lines;
};

// Readers copy the pointer under the lock and then read the state without it; a load publishes a
// whole new state, so a reader never sees one half built.
std::mutex stateMutex;
std::shared_ptr<const LanguageState> currentState;

std::shared_ptr<const LanguageState> snapshot() {
    const std::lock_guard lock(stateMutex);
    return currentState;
}

void publish(std::shared_ptr<const LanguageState> state) {
    const std::lock_guard lock(stateMutex);
    currentState = std::move(state);
}

const QLatin1String LanguageFileSuffix(".lang.txt");

// Trims characters with codes up to 32 at both ends (blanks and control characters).
QString trimLow(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

// The mapping file's encoding: the one its byte-order mark names, else the locale's.
QStringConverter::Encoding mappingEncoding(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QStringConverter::Utf8;
    if (bytes.startsWith("\xFF\xFE"))
        return QStringConverter::Utf16LE;
    if (bytes.startsWith("\xFE\xFF"))
        return QStringConverter::Utf16BE;
    return QStringConverter::System;
}

QStringList readMappingLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {};
    // The decoder drops the byte-order mark itself.
    QStringDecoder decoder(mappingEncoding(bytes));
    return SplitTextLines(decoder.decode(bytes));
}

// The file name LanguageCodes.csv gives for the identifier; empty when it names none.
QString mappedFileName(const QString& mappingPath, const QString& identifier) {
    for (const QString& line : readMappingLines(mappingPath)) {
        const qsizetype comma = line.indexOf(QLatin1Char(','));
        if (comma < 0)
            continue;
        if (trimLow(line.left(comma)) == identifier)
            return trimLow(line.mid(comma + 1));
    }
    return {};
}

// ASCII letters folded to lower case, every other character compared as it is.
bool equalsAsciiFolded(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a.at(i).unicode();
        char16_t y = b.at(i).unicode();
        if (x >= u'A' && x <= u'Z')
            x = char16_t(x + 32);
        if (y >= u'A' && y <= u'Z')
            y = char16_t(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

QStringList listLanguageFiles(const QString& folder) {
    QStringList names;
    // The mask matches without regard to case, as the file mask of the original platform does.
    QDirIterator it(folder, {QStringLiteral("*lang.txt")},
                    QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        names.append(it.fileName());
    }
    return names;
}

QStringList readLanguageLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ELanguageFileError(QStringLiteral("Cannot open file \"%1\". %2")
                                     .arg(QDir::toNativeSeparators(path), file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw ELanguageFileError(QStringLiteral("Cannot read file \"%1\". %2")
                                     .arg(QDir::toNativeSeparators(path), file.errorString()));
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    return SplitTextLines(QString::fromUtf8(bytes));
}

} // namespace

QString translate(const QString& text) {
    const std::shared_ptr<const LanguageState> state = snapshot();
    if (!state || state->path.isEmpty())
        return text;
    const QString key = QLatin1Char('{') + text + QLatin1Char('}');
    for (const QString& line : state->lines) {
        if (!line.startsWith(key))
            continue;
        // The translation starts right after the key's own "}", so a key holding "}" still works.
        const QString translation = line.mid(key.size());
        return translation.isEmpty() ? text : translation;
    }
    return text;
}

void LoadLanguageFile(const QString& name) {
    LoadLanguageFileFrom(platform::programFolder() + QStringLiteral("Languages"), name);
}

void LoadLanguageFileFrom(const QString& languagesFolder, const QString& name) {
    auto state = std::make_shared<LanguageState>();
    state->folder = languagesFolder;
    if (!QFileInfo(languagesFolder).isDir()) {
        publish(std::move(state));
        return;
    }
    state->list = listLanguageFiles(languagesFolder);

    const QString separator = QStringLiteral("/");
    QString chosen = name;
    const QString mappingPath = languagesFolder + separator + QStringLiteral("LanguageCodes.csv");
    if (trimLow(chosen).isEmpty() && QFileInfo(mappingPath).isFile()) {
        const QString wanted =
            mappedFileName(mappingPath, QString::number(GetUserDefaultUILanguage()));
        chosen.clear();
        for (const QString& entry : std::as_const(state->list)) {
            if (equalsAsciiFolded(entry, wanted)) {
                chosen = entry;
                break;
            }
        }
    }

    const QString path = languagesFolder + separator + chosen;
    if (chosen.isEmpty() || !QFileInfo(path).isFile()) {
        publish(std::move(state));
        return;
    }
    const qsizetype cut = chosen.indexOf(LanguageFileSuffix);
    state->name = cut < 0 ? QString() : chosen.left(cut);
    state->path = path;
    try {
        state->lines = readLanguageLines(path);
    } catch (const ELanguageFileError&) {
        publish(std::move(state));
        throw;
    }
    publish(std::move(state));
}

QString LanguagesFolder() {
    const auto state = snapshot();
    return state ? state->folder : QString();
}

QStringList LanguageList() {
    const auto state = snapshot();
    return state ? state->list : QStringList();
}

QString CurrentLanguageName() {
    const auto state = snapshot();
    return state ? state->name : QString();
}

QString CurrentLanguagePath() {
    const auto state = snapshot();
    return state ? state->path : QString();
}

QString LocaleName2For(const QLocale& locale) {
    const QString xx = QStringLiteral("xx");
    if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage ||
        locale.territory() == QLocale::AnyTerritory)
        return xx;
    const QString language = QLocale::languageToCode(locale.language());
    const QString country = QLocale::territoryToCode(locale.territory());
    if (language.isEmpty() || country.isEmpty())
        return xx;
    return language + QLatin1Char('-') + country;
}

QString LocaleName2() {
    return LocaleName2For(QLocale::system());
}
