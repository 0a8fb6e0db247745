// fake_whisper_cli: a recognizer double that stands in for whisper.cpp's whisper-cli in tests.
//
// It takes the same command line as the real tool
//     -m "model" -f "input" -l auto|<code> [-ml N -sow] -olrc|-osrt|-ovtt|-otxt -of "base"
// and answers the way the application relies on: a "main: processing '<input>' (N samples,
// S sec), ..." line, segment lines "[hh:mm:ss.mmm --> hh:mm:ss.mmm]  text" on standard output,
// and the output file <base>.lrc/.srt/.vtt/.txt in the real tool's layouts (LRC with its
// "[by:whisper.cpp]" tag line). Like the real tool it fails with exit code 3 when the model file
// is missing and with 2 when the input file is missing; an unknown argument gives exit code 1.
//
// Install it as whisper/whisper-cli beside a test copy of the program (its built path is the
// macro VELTRINO_FAKE_WHISPER_CLI in every test), with any file as whisper/ggml-base.bin, since
// like the real tool it wants its model file to exist. What it does is chosen by
// "key=value" lines, read in this order (later ones win):
//   1. the control file "fake-whisper.conf" beside this executable, or instead the file named by
//      the environment variable FAKE_WHISPER_CONTROL;
//   2. the environment variable FAKE_WHISPER, keys separated by ';' ("mode=fail;delay_ms=50");
//   3. the input file itself when its first line is "#fake-whisper" (a test can then make every
//      job of a run behave differently without touching the control file).
// In a control file, "#" starts a comment line, and a line "[text]" opens a section whose keys
// apply only to inputs whose file name contains that text ("[]" returns to keys for all inputs).
//
// Keys:
//   mode=ok|fail|empty|utf8|slow|beyond|noduration   a preset; keys after it adjust it
//       ok          (default) prints the duration line and the segments, writes the output;
//                   in a section it undoes a preset chosen for all inputs
//       fail        prints an error line, writes no output, exits with 1
//       empty       writes a 0-byte output file
//       utf8        segments with non-ASCII UTF-8 text
//       slow        50 segments, 200 ms apart (for STOP)
//       beyond      one more segment ending 5 s after the reported duration
//       noduration  no "main: processing" line
//   exit=N                 exit code (after any output)
//   output=normal|none|empty
//   duration=S             seconds in the duration line; default: the length of a WAV input,
//                          otherwise 10.0
//   duration_line=yes|no
//   segment=START,END,TEXT start and end in seconds, the rest of the line is the text (the real
//                          tool's texts begin with a blank). The first segment= of a source
//                          replaces the segments so far; further ones add to the list.
//   delay_ms=N             pause before each segment line
//   line=TEXT              one more console line on standard error before the segments
//   lrc_tag=yes|no         the "[by:whisper.cpp]" line of LRC outputs
//   require_model=yes|no   fail as the real tool does when the -m file does not exist
//   args_file=PATH         append every argument received, one per line, then a line "--"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Segment {
    double start = 0;
    double end = 0;
    std::string text;
};

struct Behaviour {
    int exitCode = 0;
    std::string output = "normal";
    std::optional<double> duration;
    bool durationLine = true;
    bool segmentsGiven = false;
    std::vector<Segment> segments;
    bool beyond = false;
    bool utf8 = false;
    int slowSegments = 0;
    int delayMs = 0;
    std::vector<std::string> lines;
    bool lrcTag = true;
    bool requireModel = true;
    std::string argsFile;
    bool failMessage = false;
};

struct Arguments {
    std::string model;
    std::string input;
    std::string language = "en";
    int maxLen = 0;
    bool splitOnWord = false;
    std::vector<std::string> formats;
    std::optional<std::string> outputBase;
};

std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    const auto e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool yes(const std::string& v) {
    return v == "yes" || v == "1" || v == "true" || v == "on";
}

double toSeconds(const std::string& v) {
    std::istringstream in(v);
    in.imbue(std::locale::classic());
    double d = 0;
    in >> d;
    return d;
}

// A source (file, variable, input header) starts its own segment list on its first segment= key.
struct Source {
    Behaviour& b;
    bool segmentSeen = false;

