#include "FormServer.h"
#include "ScriptedPlatform.h"
#include "TestEnvironment.h"
#include "platform/Curl.h"
#include "services/ServerRequests.h"
#include "services/Site.h"
#include "services/UpdateCheck.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

namespace {

const TUpdateCheckIdentity identity{QStringLiteral("Kestrane"),
                                    QStringLiteral("Kestrane - Veltrino"), QStringLiteral("1.1")};

QString replyText(const QString& version, const QString& url,
                  const QString& result = QStringLiteral("1"), const QString& important = {}) {
    return QStringLiteral("<version>%1</version>\r\n<url>%2</url>\r\n<notes>n</"
                          "notes>\r\n<result>%3</result>\r\n"
                          "<date>d</date>\r\n<important>%4</important>\r\n\r\n")
        .arg(version, url, result, important);
}

// Checks that the box arrives on the interface thread while the check is still waiting for it.
class WatchingDialogs final : public platform::IDialogs {
public:
    std::shared_ptr<TUpdateResults> results;
    QStringList seen;
    void messageBox(const QString& text, const QString& caption, int flags) override {
        const bool onInterfaceThread = QThread::currentThread() == qApp->thread();
        const bool checkStillRunning = results && !results->Finished.load();
        seen.append(QStringLiteral("%1|%2|%3|%4|%5")
                        .arg(text, caption)
                        .arg(flags)
                        .arg(onInterfaceThread)
                        .arg(checkStillRunning));
    }
    int captionedMessageDialog(const QString&, platform::DialogKind, const QStringList&,
                               const QString&) override {
        return platform::IDNO;
    }
    void showException(const QString&) override {}
    QStringList openFiles(const QString&, const QString&) override { return {}; }
    QStringList pickFolders(const QString&, const QString&, bool) override { return {}; }
    void pushBusyCursor() override {}
    void popBusyCursor() override {}
};

} // namespace

class TestUpdateCheck : public QObject {
    Q_OBJECT
    std::unique_ptr<FormServer> server;
    QTemporaryDir machineDir;
    QDate today{2026, 3, 14};

    QString storePath() const {
        return TUpdateStore::PathFor(identity.CompanyName, identity.AppName);
    }
    TUpdateStore store() const { return TUpdateStore(storePath()); }
    QString todayText() const { return TodayText(); }

    void presetStore(const QList<QPair<QString, QString>>& values) {
        QDir().mkpath(QFileInfo(storePath()).absolutePath());
        for (const auto& [name, value] : values)
            QVERIFY(store().Write(name, value));
    }

    std::shared_ptr<TUpdateResults> runCheck() {
        auto results = std::make_shared<TUpdateResults>();
        TChecker checker(identity, results);
        checker.CheckNow();
        return results;
    }

    // Requests that reached either server during the last check.
    QList<ReceivedRequest> sent() { return server->requestsSoFar(); }

private Q_SLOTS:
    void initTestCase() {
        server = StartTrustedFormServer();
        QVERIFY(server);
        QFile id(machineDir.filePath(QStringLiteral("machine-id")));
        QVERIFY(id.open(QIODevice::WriteOnly));
        id.write("00112233445566778899aabbccddeeff\n");
        id.close();
        setMachineIdFileForTests(id.fileName());
        setUpdateClockForTests([this] { return today; });
        setUpdateDateFormatForTests(
            [](const QDate& d) { return d.toString(QStringLiteral("dd.MM.yyyy")); });
    }
    void cleanupTestCase() {
        setUpdateClockForTests({});
        setUpdateDateFormatForTests({});
        setMachineIdFileForTests({});
        platform::setExtraCaFile({});
        setSiteHostsForTests({}, {});
        server.reset();
    }
    void init() {
        today = QDate(2026, 3, 14);
        setUpdateDateFormatForTests(
            [](const QDate& d) { return d.toString(QStringLiteral("dd.MM.yyyy")); });
        setSiteHostsForTests(server->httpsHost(), server->httpHost());
        QFile::remove(storePath());
        QVERIFY(server->setReply(
            QStringLiteral("https"), 200,
            replyText(QStringLiteral("1.2"), QStringLiteral("https://dl.example/v"))));
        QVERIFY(server->setReply(QStringLiteral("http"), 200, QStringLiteral("wrong transport")));
        server->clearRequests();
    }

