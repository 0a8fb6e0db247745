#pragma once
// Starting and ending the child on Linux: the command line split by the rules a Windows command
// line follows, posix_spawn with the pipes as its standard streams, a pidfd to wait on, and
// reaping so that no run leaves a zombie behind.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace dosprocess {

// Exit code reported while the child is still running (the platform's STILL_ACTIVE).
constexpr std::uint32_t StillActive = 259;

struct TSplitCommandLine {
    QString program;
    QStringList arguments; // argv[1..]
};

// Splits ACommandLine into program and arguments. The program is a "quoted" path or the text up
// to the first blank; an unquoted program followed by blanks is lengthened blank by blank to the
// first candidate for which AExists answers true. The arguments follow the Windows command-line
// rules: blanks separate outside quotes, 2n backslashes before a quote give n backslashes and
// toggle quoting, 2n+1 give n backslashes and a literal quote, other backslashes are literal.
TSplitCommandLine SplitCommandLine(const QString& ACommandLine,
                                   const std::function<bool(const QString&)>& AExists);
// Whether AProgram names a file we could start: a path (with '/') to an existing regular file, or
// a name found on PATH.
bool ProgramExists(const QString& AProgram);

// Windows priority-class flag to a nice increment (NORMAL_PRIORITY_CLASS gives 0).
int NiceForPriorityClass(int APriorityClass);

struct TSpawnRequest {
    QString commandLine;
    QString currentDir;           // empty: ours
    QStringList extraEnvironment; // empty: our environment unchanged
    // Our environment ("NAME=value"), read where reading it is safe (under Qt's environment
    // lock); empty: the process's environment as it is at the spawn.
    QStringList baseEnvironment;
    int priorityClass = 32;
    int stdinFd = -1;
    int stdoutFd = -1; // also the child's standard error
};

// A started child. Not copyable; the destructor kills and reaps a child still attached.
class TChildProcess {
public:
    // Starts the child; on failure returns false with the error number in AErrno.
    bool Start(const TSpawnRequest& ARequest, int& AErrno);
    ~TChildProcess();

    int Pid() const { return FPid; }
    // Readable once the child has ended; -1 when none is attached.
    int PidFd() const { return FPidFd; }
    // Reaps the child if it has ended. Returns its exit code, or StillActive while it runs.
    std::uint32_t ExitCode();
    // SIGKILL to the child alone; its end is then reported as exit code 0.
    void Kill();
    // Waits up to AMilliseconds for the child's end.
    void WaitFor(int AMilliseconds);
    // Releases the pidfd. A child that still runs is handed to the process-wide list of unattached
    // children, which is reaped later, so it never stays a zombie.
    void Release();

private:
    int FPid = -1;
    int FPidFd = -1;
    bool FReaped = false;
    bool FKilled = false;
    std::uint32_t FExitCode = StillActive;
};

// Reaps unattached children that have ended since (called at the end of every run).
void ReapUnattachedChildren();

} // namespace dosprocess
