#include "process/ChildProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace dosprocess {
namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// The argument rules of a Windows command line, applied to the text after the program.
QStringList splitArguments(QStringView s) {
    QStringList result;
    QString current;
    bool started = false;
    int quotes = 0; // 0: outside quotes, 1: inside
    int backslashes = 0;
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        if (isBlank(c) && quotes == 0) {
            if (started)
                result.append(std::exchange(current, QString()));
            started = false;
            backslashes = 0;
            ++i;
            continue;
        }
        started = true;
        if (c == u'\\') {
            current += c;
            ++backslashes;
            ++i;
        } else if (c == u'"') {
            if (backslashes % 2 == 0) {
                current.chop(backslashes / 2);
                ++quotes;
            } else {
                current.chop(backslashes / 2 + 1);
                current += u'"';
            }
            backslashes = 0;
            ++i;
            // Runs of quotes: every third one is a literal quote.
            while (i < s.size() && s[i] == u'"') {
                if (++quotes == 3) {
                    current += u'"';
                    quotes = 0;
                }
                ++i;
            }
            if (quotes == 2)
                quotes = 0;
        } else {
            current += c;
            backslashes = 0;
            ++i;
        }
    }
    if (started)
        result.append(current);
    return result;
}

std::mutex unattachedLock;
std::vector<pid_t> unattached;

} // namespace

TSplitCommandLine SplitCommandLine(const QString& ACommandLine,
                                   const std::function<bool(const QString&)>& AExists) {
    TSplitCommandLine result;
    const QStringView line(ACommandLine);
    qsizetype i = 0;
    while (i < line.size() && isBlank(line[i]))
        ++i;
    qsizetype rest = i;
    if (i < line.size() && line[i] == u'"') {
        // A quoted program ends at the next quote, whatever precedes it.
        const qsizetype close = line.indexOf(u'"', i + 1);
        const qsizetype end = close < 0 ? line.size() : close;
        result.program = line.mid(i + 1, end - i - 1).toString();
        rest = close < 0 ? line.size() : close + 1;
    } else {
        qsizetype end = i;
        while (end < line.size() && !isBlank(line[end]))
            ++end;
        result.program = line.mid(i, end - i).toString();
        rest = end;
        // Lengthen the program over blanks, shortest first, to the first text naming a file.
        for (qsizetype next = end; !AExists(result.program) && next < line.size();) {
            while (next < line.size() && isBlank(line[next]))
                ++next;
            while (next < line.size() && !isBlank(line[next]))
                ++next;
            const QString candidate = line.mid(i, next - i).toString();
            if (AExists(candidate)) {
                result.program = candidate;
                rest = next;
            }
        }
    }
    result.arguments = splitArguments(line.mid(rest));
    return result;
}

bool ProgramExists(const QString& AProgram) {
    if (AProgram.isEmpty())
        return false;
    if (AProgram.contains(u'/'))
        return QFileInfo(AProgram).isFile();
    return !QStandardPaths::findExecutable(AProgram).isEmpty();
}

int NiceForPriorityClass(int APriorityClass) {
    switch (APriorityClass) {
    case 0x40: // IDLE_PRIORITY_CLASS
        return 19;
    case 0x4000: // BELOW_NORMAL_PRIORITY_CLASS
        return 10;
    case 0x8000: // ABOVE_NORMAL_PRIORITY_CLASS
        return -5;
    case 0x80: // HIGH_PRIORITY_CLASS
        return -10;
    case 0x100: // REALTIME_PRIORITY_CLASS
        return -20;
    default:
        return 0;
    }
}