    void storeIsAnIniFileNamedByTheDigest() {
        const QString digest = QString::fromLatin1(
            QCryptographicHash::hash("Kestrane - Veltrino", QCryptographicHash::Md5)
                .toHex()
                .toUpper());
        const QString config =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        QVERIFY(config.startsWith(testenv::home()) || config.startsWith(QDir::tempPath()));
        QCOMPARE(storePath(),
                 config + QStringLiteral("/Kestrane/") + digest + QStringLiteral(".conf"));
        runCheck();
        QSettings raw(storePath(), QSettings::IniFormat);
        QCOMPARE(raw.value(QStringLiteral("Settings/HowMany")).toString(), QStringLiteral("1"));
    }

    void firstStartOnACleanStore() {
        const auto r = runCheck();
        QVERIFY(r->Finished.load());
        QVERIFY2(!r->Failed, qPrintable(r->FailureText));
        QCOMPARE(r->SwitchValue, 1);
        QVERIFY(r->Notice.load());
        QCOMPARE(r->LatestVersion, QStringLiteral("1.2"));
        QCOMPARE(r->DownloadURL, QStringLiteral("https://dl.example/v"));
        QCOMPARE(store().Read(QStringLiteral("HowMany")), QStringLiteral("1"));
        QCOMPARE(store().Read(QStringLiteral("InstalledVersion")), QStringLiteral("1.1"));
        QCOMPARE(store().Read(QStringLiteral("LastUpdateCheck")), todayText());
        QCOMPARE(store().Read(QStringLiteral("LastUpdateCheckCount")), QStringLiteral("1"));
        QCOMPARE(store().Read(QStringLiteral("CurrentVersion")), QStringLiteral("1.2"));
        QCOMPARE(store().Read(QStringLiteral("CurrentURL")),
                 ScrambleUrl(QStringLiteral("https://dl.example/v")));
        QVERIFY(store().Read(QStringLiteral("ShowUpdate")).isEmpty());

        const auto got = sent();
        QCOMPARE(got.size(), 1);
        QCOMPARE(got[0].scheme, QStringLiteral("https"));
        QCOMPARE(got[0].path, QStringLiteral("/php/check2.php"));
        const auto fields = got[0].fields();
        QStringList names;
        for (const auto& f : fields)
            names.append(f.first);
        QCOMPARE(names,
                 QStringList({"cmd", "appname", "version", "os", "local", "guid", "howmany"}));
        QCOMPARE(fields[0].second, QStringLiteral("check"));
        QCOMPARE(fields[1].second, QStringLiteral("Kestrane - Veltrino"));
        QCOMPARE(fields[2].second, QStringLiteral("1.1"));
        QCOMPARE(fields[3].second, OSDescription());
        QCOMPARE(fields[5].second, ReadMachineGuid());
        QVERIFY(!fields[5].second.isEmpty());
        QCOMPARE(fields[6].second, QStringLiteral("1"));
    }

    void versionComparison_data() {
        QTest::addColumn<QString>("latest");
        QTest::addColumn<bool>("notice");
        QTest::newRow("1.10 against 1.1") << "1.10" << true;
        QTest::newRow("older 0.9") << "0.9" << true;
        QTest::newRow("same") << "1.1" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("1.2-beta") << "1.2-beta" << false;
        QTest::newRow("too large") << "99999.99999" << false;
    }
    void versionComparison() {
        QFETCH(QString, latest);
        QFETCH(bool, notice);
        QVERIFY(server->setReply(QStringLiteral("https"), 200,
                                 replyText(latest, QStringLiteral("https://x/"))));
        const auto r = runCheck();
        QVERIFY2(!r->Failed, qPrintable(r->FailureText));
        QCOMPARE(r->LatestVersion, latest);
        QCOMPARE(r->Notice.load(), notice);
        QCOMPARE(store().Read(QStringLiteral("CurrentVersion")), latest);
    }

