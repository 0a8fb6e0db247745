// A console program whose behaviour the runner's tests choose through its arguments, taken as
// steps in order:
//   out:TEXT          write TEXT in one write (escapes: \r \n \t \0 \\ \xHH)
//   fill:N:C[:TEXT]   write N copies of C, then TEXT, in one write
//   wait              read standard input up to a line feed (or its end)
//   hexin:N           read N bytes of standard input, then print "in:" and their hex, LF
//   echo              copy standard input to standard output until its end
//   sleep:MS          sleep
//   flood:COUNT:WIDTH print COUNT lines of WIDTH characters, each ended by LF
//   pwd               print the working folder, LF
//   nice              print the nice value, LF
//   closein           close standard input
//   env:NAME          print the variable's value, LF
//   args              print each following argument as "arg:" and its hex, LF; ends the steps
//   exit:CODE         exit at once with CODE (the steps ending exit with 0)
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

void writeAll(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t r = ::write(1, bytes.data() + done, bytes.size() - done);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            std::exit(90);
        done += static_cast<size_t>(r);
    }
}

std::string unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        if (c == 'r')
            out += '\r';
        else if (c == 'n')
            out += '\n';
        else if (c == 't')
            out += '\t';
        else if (c == '0')
            out += '\0';
        else if (c == 'x' && i + 2 < s.size()) {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else
            out += c;
    }
    return out;
}

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// The text after "name:" when arg starts with it.
bool step(const std::string& arg, const char* name, std::string& rest) {
    const size_t n = std::strlen(name);
    if (arg.compare(0, n, name) != 0)
        return false;
    rest = arg.substr(n);
    return true;
}

std::string readStdin(size_t count, bool untilLineFeed) {
    std::string got;
    char c = 0;
    while (got.size() < count) {
        const ssize_t r = ::read(0, &c, 1);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        got += c;
        if (untilLineFeed && c == '\n')
            break;
    }
    return got;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string rest;
        if (step(arg, "out:", rest)) {
            writeAll(unescape(rest));
        } else if (step(arg, "fill:", rest)) {
            const size_t colon = rest.find(':');
            const size_t count = std::stoul(rest.substr(0, colon));
            const char c = rest.at(colon + 1);
            const std::string tail =
                rest.size() > colon + 3 ? unescape(rest.substr(colon + 3)) : "";
            writeAll(std::string(count, c) + tail);
        } else if (arg == "linger") {
            // Leaves a process behind that holds the output open and writes now and then, until
            // the reading end is gone (or a minute has passed).
            if (::fork() == 0) {
                ::signal(SIGPIPE, SIG_DFL);
                for (int tick = 0; tick < 200; ++tick) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(300));
                    if (::write(1, "tick\n", 5) != 5)
                        break;
                }
                ::_exit(0);
            }
        } else if (arg == "wait") {
            readStdin(static_cast<size_t>(-1), true);
        } else if (step(arg, "hexin:", rest)) {
            writeAll("in:" + hex(readStdin(std::stoul(rest), false)) + "\n");
        } else if (arg == "echo") {
            char buffer[4096];
            ssize_t r;
            while ((r = ::read(0, buffer, sizeof buffer)) > 0)
                writeAll(std::string(buffer, static_cast<size_t>(r)));
        } else if (step(arg, "sleep:", rest)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::stol(rest)));
        } else if (step(arg, "flood:", rest)) {
            const size_t colon = rest.find(':');
            const long count = std::stol(rest.substr(0, colon));
            const size_t width = std::stoul(rest.substr(colon + 1));
            const std::string line = std::string(width, 'x') + "\n";
            std::string block;
            for (long n = 0; n < count; ++n) {
                block += line;
                if (block.size() >= 65536) {
                    writeAll(block);
                    block.clear();
                }
            }
            writeAll(block);
        } else if (arg == "nice") {
            writeAll(std::to_string(::getpriority(PRIO_PROCESS, 0)) + "\n");
        } else if (arg == "closein") {
            ::close(0);
        } else if (arg == "pwd") {
            char buffer[4096];
            writeAll(std::string(::getcwd(buffer, sizeof buffer) ? buffer : "?") + "\n");
        } else if (step(arg, "env:", rest)) {
            const char* value = std::getenv(rest.c_str());
            writeAll(std::string(value ? value : "(unset)") + "\n");
        } else if (arg == "args") {
            for (int a = i + 1; a < argc; ++a)
                writeAll("arg:" + hex(argv[a]) + "\n");
            break;
        } else if (step(arg, "exit:", rest)) {
            return std::atoi(rest.c_str());
        } else {
            std::fprintf(stderr, "unknown step %s\n", arg.c_str());
            return 99;
        }
    }
    return 0;
}
