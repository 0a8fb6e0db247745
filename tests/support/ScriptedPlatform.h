#pragma once
// Doubles of the dialog and shell layers: they record every call and answer as the test scripts,
// so no test ever waits on a modal window. Install with ScriptedPlatform (RAII).

#include "platform/Dialogs.h"
#include "platform/Shell.h"

#include <QList>
#include <QQueue>
#include <QUrl>

struct RecordedBox {
    QString text;
    QString caption;
    int flags = 0;
    QStringList buttonCaptions; // confirmations only
    bool confirmation = false;
};

class ScriptedDialogs final : public platform::IDialogs {
public:
    // Answers for the next confirmations, in order; IDNO once they run out.
    QQueue<int> nextAnswers;
    // Answers for the next file or folder pickers, in order; an empty list once they run out.
    QQueue<QStringList> nextPicks;
    QList<RecordedBox> boxes;
    QStringList exceptions;
    QStringList pickerTitles;
    int busyDepth = 0;
    int busyPushes = 0;

    void messageBox(const QString& text, const QString& caption, int flags) override {
        boxes.append({text, caption, flags, {}, false});
    }
    int captionedMessageDialog(const QString& message, platform::DialogKind,
                               const QStringList& captions, const QString& title) override {
        boxes.append({message, title, 0, captions, true});
        return nextAnswers.isEmpty() ? platform::IDNO : nextAnswers.dequeue();
    }
    void showException(const QString& message) override { exceptions.append(message); }
    // What the pickers were asked with, in order of the calls.
    QStringList pickerFilters;      // openFiles
    QStringList pickerOkCaptions;   // pickFolders
    QList<bool> pickerMultiple;     // pickFolders
    QStringList pickerStartFolders; // setPickerStartFolder
    QStringList openFiles(const QString& title, const QString& filter) override {
        pickerFilters.append(filter);
        return pick(title);
    }
    QStringList pickFolders(const QString& title, const QString& okCaption,
                            bool multiple) override {
        pickerOkCaptions.append(okCaption);
        pickerMultiple.append(multiple);
        return pick(title);
    }
    void setPickerStartFolder(const QString& folder) override { pickerStartFolders.append(folder); }
    void pushBusyCursor() override {
        ++busyDepth;
        ++busyPushes;
    }
    void popBusyCursor() override { --busyDepth; }

private:
    QStringList pick(const QString& title) {
        pickerTitles.append(title);
        return nextPicks.isEmpty() ? QStringList() : nextPicks.dequeue();
    }
};

struct ShellCall {
    QString verb; // "open", "select", "explore", "properties", "edit", "start"
    QString target;
    QStringList arguments;
    QString workingFolder; // "start" only
};

class ScriptedShell final : public platform::IShell {
public:
    QList<ShellCall> calls;
    int beeps = 0;
    bool answer = true;

    bool openUrl(const QUrl& url) override {
        return record(QStringLiteral("open"), url.toString());
    }
    bool showInFileManager(const QString& p) override {
        return record(QStringLiteral("select"), p);
    }
    bool exploreFolder(const QString& p) override { return record(QStringLiteral("explore"), p); }
    bool showProperties(const QString& p) override {
        return record(QStringLiteral("properties"), p);
    }
    bool openInTextEditor(const QString& p) override { return record(QStringLiteral("edit"), p); }
    bool startDetached(const QString& program, const QStringList& args,
                       const QString& workingFolder = {}) override {
        calls.append({QStringLiteral("start"), program, args, workingFolder});
        return answer;
    }
    void beep() override { ++beeps; }

private:
    bool record(const QString& verb, const QString& target) {
        calls.append({verb, target, {}, {}});
        return answer;
    }
};

// Installs both doubles for the lifetime of the object.
class ScriptedPlatform {
public:
    ScriptedDialogs dialogs;
    ScriptedShell shell;
    ScriptedPlatform() {
        platform::setDialogs(&dialogs);
        platform::setShell(&shell);
    }
    ~ScriptedPlatform() {
        platform::setDialogs(nullptr);
        platform::setShell(nullptr);
    }
    ScriptedPlatform(const ScriptedPlatform&) = delete;
    ScriptedPlatform& operator=(const ScriptedPlatform&) = delete;
};