    void isOtherVersion_data() {
        QTest::addColumn<QString>("latest");
        QTest::addColumn<QString>("running");
        QTest::addColumn<bool>("other");
        QTest::newRow("1.10") << "1.10"
                              << "1.1" << true;
        QTest::newRow("0.9") << "0.9"
                             << "1.0" << true;
        QTest::newRow("case-sensitive equal") << "1.0"
                                              << "1.0" << false;
        QTest::newRow("dots only") << "..."
                                   << "1.0" << false;
        QTest::newRow("blank inside") << "1. 2"
                                      << "1.0" << false;
        QTest::newRow("beta") << "1.2-beta"
                              << "1.0" << false;
        QTest::newRow("signed") << "-1.2"
                                << "1.0" << true;
    }
    void isOtherVersion() {
        QFETCH(QString, latest);
        QFETCH(QString, running);
        QFETCH(bool, other);
        QCOMPARE(IsOtherVersion(latest, running), other);
    }

    void dailyLimit_data() {
        QTest::addColumn<QString>("storedDate"); // "today" or a text
        QTest::addColumn<int>("storedCount");
        QTest::addColumn<bool>("requestSent");
        QTest::addColumn<bool>("notice");
        QTest::addColumn<int>("countAfter");
        QTest::newRow("second start") << "today" << 1 << true << true << 2;
        QTest::newRow("third start") << "today" << 2 << true << true << 3;
        QTest::newRow("fourth start") << "today" << 3 << true << false << 4;
        QTest::newRow("fifth start") << "today" << 4 << true << false << 5;
        QTest::newRow("sixth start") << "today" << 5 << false << false << 5;
        QTest::newRow("new day after a full one") << "13.03.2026" << 5 << true << true << 1;
        QTest::newRow("other date format") << "3/14/26" << 5 << true << true << 1;
    }
    void dailyLimit() {
        QFETCH(QString, storedDate);
        QFETCH(int, storedCount);
        QFETCH(bool, requestSent);
        QFETCH(bool, notice);
        QFETCH(int, countAfter);
        presetStore({{QStringLiteral("LastUpdateCheck"),
                      storedDate == QLatin1String("today") ? todayText() : storedDate},
                     {QStringLiteral("LastUpdateCheckCount"), QString::number(storedCount)},
                     {QStringLiteral("InstalledVersion"), QStringLiteral("1.1")},
                     {QStringLiteral("HowMany"), QStringLiteral("4")}});
        const auto r = runCheck();
        QVERIFY(r->Finished.load());
        QCOMPARE(sent().size(), requestSent ? 1 : 0);
        QCOMPARE(r->Notice.load(), notice);
        QCOMPARE(store().Read(QStringLiteral("LastUpdateCheckCount")), QString::number(countAfter));
        // Every start counts, a request or not.
        QCOMPARE(store().Read(QStringLiteral("HowMany")), QStringLiteral("5"));
    }

    void dateFormatChangeRestartsTheDay() {
        presetStore({{QStringLiteral("LastUpdateCheck"), todayText()},
                     {QStringLiteral("LastUpdateCheckCount"), QStringLiteral("5")}});
        setUpdateDateFormatForTests(
            [](const QDate& d) { return d.toString(QStringLiteral("yyyy-MM-dd")); });
        const auto r = runCheck();
        QCOMPARE(sent().size(), 1);
        QVERIFY(r->Notice.load());
        QCOMPARE(store().Read(QStringLiteral("LastUpdateCheck")), QStringLiteral("2026-03-14"));
        QCOMPARE(store().Read(QStringLiteral("LastUpdateCheckCount")), QStringLiteral("1"));
    }

