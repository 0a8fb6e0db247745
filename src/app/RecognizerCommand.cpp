#include "app/RecognizerCommand.h"

#include <QFileInfo>

QString QuoteArgument(const QString& argument) {
    QString out;
    out.reserve(argument.size() + 2);
    out += QLatin1Char('"');
    qsizetype backslashes = 0;
    for (const QChar c : argument) {
        if (c == QLatin1Char('\\')) {
            ++backslashes;
            continue;
        }
        if (c == QLatin1Char('"')) {
            // 2n+1 backslashes before a quote give n backslashes and a literal quote.
            out += QString(backslashes * 2 + 1, QLatin1Char('\\'));
            out += QLatin1Char('"');
        } else {
            out += QString(backslashes, QLatin1Char('\\'));
            out += c;
        }
        backslashes = 0;
    }
    // Backslashes before the closing quote must be doubled, or they would escape it.
    out += QString(backslashes * 2, QLatin1Char('\\'));
    out += QLatin1Char('"');
    return out;
}

QString FileNameWithoutExtension(const QString& path) {
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QString FolderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return {};
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

namespace {
bool isFile(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}
} // namespace

QString NumberedFileName(const QString& path, qint64 n) {
    if (n < 2)
        return path;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString fileName = path.mid(slash + 1);
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString ext = dot < 0 ? QString() : fileName.mid(dot);
    return path.left(slash + 1) + FileNameWithoutExtension(path) + QStringLiteral(" (") +
           QString::number(n) + QLatin1Char(')') + ext;
}

QString UniqueFileName(const QString& path) {
    QString candidate = path;
    for (qint64 n = 2; isFile(candidate); ++n)
        candidate = NumberedFileName(path, n);
    return candidate;
}

QString ShortPath(const QString& path) {
    return !path.isEmpty() && QFileInfo::exists(path) ? path : QString();
}

QString OutputBase(const QString& folder, const QString& source) {
    return folder + QLatin1Char('/') + FileNameWithoutExtension(source);
}

TOutputKind OutputTypeAt(int index) {
    static const TOutputKind types[] = {
        {QStringLiteral(".lrc"), QStringLiteral(" -olrc")},
        {QStringLiteral(".srt"), QStringLiteral(" -osrt")},
        {QStringLiteral(".vtt"), QStringLiteral(" -ovtt")},
        {QStringLiteral(".txt"), QStringLiteral(" -otxt")},
    };
    return types[index >= 0 && index < 4 ? index : 0];
}

int LineLengthOf(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : 0;
}

QString BuildRecognizerCommandLine(const TRecognizerArguments& args) {
    QString line = args.Tool;
    line += QStringLiteral(" -m ") + QuoteArgument(args.Model);
    line += QStringLiteral(" -f ") + QuoteArgument(args.Input);
    line += QStringLiteral(" -l ") + args.Language;
    if (LineLengthOf(args.LineLengthText) > 0)
        line += QStringLiteral(" -ml ") + args.LineLengthText.trimmed() + QStringLiteral(" -sow");
    line += args.FormatFlag;
    line += QStringLiteral(" -of ") + QuoteArgument(args.OutputBase);
    return line;
}