    void apply(const std::string& key, const std::string& value) {
        if (key == "mode") {
            if (value == "ok") {
                const Behaviour defaults;
                b.exitCode = defaults.exitCode;
                b.output = defaults.output;
                b.durationLine = defaults.durationLine;
                b.beyond = b.utf8 = b.failMessage = false;
                b.slowSegments = b.delayMs = 0;
            } else if (value == "fail") {
                b.exitCode = 1;
                b.output = "none";
                b.failMessage = true;
            } else if (value == "empty") {
                b.output = "empty";
            } else if (value == "utf8") {
                b.utf8 = true;
            } else if (value == "slow") {
                b.slowSegments = 50;
                b.delayMs = 200;
            } else if (value == "beyond") {
                b.beyond = true;
            } else if (value == "noduration") {
                b.durationLine = false;
            }
        } else if (key == "exit") {
            b.exitCode = std::atoi(value.c_str());
        } else if (key == "output") {
            b.output = value;
        } else if (key == "duration") {
            b.duration = toSeconds(value);
        } else if (key == "duration_line") {
            b.durationLine = yes(value);
        } else if (key == "segment") {
            const auto c1 = value.find(',');
            const auto c2 = c1 == std::string::npos ? c1 : value.find(',', c1 + 1);
            if (c2 == std::string::npos)
                return;
            if (!segmentSeen)
                b.segments.clear();
            segmentSeen = true;
            b.segmentsGiven = true;
            b.segments.push_back({toSeconds(value.substr(0, c1)),
                                  toSeconds(value.substr(c1 + 1, c2 - c1 - 1)),
                                  value.substr(c2 + 1)});
        } else if (key == "delay_ms") {
            b.delayMs = std::atoi(value.c_str());
        } else if (key == "line") {
            b.lines.push_back(value);
        } else if (key == "lrc_tag") {
            b.lrcTag = yes(value);
        } else if (key == "require_model") {
            b.requireModel = yes(value);
        } else if (key == "args_file") {
            b.argsFile = value;
        }
    }

    // Applies "key=value" lines; [text] sections apply only when the input's name contains text.
    void applyLines(std::istream& in, const std::string& inputName) {
        bool active = true;
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const std::string t = trim(line);
            if (t.empty() || t[0] == '#')
                continue;
            if (t.front() == '[' && t.back() == ']') {
                const std::string part = t.substr(1, t.size() - 2);
                active = part.empty() || inputName.find(part) != std::string::npos;
                continue;
            }
            const auto eq = line.find('=');
            if (!active || eq == std::string::npos)
                continue;
            // The value keeps its blanks: segment texts begin with one.
            apply(trim(line.substr(0, eq)), line.substr(eq + 1));
        }
    }
};

fs::path ownFolder(const char* argv0) {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec)
        return self.parent_path();
    return fs::absolute(fs::path(argv0)).parent_path();
}

Behaviour readBehaviour(const char* argv0, const std::string& input) {
    Behaviour b;
    const std::string inputName = fs::path(input).filename().string();
    {
        const char* named = std::getenv("FAKE_WHISPER_CONTROL");
        const fs::path control =
            named && *named ? fs::path(named) : ownFolder(argv0) / "fake-whisper.conf";
        std::ifstream in(control);
        if (in) {
            Source s{b};
            s.applyLines(in, inputName);
        }
    }
    if (const char* inline_ = std::getenv("FAKE_WHISPER"); inline_ && *inline_) {
        std::string text(inline_);
        for (auto& c : text)
            if (c == ';')
                c = '\n';
        std::istringstream in(text);
        Source s{b};
        s.applyLines(in, inputName);
    }
    if (std::ifstream in(input, std::ios::binary); in) {
        std::string first;
        std::getline(in, first);
        if (trim(first) == "#fake-whisper") {
            Source s{b};
            s.applyLines(in, inputName);
        }
    }
    return b;
}

// The length of a RIFF WAV file, from its fmt and data chunks.
std::optional<double> wavDuration(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char riff[12];
    if (!in.read(riff, 12) || std::string(riff, 4) != "RIFF" || std::string(riff + 8, 4) != "WAVE")
        return std::nullopt;
    auto u32 = [](const unsigned char* p) {
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    };
    uint32_t byteRate = 0;
    unsigned char header[8];
    while (in.read(reinterpret_cast<char*>(header), 8)) {
        const std::string id(reinterpret_cast<char*>(header), 4);
        const uint32_t size = u32(header + 4);
        if (id == "fmt ") {
            unsigned char fmt[16];
            if (size < 16 || !in.read(reinterpret_cast<char*>(fmt), 16))
                return std::nullopt;
            byteRate = u32(fmt + 8);
            in.seekg(size - 16 + (size & 1), std::ios::cur);
        } else if (id == "data") {
            return byteRate ? std::optional<double>(double(size) / byteRate) : std::nullopt;
        } else {
            in.seekg(size + (size & 1), std::ios::cur);
        }
    }
    return std::nullopt;
}

std::string timestamp(double seconds, char point = '.') {
    long long ms = std::llround(seconds * 1000);
    if (ms < 0)
        ms = 0;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld%c%03lld", ms / 3600000, ms / 60000 % 60,
                  ms / 1000 % 60, point, ms % 1000);
    return buf;
}

std::string lrcTimestamp(double seconds) {
    const long long cs = std::llround(seconds * 100);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld.%02lld", cs / 6000, cs / 100 % 60, cs % 100);
    return buf;
}

std::vector<Segment> segmentsFor(const Behaviour& b, double duration) {
    std::vector<Segment> list = b.segments;
    if (!b.segmentsGiven) {
        if (b.slowSegments > 0) {
            for (int i = 0; i < b.slowSegments; ++i)
                list.push_back({duration * i / b.slowSegments, duration * (i + 1) / b.slowSegments,
                                " Segment " + std::to_string(i + 1) + "."});
        } else if (b.utf8) {
            list = {{0, duration / 3, " Grüße aus Köln, çığ düştü."},
                    {duration / 3, 2 * duration / 3, " 日本語のテキスト"},
                    {2 * duration / 3, duration, " Ça va? Ωμέγα ✓"}};
        } else {
            list = {{0, duration / 2, " Hello from the recognizer double."},
                    {duration / 2, duration, " Second segment."}};
        }
    }
    if (b.beyond)
        list.push_back({duration, duration + 5, " Beyond the end."});
    return list;
}

