#pragma once
// The five speech models: list caption, local file name, where it lives and what the repository
// calls it.

#include <QList>
#include <QString>

struct TModelInfo {
    QString Caption;
    QString LocalName;
    bool InWhisperFolder; // shipped beside the recognizer; otherwise in the data folder
    QString RemoteName;   // empty: not downloadable
};

const QList<TModelInfo>& ModelCatalogue();
// The repository's name for a local model file name; empty when there is none.
QString RemoteModelName(const QString& localName);