    void notificationSwitch_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("switchValue");
        QTest::addColumn<bool>("requestSent");
        QTest::addColumn<bool>("notice");
        QTest::newRow("0") << "0" << 0 << false << false;
        QTest::newRow("1") << "1" << 1 << true << true;
        QTest::newRow("2") << "2" << 2 << true << false;
        QTest::newRow("not a number") << "on" << 1 << true << true;
    }
    void notificationSwitch() {
        QFETCH(QString, stored);
        QFETCH(int, switchValue);
        QFETCH(bool, requestSent);
        QFETCH(bool, notice);
        presetStore({{QStringLiteral("ShowUpdate"), stored}});
        const auto r = runCheck();
        QCOMPARE(r->SwitchValue, switchValue);
        QCOMPARE(sent().size(), requestSent ? 1 : 0);
        QCOMPARE(r->Notice.load(), notice);
        QCOMPARE(store().Read(QStringLiteral("HowMany")), QStringLiteral("1"));
    }

    void startCounter_data() {
        QTest::addColumn<QString>("installed");
        QTest::addColumn<QString>("howMany");
        QTest::addColumn<QString>("sentCount");
        QTest::newRow("new version starts again") << "1.0"
                                                  << "7"
                                                  << "1";
        QTest::newRow("same version counts on") << "1.1"
                                                << "7"
                                                << "8";
        QTest::newRow("negative counts as 0") << "1.1"
                                              << "-4"
                                              << "1";
        QTest::newRow("garbage counts as 0") << "1.1"
                                             << "x"
                                             << "1";
    }
    void startCounter() {
        QFETCH(QString, installed);
        QFETCH(QString, howMany);
        QFETCH(QString, sentCount);
        presetStore({{QStringLiteral("InstalledVersion"), installed},
                     {QStringLiteral("HowMany"), howMany}});
        runCheck();
        const auto got = sent();
        QCOMPARE(got.size(), 1);
        QCOMPARE(got[0].fields().last(), qMakePair(QStringLiteral("howmany"), sentCount));
        QCOMPARE(store().Read(QStringLiteral("HowMany")), sentCount);
        QCOMPARE(store().Read(QStringLiteral("InstalledVersion")), QStringLiteral("1.1"));
    }

    void invalidReplyKeepsStoredAnswer_data() {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("status");
        QTest::newRow("three lines")
            << "<version>1.5</version>\r\n<url>https://new/</url>\r\nx" << 200;
        QTest::newRow("ERROR first")
            << "ERROR: no such app\r\n<url>u</url>\r\n\r\n<result>1</result>" << 200;
        QTest::newRow("result 2") << replyText(QStringLiteral("1.5"),
                                               QStringLiteral("https://new/"), QStringLiteral("2"))
                                  << 200;
        QTest::newRow("404 page") << "<html><body>Not found</body></html>" << 404;
        QTest::newRow("empty") << "" << 200;
    }
    void invalidReplyKeepsStoredAnswer() {
        QFETCH(QString, reply);
        QFETCH(int, status);
        const QString oldUrl = ScrambleUrl(QStringLiteral("https://old.example/"));
        presetStore({{QStringLiteral("CurrentVersion"), QStringLiteral("1.4")},
                     {QStringLiteral("CurrentURL"), oldUrl}});
        QVERIFY(server->setReply(QStringLiteral("https"), status, reply));
        const auto r = runCheck();
        QVERIFY(r->Finished.load());
        QVERIFY(r->Failed);
        QCOMPARE(r->FailureText, QStringLiteral("INVALIDSERVERRESPONSE"));
        QVERIFY(!r->Notice.load());
        QVERIFY(r->LatestVersion.isEmpty());
        QCOMPARE(r->DownloadURL, QStringLiteral("https://old.example/"));
        QCOMPARE(store().Read(QStringLiteral("CurrentVersion")), QStringLiteral("1.4"));
        QCOMPARE(store().Read(QStringLiteral("CurrentURL")), oldUrl);
    }

    void replyWithoutUrlStoresEmpty() {
        QVERIFY(server->setReply(
            QStringLiteral("https"), 200,
            QStringLiteral("<version>1.3</version>\nno url here\n\n<result>0</result>\n")));
        presetStore({{QStringLiteral("CurrentURL"), ScrambleUrl(QStringLiteral("https://old/"))}});
        const auto r = runCheck();
        QVERIFY2(!r->Failed, qPrintable(r->FailureText));
        QVERIFY(r->DownloadURL.isEmpty());
        QVERIFY(store().Read(QStringLiteral("CurrentURL")).isEmpty());
        QVERIFY(r->Notice.load());
    }

    void importantNotice_data() {
        QTest::addColumn<QString>("important");
        QTest::addColumn<bool>("shown");
        QTest::newRow("text") << "Please update: security fix" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blanks") << "  \t " << false;
    }
    void importantNotice() {
        QFETCH(QString, important);
        QFETCH(bool, shown);
        ScriptedPlatform scripted;
        QVERIFY(server->setReply(
            QStringLiteral("https"), 200,
            replyText(QStringLiteral("1.1"), QStringLiteral("u"), QStringLiteral("0"), important)));
        const auto r = runCheck();
        QCOMPARE(scripted.dialogs.boxes.size(), shown ? 1 : 0);
        if (shown) {
            QCOMPARE(scripted.dialogs.boxes[0].text, important);
            QCOMPARE(scripted.dialogs.boxes[0].caption, QStringLiteral("IMPORTANT"));
            QCOMPARE(scripted.dialogs.boxes[0].flags, int(platform::MB_ICONWARNING));
        }
    }

    void workerHandsTheBoxToTheInterfaceThreadAndWaits() {
        WatchingDialogs watching;
        platform::setDialogs(&watching);
        QVERIFY(server->setReply(QStringLiteral("https"), 200,
                                 replyText(QStringLiteral("2.0"), QStringLiteral("u"),
                                           QStringLiteral("1"), QStringLiteral("Read me"))));
        auto results = std::make_shared<TUpdateResults>();
        watching.results = results;
        auto* checker = new TChecker(identity, results);
        connect(checker, &QThread::finished, checker, &QObject::deleteLater);
        QSignalSpy destroyed(checker, &QObject::destroyed);
        checker->start();
        QTRY_VERIFY_WITH_TIMEOUT(results->Finished.load(std::memory_order_acquire), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(destroyed.size(), 1, 10000);
        platform::setDialogs(nullptr);
        QCOMPARE(watching.seen, QStringList{QStringLiteral("Read me|IMPORTANT|48|1|1")});
        QVERIFY(results->Notice.load());
    }

    void earlierEntriesAndTheFallback_data() {
        QTest::addColumn<bool>("secureTrusted");
        QTest::newRow("plain retry wipes the record") << false;
        QTest::newRow("secure reply keeps it and is not taken") << true;
    }
    void earlierEntriesAndTheFallback() {
        // The store cannot be opened (its folder is a file), which leaves an entry. Only a reply
        // over plain HTTP after a failed secure attempt wipes the record; a secure reply is judged
        // with the entry still there and is not taken.
        QFETCH(bool, secureTrusted);
        const QString folder = QFileInfo(storePath()).absolutePath();
        QDir(folder).removeRecursively();
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        setSiteHostsForTests(secureTrusted ? server->httpsHost() : server->untrustedHost(),
                             server->httpHost());
        const QString scheme = secureTrusted ? QStringLiteral("https") : QStringLiteral("http");
        QVERIFY(server->setReply(scheme, 200,
                                 replyText(QStringLiteral("1.3"), QStringLiteral("http://p/"))));
        const auto r = runCheck();
        QFile::remove(folder);
        QVERIFY(r->Finished.load());
        const auto got = sent();
        QCOMPARE(got.size(), 1);
        QCOMPARE(got[0].scheme, scheme);
        if (secureTrusted) {
            QVERIFY(r->Failed);
            QCOMPARE(r->FailureText, QStringLiteral("Error: Registry open problem!"));
            QVERIFY(r->LatestVersion.isEmpty());
            QVERIFY(!r->Notice.load());
        } else {
            QVERIFY2(!r->Failed, qPrintable(r->FailureText));
            QVERIFY(r->FailureText.isEmpty());
            QCOMPARE(r->LatestVersion, QStringLiteral("1.3"));
            QVERIFY(r->Notice.load());
        }
    }

    void stoppingEndsAHangingCheckPromptly() {
        // The site takes its time; the program ends meanwhile and must not wait for it.
        setSiteHostsForTests(server->httpsHost(), server->httpHost());
        for (const QString& scheme : {QStringLiteral("https"), QStringLiteral("http")})
            QVERIFY(server->setReply(
                scheme, 200, replyText(QStringLiteral("1.3"), QStringLiteral("http://p/")), 30.0));
        const auto r = TChecker::Start(identity);
        QTRY_COMPARE_WITH_TIMEOUT(sent().size(), 1, 10000);
        QElapsedTimer clock;
        clock.start();
        TChecker::StopRunning(5000);
        QVERIFY2(clock.elapsed() < 4000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(r->Finished.load());
        QVERIFY(r->Failed);
        QVERIFY(!r->Notice.load());
        QCOMPARE(sent().size(), 1); // no plain attempt after the stop
    }

    void bothAttemptsFailing_data() {
        QTest::addColumn<QString>("secureHost");
        QTest::addColumn<QString>("plainHost");
        QTest::newRow("loopback refusing") << "127.0.0.1:1"
                                           << "127.0.0.1:1";
        QTest::newRow("default site host") << ""
                                           << "";
    }
    void bothAttemptsFailing() {
        QFETCH(QString, secureHost);
        QFETCH(QString, plainHost);
        setSiteHostsForTests(secureHost, plainHost);
        presetStore({{QStringLiteral("CurrentVersion"), QStringLiteral("1.4")}});
        const auto r = runCheck();
        QVERIFY(r->Finished.load());
        QVERIFY(r->Failed);
        const QStringList entries = r->FailureText.split(QStringLiteral("\r\r"));
        QCOMPARE(entries.size(), 2);
        QVERIFY(entries[0].startsWith(QLatin1String("HTTPS Response:\r")) &&
                entries[0].size() > 16);
        QVERIFY(entries[1].startsWith(QLatin1String("HTTP Response:\r")) && entries[1].size() > 15);
        QVERIFY(!r->Notice.load());
        QCOMPARE(store().Read(QStringLiteral("CurrentVersion")), QStringLiteral("1.4"));
        QCOMPARE(sent().size(), 0);
    }

    void scrambleRoundTrip_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("url") << "https://www.kestrane.example/download/veltrino-1.2.exe";
        QTest::newRow("non-ascii") << "https://ü.example/ß?q=€&x=日本";
        QTest::newRow("one char") << "a";
        QTest::newRow("repeats") << QString(300, QLatin1Char('a'));
    }
    void scrambleRoundTrip() {
        QFETCH(QString, text);
        const QString scrambled = ScrambleUrl(text);
        QCOMPARE(scrambled.size(), text.toUtf8().size() * 2);
        QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-F]*$")).match(scrambled).hasMatch());
        if (!text.isEmpty())
            QVERIFY(scrambled != QString::fromLatin1(text.toUtf8().toHex().toUpper()));
        QCOMPARE(UnscrambleUrl(scrambled), text);
        QCOMPARE(UnscrambleUrl(scrambled.toLower()), text);
    }

    void unscrambleEdgeCases() {
        const QString scrambled = ScrambleUrl(QStringLiteral("abc"));
        QCOMPARE(UnscrambleUrl(scrambled + QLatin1Char('7')), QStringLiteral("abc"));
        QCOMPARE(UnscrambleUrl(QStringLiteral("7")), QString());
        QCOMPARE(UnscrambleUrl(scrambled + QStringLiteral("ZZ")), QString());
        QCOMPARE(UnscrambleUrl(QStringLiteral("G0")), QString());
        QCOMPARE(UnscrambleUrl(QStringLiteral("+1")), QString());
        QCOMPARE(UnscrambleUrl(QStringLiteral("١٢")), QString()); // digits, but not ASCII ones
        // Letters whose capitals are hexadecimal digits are still not hexadecimal.
        QCOMPARE(UnscrambleUrl(QStringLiteral("ßß")), QString());
        QCOMPARE(UnscrambleUrl(QStringLiteral("ﬀ")), QString());
        QCOMPARE(UnscrambleUrl(scrambled.toLower()), QStringLiteral("abc"));
        // Repeated letters scramble to different bytes: the key runs on.
        QVERIFY(ScrambleUrl(QStringLiteral("aa")).left(2) !=
                ScrambleUrl(QStringLiteral("aa")).mid(2));
    }
};

VELTRINO_TEST_CORE_MAIN(TestUpdateCheck)
#include "test_updatecheck.moc"
