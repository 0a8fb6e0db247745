#pragma once
// The settings file's in-memory copy: an INI text read as UTF-8 and written back whole, with a
// byte-order mark and CR LF line ends, after every change. Section and key names compare without
// regard to case; values are kept and compared exactly.

#include <QList>
#include <QString>

#include <functional>

#include "platform/Exception.h"

class EIniStoreError : public Exception {
public:
    using Exception::Exception;
};

class TIniStore {
public:
    // Opens fileName; a missing file gives an empty store. Raises EIniStoreError when the file
    // exists but cannot be read or is not valid UTF-8.
    explicit TIniStore(QString fileName);
    // A store that starts empty whatever the file holds; writes still go to fileName.
    static TIniStore Empty(QString fileName);

    const QString& FileName() const { return FFileName; }

    QString ReadString(const QString& section, const QString& key,
                       const QString& defaultValue) const;
    bool ValueExists(const QString& section, const QString& key) const;

    // Sets the value and writes the whole store back at once. Returns false when the file could
    // not be written; the value stays in memory either way and OnWriteError hears why.
    bool WriteString(const QString& section, const QString& key, const QString& value);

    // Writes the store back (atomically: a new file renamed over the old one).
    bool UpdateFile();

    std::function<void(const QString& reason)> OnWriteError;

private:
    TIniStore() = default;

    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        QList<Entry> entries;
    };

    void parse(const QString& text);
    const Entry* find(const QString& section, const QString& key) const;

    QString FFileName;
    QList<Section> FSections;
};
