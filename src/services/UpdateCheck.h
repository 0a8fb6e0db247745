#pragma once
// The once-per-start update check: a worker asks the maker's site for the current version, with a
// daily limit, and leaves its results for the main window, which polls for the end.

#include <QDate>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

// What the check needs to know about the running program.
struct TUpdateCheckIdentity {
    QString CompanyName;
    QString AppName;     // "Company - Product", also the store's name once hashed
    QString VersionText; // "major.minor"
};

// Results of one check. The worker writes everything else first and Finished last (release); the
// interface thread reads the rest only after it has seen Finished (acquire).
struct TUpdateResults {
    std::atomic<bool> Finished{false};
    std::atomic<bool> Notice{false};
    int SwitchValue = 1;
    QString LatestVersion;
    QString DownloadURL;
    bool Failed = false;
    QString FailureText; // entries joined by two carriage returns
    QString StorePath;   // where the update state lives, for the menu's switch
};

// The update-state store: a per-user INI file, group "Settings", every value a string. Every call
// opens the file afresh, so the worker and, after it, the interface thread can use the same path.
class TUpdateStore {
public:
    explicit TUpdateStore(QString path) : FPath(std::move(path)) {}
    // <user config folder>/<company>/<MD5 of the application name, upper-case hex>.conf
    static QString PathFor(const QString& companyName, const QString& appName);
    // Upper-case hex MD5 of the name taken as 7-bit text.
    static QString KeyName(const QString& appName);

    const QString& Path() const { return FPath; }
    // Creates the folder when missing; false when the store cannot be used.
    bool Open() const;
    QString Read(const QString& name) const;
    // The number held by the value; fallback when missing or not a number.
    int ReadInt(const QString& name, int fallback) const;
    // False when the file could not be written.
    bool Write(const QString& name, const QString& value) const;

private:
    QString FPath;
};

// The stored download address in its scrambled form, and back. Unscrambling anything that is not
// pairs of hexadecimal digits gives an empty text (a trailing odd digit is ignored).
QString ScrambleUrl(const QString& text);
QString UnscrambleUrl(const QString& scrambled);

// Today's date as the short-date text of the user's locale: the text the daily limit compares.
QString TodayText();
// Tests replace the clock and the locale's date format; empty functions restore the real ones.
void setUpdateClockForTests(std::function<QDate()> today);
void setUpdateDateFormatForTests(std::function<QString(const QDate&)> format);

// Any differing text that is a whole number once its dots are removed counts as another version.
bool IsOtherVersion(const QString& latest, const QString& running);

// The worker thread. Created running; it frees itself when it has ended.
class TChecker : public QThread {
public:
    static std::shared_ptr<TUpdateResults> Start(const TUpdateCheckIdentity& identity);
    // Asks the running check, if any, to end at once and waits up to waitMs for it. The program
    // calls it before it ends, so no check is left touching what the ending program frees.
    // Interface thread.
    static void StopRunning(int waitMs);

    TChecker(TUpdateCheckIdentity identity, std::shared_ptr<TUpdateResults> results);

    // The check itself. Runs on the worker thread (or on the calling thread when a test calls it
    // directly). Sets Finished last, on every path.
    void CheckNow();

protected:
    void run() override { Execute(); }

private:
    void Execute();
    void Record(const QString& entry);
    void ShowImportant(const QString& text);

    TUpdateCheckIdentity FIdentity;
    std::shared_ptr<TUpdateResults> FResults;
    std::atomic<bool> FCancel{false};
};
