#include "services/UpdateCheck.h"

#include "platform/Dialogs.h"
#include "services/ServerRequests.h"
#include "services/Translation.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>

#include <cxxabi.h>
#include <mutex>
#include <typeinfo>

namespace {

const QString CheckPath = QStringLiteral("/php/check2.php");
constexpr int CheckTimeoutMs = 10000;
constexpr int RequestsPerDay = 5;
constexpr int NoticesPerDay = 3;
const QString EntrySeparator = QStringLiteral("\r\r");

// The running key of the stored address's scrambling; any fixed values serve, they only have to
// stay the same for reading back what earlier runs wrote.
constexpr quint16 ScrambleSeed = 0xA5C3;
constexpr quint16 ScrambleMul = 0x6F2B;
constexpr quint16 ScrambleAdd = 0x3C91;

quint16 nextKey(quint16 key, quint8 scrambled) {
    return static_cast<quint16>(
        (static_cast<quint32>(key + scrambled) * ScrambleMul + ScrambleAdd) & 0xFFFF);
}

std::mutex clockLock;
std::function<QDate()> todaySource;
std::function<QString(const QDate&)> formatSource;

QString typeName(const std::type_info& type) {
    int status = 0;
    char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    const QString name = QString::fromLatin1(status == 0 && demangled ? demangled : type.name());
    std::free(demangled);
    return name;
}

// A whole 32-bit number in decimal, with an optional sign: the test the version text must pass.
bool isInt32(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^[+-]?[0-9]+$"));
    if (!pattern.match(text).hasMatch())
        return false;
    bool ok = false;
    text.toInt(&ok);
    return ok;
}

} // namespace

QString TUpdateStore::KeyName(const QString& appName) {
    QByteArray ascii;
    ascii.reserve(appName.size());
    for (const QChar c : appName)
        ascii.append(c.unicode() < 128 ? char(c.unicode()) : '?');
    return QString::fromLatin1(
        QCryptographicHash::hash(ascii, QCryptographicHash::Md5).toHex().toUpper());
}

QString TUpdateStore::PathFor(const QString& companyName, const QString& appName) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (!companyName.isEmpty())
        folder += QLatin1Char('/') + companyName;
    return folder + QLatin1Char('/') + KeyName(appName) + QStringLiteral(".conf");
}

bool TUpdateStore::Open() const {
    const QFileInfo info(FPath);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    if (info.exists() && (!info.isFile() || !info.isReadable() || !info.isWritable()))
        return false;
    QSettings settings(FPath, QSettings::IniFormat);
    return settings.status() == QSettings::NoError;
}