void writeOutput(const std::string& file, const std::string& format, const Behaviour& b,
                 const std::vector<Segment>& segments) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) {
        std::fprintf(stderr, "fout_factory::open: failed to open '%s' for writing\n", file.c_str());
        return;
    }
    std::fprintf(stderr, "output_%s: saving output to '%s'\n", format.c_str(), file.c_str());
    if (b.output == "empty")
        return;
    if (format == "lrc") {
        if (b.lrcTag)
            out << "[by:whisper.cpp]\n";
        for (const auto& s : segments)
            out << '[' << lrcTimestamp(s.start) << ']' << s.text << '\n';
    } else if (format == "srt") {
        int n = 1;
        for (const auto& s : segments)
            out << n++ << '\n'
                << timestamp(s.start, ',') << " --> " << timestamp(s.end, ',') << '\n'
                << s.text << "\n\n";
    } else if (format == "vtt") {
        out << "WEBVTT\n\n";
        for (const auto& s : segments)
            out << timestamp(s.start) << " --> " << timestamp(s.end) << '\n' << s.text << "\n\n";
    } else {
        for (const auto& s : segments)
            out << s.text << '\n';
    }
}

bool parseArguments(int argc, char** argv, Arguments& a) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto next = [&]() -> std::optional<std::string> {
            if (i + 1 < argc)
                return std::string(argv[++i]);
            return std::nullopt;
        };
        std::optional<std::string> value;
        if (arg == "-m" && (value = next()))
            a.model = *value;
        else if (arg == "-f" && (value = next()))
            a.input = *value;
        else if (arg == "-l" && (value = next()))
            a.language = *value;
        else if (arg == "-ml" && (value = next()))
            a.maxLen = std::atoi(value->c_str());
        else if (arg == "-of" && (value = next()))
            a.outputBase = *value;
        else if (arg == "-sow")
            a.splitOnWord = true;
        else if (arg == "-olrc" || arg == "-osrt" || arg == "-ovtt" || arg == "-otxt")
            a.formats.push_back(arg.substr(2));
        else {
            std::fprintf(stderr, "error: unknown argument: %s\n", arg.c_str());
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Arguments args;
    const bool parsed = parseArguments(argc, argv, args);
    const Behaviour b = readBehaviour(argv[0], args.input);

    if (!b.argsFile.empty()) {
        std::ofstream log(b.argsFile, std::ios::app | std::ios::binary);
        for (int i = 1; i < argc; ++i)
            log << argv[i] << '\n';
        log << "--\n";
    }
    if (!parsed)
        return 1;

    std::error_code ec;
    if (!fs::is_regular_file(args.input, ec)) {
        std::fprintf(stderr, "error: input file not found '%s'\n", args.input.c_str());
        std::fprintf(stderr, "error: no input files specified\n");
        return 2;
    }
    std::fprintf(stderr, "whisper_init_from_file_with_params_no_state: loading model from '%s'\n",
                 args.model.c_str());
    if (b.requireModel && !fs::is_regular_file(args.model, ec)) {
        std::fprintf(stderr, "whisper_init_from_file_with_params_no_state: failed to open '%s'\n",
                     args.model.c_str());
        std::fprintf(stderr, "error: failed to initialize whisper context\n");
        return 3;
    }
    for (const auto& line : b.lines)
        std::fprintf(stderr, "%s\n", line.c_str());

    if (b.failMessage) {
        std::fprintf(stderr, "error: failed to read audio file '%s'\n", args.input.c_str());
        std::fflush(stderr);
        return b.exitCode;
    }

    const double duration = b.duration.value_or(wavDuration(args.input).value_or(10.0));
    if (b.durationLine)
        std::fprintf(stderr,
                     "\nmain: processing '%s' (%lld samples, %.1f sec), 4 threads, 1 processors, "
                     "5 beams + best of 5, lang = %s, task = transcribe, timestamps = 1 ...\n\n",
                     args.input.c_str(), std::llround(duration * 16000), duration,
                     args.language.c_str());
    std::fflush(stderr);

    const std::vector<Segment> segments = segmentsFor(b, duration);
    for (const auto& s : segments) {
        if (b.delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(b.delayMs));
        std::printf("[%s --> %s]  %s\n", timestamp(s.start).c_str(), timestamp(s.end).c_str(),
                    s.text.c_str());
        std::fflush(stdout);
    }
    std::printf("\n");
    std::fflush(stdout);

    if (b.output != "none") {
        const std::string base = args.outputBase.value_or(args.input);
        for (const auto& format : args.formats)
            writeOutput(base + "." + format, format, b, segments);
    }
    std::fprintf(stderr, "\nwhisper_print_timings:    total time =    12.34 ms\n");
    std::fflush(stderr);
    return b.exitCode;
}