bool TChildProcess::Start(const TSpawnRequest& ARequest, int& AErrno) {
    const TSplitCommandLine split = SplitCommandLine(ARequest.commandLine, &ProgramExists);
    if (split.program.isEmpty()) {
        AErrno = ENOENT;
        return false;
    }
    // A relative path names a file seen from our folder, not from the child's new one.
    const bool isPath = split.program.contains(u'/');
    const QByteArray path =
        QFile::encodeName(isPath ? QDir::current().absoluteFilePath(split.program) : split.program);
    std::vector<QByteArray> argBytes{QFile::encodeName(split.program)};
    for (const QString& a : split.arguments)
        argBytes.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : argBytes)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<QByteArray> envBytes;
    std::vector<char*> envp;
    if (!ARequest.extraEnvironment.isEmpty() || !ARequest.baseEnvironment.isEmpty()) {
        // Ours first, then the additions; a name of ours stays in front.
        if (ARequest.baseEnvironment.isEmpty())
            for (char** e = environ; e && *e; ++e)
                envp.push_back(*e);
        for (const QString& entry : ARequest.baseEnvironment + ARequest.extraEnvironment)
            envBytes.push_back(entry.toLocal8Bit());
        for (QByteArray& e : envBytes)
            envp.push_back(e.data());
        envp.push_back(nullptr);
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ARequest.stdinFd, 0);
    posix_spawn_file_actions_adddup2(&actions, ARequest.stdoutFd, 1);
    posix_spawn_file_actions_adddup2(&actions, ARequest.stdoutFd, 2);
    const QByteArray dir = QFile::encodeName(ARequest.currentDir);
    if (!ARequest.currentDir.isEmpty())
        posix_spawn_file_actions_addchdir_np(&actions, dir.constData());
    // Whatever else is open in this process (also without close-on-exec) stays ours.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int sig : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD, SIGUSR1, SIGUSR2})
        sigaddset(&defaults, sig);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    // A session of its own: no controlling terminal, and terminal signals meant for us never
    // reach it.
    posix_spawnattr_setflags(&attr,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    char* const* const env = envp.empty() ? environ : envp.data();
    const auto spawn = [&] {
        return isPath ? posix_spawn(&pid, path.constData(), &actions, &attr, argv.data(), env)
                      : posix_spawnp(&pid, path.constData(), &actions, &attr, argv.data(), env);
    };
    int rc = 0;
    if (const int nice = NiceForPriorityClass(ARequest.priorityClass); nice != 0) {
        // The child must start at its priority, before it prints a line. A nice value belongs to
        // a thread and is inherited at spawn, and a thread cannot take back a lowered priority,
        // so a short-lived thread takes the new value and spawns. Raising needs a privilege we
        // rarely have; the child then runs as we do.
        std::thread spawner([&] {
            errno = 0;
            const int ours = ::getpriority(PRIO_PROCESS, 0);
            if (errno == 0)
                ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()),
                              std::clamp(ours + nice, -20, 19));
            rc = spawn();
        });
        spawner.join();
    } else {
        rc = spawn();
    }
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        AErrno = rc;
        return false;
    }
    FPid = pid;
    FPidFd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (FPidFd < 0) {
        AErrno = errno;
        Kill();
        WaitFor(-1);
        ExitCode();
        return false;
    }
    return true;
}

TChildProcess::~TChildProcess() {
    if (FPid > 0 && !FReaped) {
        Kill();
        WaitFor(1000);
    }
    Release();
}

std::uint32_t TChildProcess::ExitCode() {
    if (FReaped || FPid <= 0)
        return FExitCode;
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(FPid, &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == 0)
        return StillActive;
    FReaped = true;
    if (r < 0) // reaped behind our back (SIGCHLD ignored): nothing more to learn
        FExitCode = 0;
    else if (WIFEXITED(status))
        FExitCode = static_cast<std::uint32_t>(WEXITSTATUS(status));
    else if (WIFSIGNALED(status))
        FExitCode = FKilled && WTERMSIG(status) == SIGKILL
                        ? 0
                        : static_cast<std::uint32_t>(128 + WTERMSIG(status));
    else
        FExitCode = 0;
    return FExitCode;
}

void TChildProcess::Kill() {
    if (FPid <= 0 || FReaped)
        return;
    FKilled = true;
    // Still our unreaped child, so the pid cannot have been reused.
    ::kill(FPid, SIGKILL);
}

void TChildProcess::WaitFor(int AMilliseconds) {
    if (FPidFd < 0 || FReaped)
        return;
    pollfd p{FPidFd, POLLIN, 0};
    while (::poll(&p, 1, AMilliseconds) < 0 && errno == EINTR) {
    }
}

void TChildProcess::Release() {
    if (FPid > 0 && !FReaped && ExitCode() == StillActive) {
        const std::lock_guard lock(unattachedLock);
        unattached.push_back(FPid);
    }
    FReaped = true;
    if (FPidFd >= 0) {
        ::close(FPidFd);
        FPidFd = -1;
    }
}

void ReapUnattachedChildren() {
    const std::lock_guard lock(unattachedLock);
    std::erase_if(unattached, [](pid_t pid) {
        int status = 0;
        return ::waitpid(pid, &status, WNOHANG) != 0;
    });
}

} // namespace dosprocess