QString TUpdateStore::Read(const QString& name) const {
    QSettings settings(FPath, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Settings"));
    return settings.value(name).toString();
}

int TUpdateStore::ReadInt(const QString& name, int fallback) const {
    const QString text = Read(name);
    return isInt32(text) ? text.toInt() : fallback;
}

bool TUpdateStore::Write(const QString& name, const QString& value) const {
    QSettings settings(FPath, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Settings"));
    settings.setValue(name, value);
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QString ScrambleUrl(const QString& text) {
    QByteArray out;
    quint16 key = ScrambleSeed;
    for (const char c : text.toUtf8()) {
        const auto scrambled = static_cast<quint8>(static_cast<quint8>(c) ^ (key >> 8));
        out.append(char(scrambled));
        key = nextKey(key, scrambled);
    }
    return QString::fromLatin1(out.toHex().toUpper());
}

QString UnscrambleUrl(const QString& scrambled) {
    // Each character is judged as it stands: a case mapping of the whole text could change its
    // length or turn a letter such as "ß" into hexadecimal digits.
    const auto digit = [](QChar c) -> int {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9')
            return u - u'0';
        if (u >= u'A' && u <= u'F')
            return u - u'A' + 10;
        if (u >= u'a' && u <= u'f')
            return u - u'a' + 10;
        return -1;
    };
    QByteArray bytes;
    quint16 key = ScrambleSeed;
    for (qsizetype i = 0; i + 1 < scrambled.size(); i += 2) {
        const int high = digit(scrambled.at(i));
        const int low = digit(scrambled.at(i + 1));
        if (high < 0 || low < 0)
            return {};
        const auto input = static_cast<quint8>(high * 16 + low);
        bytes.append(char(input ^ (key >> 8)));
        key = nextKey(key, input);
    }
    return QString::fromUtf8(bytes);
}

void setUpdateClockForTests(std::function<QDate()> today) {
    const std::lock_guard guard(clockLock);
    todaySource = std::move(today);
}

void setUpdateDateFormatForTests(std::function<QString(const QDate&)> format) {
    const std::lock_guard guard(clockLock);
    formatSource = std::move(format);
}

QString TodayText() {
    std::function<QDate()> today;
    std::function<QString(const QDate&)> format;
    {
        const std::lock_guard guard(clockLock);
        today = todaySource;
        format = formatSource;
    }
    const QDate date = today ? today() : QDate::currentDate();
    return format ? format(date) : QLocale::system().toString(date, QLocale::ShortFormat);
}

bool IsOtherVersion(const QString& latest, const QString& running) {
    if (latest == running)
        return false;
    return isInt32(QString(latest).remove(QLatin1Char('.')));
}

namespace {

// The check started last; touched on the interface thread only.
QPointer<TChecker>& runningChecker() {
    static QPointer<TChecker> checker;
    return checker;
}

} // namespace

std::shared_ptr<TUpdateResults> TChecker::Start(const TUpdateCheckIdentity& identity) {
    auto results = std::make_shared<TUpdateResults>();
    auto* checker = new TChecker(identity, results);
    connect(checker, &QThread::finished, checker, &QObject::deleteLater);
    runningChecker() = checker;
    checker->start();
    return results;
}

void TChecker::StopRunning(int waitMs) {
    TChecker* checker = runningChecker().data();
    if (!checker)
        return;
    checker->FCancel.store(true, std::memory_order_relaxed);
    // A check waiting for its "IMPORTANT" box to be shown would wait for this thread, which waits
    // for it: the bound keeps that from holding the program.
    if (checker->wait(QDeadlineTimer(waitMs)))
        delete checker; // its deleteLater may never run once the program ends
}

TChecker::TChecker(TUpdateCheckIdentity identity, std::shared_ptr<TUpdateResults> results)
    : FIdentity(std::move(identity)), FResults(std::move(results)) {}

// Runs on the worker thread.
void TChecker::Execute() {
    FResults->Finished.store(false, std::memory_order_relaxed);
    const TRequestCancelScope cancel(FCancel);
    CheckNow();
}

void TChecker::Record(const QString& entry) {
    if (!FResults->FailureText.isEmpty())
        FResults->FailureText += EntrySeparator;
    FResults->FailureText += entry;
    FResults->Failed = true;
}

// Windows are the interface thread's alone: the box is handed to it, and this thread waits until
// the user has closed it.
void TChecker::ShowImportant(const QString& text) {
    const QString caption = translate(QStringLiteral("IMPORTANT"));
    auto show = [&] { platform::dialogs().messageBox(text, caption, platform::MB_ICONWARNING); };
    QCoreApplication* app = QCoreApplication::instance();
    // A program on its way out has nobody to show the box to.
    if (!app || FCancel.load(std::memory_order_relaxed))
        return;
    if (QThread::currentThread() == app->thread())
        show();
    else
        QMetaObject::invokeMethod(app, show, Qt::BlockingQueuedConnection);
}

// Runs on the worker thread.
void TChecker::CheckNow() {
    TUpdateResults& r = *FResults;
    // However the check ends, the main window must see it end.
    struct FinishGuard {
        TUpdateResults& results;
        ~FinishGuard() { results.Finished.store(true, std::memory_order_release); }
    } finish{r};

    try {
        r.FailureText.clear();
        r.Failed = false;

        QString storePath;
        try {
            storePath = TUpdateStore::PathFor(FIdentity.CompanyName, FIdentity.AppName);
        } catch (...) {
            Record(QStringLiteral("Error: MD5 generate problem!"));
        }
        r.StorePath = storePath;

        QString guid;
        try {
            guid = ReadMachineGuid();
        } catch (...) {
            Record(QStringLiteral("Error: GUID generate problem!"));
        }

        const TUpdateStore store(storePath);
        if (storePath.isEmpty() || !store.Open())
            Record(QStringLiteral("Error: Registry open problem!"));

        const QString today = TodayText();
        const QString previousDate = store.Read(QStringLiteral("LastUpdateCheck"));
        int dayCount = store.ReadInt(QStringLiteral("LastUpdateCheckCount"), 0);
        const QString installed = store.Read(QStringLiteral("InstalledVersion"));

        int howMany = qMax(0, store.ReadInt(QStringLiteral("HowMany"), 0));
        if (installed != FIdentity.VersionText)
            howMany = 0;
        ++howMany;
        store.Write(QStringLiteral("HowMany"), QString::number(howMany));
        store.Write(QStringLiteral("InstalledVersion"), FIdentity.VersionText);

        r.DownloadURL = UnscrambleUrl(store.Read(QStringLiteral("CurrentURL")));
        r.SwitchValue = store.ReadInt(QStringLiteral("ShowUpdate"), 1);

        if (r.SwitchValue == 0)
            return;
        if (previousDate == today && dayCount >= RequestsPerDay)
            return;

        dayCount = previousDate == today ? dayCount + 1 : 1;
        store.Write(QStringLiteral("LastUpdateCheck"), today);
        store.Write(QStringLiteral("LastUpdateCheckCount"), QString::number(dayCount));

        try {
            QStringList form{QStringLiteral("cmd=check"),
                             QStringLiteral("appname=") + FIdentity.AppName,
                             QStringLiteral("version=") + FIdentity.VersionText,
                             QStringLiteral("os=") + OSDescription()};
            try {
                form.append(QStringLiteral("local=") + LocaleName2());
            } catch (...) {
                Record(QStringLiteral("Error: LocaleName2 problem!"));
            }
            form.append(QStringLiteral("guid=") + guid);
            form.append(QStringLiteral("howmany=") + QString::number(howMany));

            QString reply;
            try {
                bool secureFailed = false;
                reply = PostFormWithFallback(
                    CheckPath, form, CheckTimeoutMs, [this, &secureFailed](const QString& message) {
                        secureFailed = true;
                        Record(QStringLiteral("HTTPS Response:\r") + message);
                    });
                // A reply over plain HTTP after a failed secure attempt wipes the whole record; a
                // secure reply keeps what went wrong before it, and is then not taken.
                if (secureFailed) {
                    r.FailureText.clear();
                    r.Failed = false;
                }
            } catch (const EHttpError& e) {
                Record(QStringLiteral("HTTP Response:\r") + e.message());
            }

            static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
            const QStringList lines = reply.split(lineBreak);
            const auto line = [&lines](int number) {
                return number <= lines.size() ? lines[number - 1] : QString();
            };
            if (reply.startsWith(QLatin1String("ERROR")))
                Record(QStringLiteral("INVALIDSERVERRESPONSE"));
            if (!r.Failed) {
                const QString result = ReplyElement(line(4), QStringLiteral("result"));
                if (result != QLatin1String("0") && result != QLatin1String("1"))
                    Record(QStringLiteral("INVALIDSERVERRESPONSE"));
            }
            if (!r.Failed) {
                r.LatestVersion = ReplyElement(line(1), QStringLiteral("version"));
                store.Write(QStringLiteral("CurrentVersion"), r.LatestVersion);
                r.DownloadURL = ReplyElement(line(2), QStringLiteral("url"));
                store.Write(QStringLiteral("CurrentURL"), ScrambleUrl(r.DownloadURL));
                const QString important = ReplyElement(line(6), QStringLiteral("important"));
                if (!important.trimmed().isEmpty())
                    ShowImportant(important);
                if (IsOtherVersion(r.LatestVersion, FIdentity.VersionText) && r.SwitchValue == 1 &&
                    (previousDate != today || dayCount <= NoticesPerDay))
                    r.Notice.store(true, std::memory_order_relaxed);
            }
        } catch (const Exception& e) {
            Record(typeName(typeid(e)) + QStringLiteral(" Error:\r") + e.message());
        } catch (const std::exception& e) {
            Record(typeName(typeid(e)) + QStringLiteral(" Error:\r") + QString::fromUtf8(e.what()));
        }
    } catch (const std::exception& e) {
        Record(typeName(typeid(e)) + QStringLiteral(" Error:\r") + QString::fromUtf8(e.what()));
    } catch (...) {
        Record(QStringLiteral("Error: unexpected failure"));
    }
}
