#include "app/IniStore.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>

TIniStore::TIniStore(QString fileName) : FFileName(std::move(fileName)) {
    QFile file(FFileName);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly))
        throw EIniStoreError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(FFileName, file.errorString()));
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        throw EIniStoreError(
            QStringLiteral("No mapping for the Unicode character exists in the target "
                           "multi-byte code page"));
    parse(text);
}

TIniStore TIniStore::Empty(QString fileName) {
    TIniStore store;
    store.FFileName = std::move(fileName);
    return store;
}

void TIniStore::parse(const QString& text) {
    Section* current = nullptr;
    QString normalized = text;
    normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalized.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const auto lines = QStringView(normalized).split(QLatin1Char('\n'));
    for (QStringView line : lines) {
        const QStringView trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')))
            continue;
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            const QString name = trimmed.mid(1, trimmed.size() - 2).trimmed().toString();
            current = nullptr;
            for (Section& s : FSections)
                if (s.name.compare(name, Qt::CaseInsensitive) == 0)
                    current = &s;
            if (!current) {
                FSections.append(Section{name, {}});
                current = &FSections.last();
            }
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!current || eq < 0)
            continue;
        const QString key = line.left(eq).trimmed().toString();
        const QString value = line.mid(eq + 1).toString();
        const bool present =
            std::any_of(current->entries.cbegin(), current->entries.cend(), [&](const Entry& e) {
                return e.key.compare(key, Qt::CaseInsensitive) == 0;
            });
        if (!present) // the first line of a key wins
            current->entries.append(Entry{key, value});
    }
}

const TIniStore::Entry* TIniStore::find(const QString& section, const QString& key) const {
    for (const Section& s : FSections) {
        if (s.name.compare(section, Qt::CaseInsensitive) != 0)
            continue;
        for (const Entry& e : s.entries)
            if (e.key.compare(key, Qt::CaseInsensitive) == 0)
                return &e;
    }
    return nullptr;
}

QString TIniStore::ReadString(const QString& section, const QString& key,
                              const QString& defaultValue) const {
    const Entry* e = find(section, key);
    return e ? e->value : defaultValue;
}

bool TIniStore::ValueExists(const QString& section, const QString& key) const {
    return find(section, key) != nullptr;
}

bool TIniStore::WriteString(const QString& section, const QString& key, const QString& value) {
    Section* target = nullptr;
    for (Section& s : FSections)
        if (s.name.compare(section, Qt::CaseInsensitive) == 0)
            target = &s;
    if (!target) {
        FSections.append(Section{section, {}});
        target = &FSections.last();
    }
    bool found = false;
    for (Entry& e : target->entries)
        if (e.key.compare(key, Qt::CaseInsensitive) == 0) {
            e.value = value;
            found = true;
            break;
        }
    if (!found)
        target->entries.append(Entry{key, value});
    return UpdateFile();
}

bool TIniStore::UpdateFile() {
    QString text;
    for (const Section& s : FSections) {
        if (!text.isEmpty())
            text += QStringLiteral("\r\n");
        text += QLatin1Char('[') + s.name + QStringLiteral("]\r\n");
        for (const Entry& e : s.entries)
            text += e.key + QLatin1Char('=') + e.value + QStringLiteral("\r\n");
    }
    // A new file renamed over the old one: a crash or a full disk never leaves half a file.
    QSaveFile file(FFileName);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok)
        ok = file.write("\xEF\xBB\xBF", 3) == 3 && file.write(text.toUtf8()) >= 0;
    if (ok)
        ok = file.commit();
    else
        file.cancelWriting();
    if (!ok && OnWriteError)
        OnWriteError(file.errorString());
    return ok;
}
