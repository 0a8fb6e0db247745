// The model download against a local HTTPS repository: files, progress, settings, the error box
// and its order, redirects, certificates, stalls, concurrency and closing the window mid-way.

#include "../app/AppFormFixture.h"
#include "ModelServer.h"
#include "app/IniStore.h"
#include "app/SettingsKeys.h"
#include "models/DownloadCheck.h"
#include "models/ModelRepository.h"
#include "platform/Curl.h"

#include <QAction>
#include <QFileInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr qint64 FiveMB = 5 * 1024 * 1024;
constexpr int Patience = 30000; // ms any download of these tests may take at most

// What the window showed when a message box came up.
struct WindowAtBox {
    QString status;
    bool buttonEnabled = false;
    bool barVisible = false;
    int busyDepth = 0;
};

// The scripted dialogs, noting the window's state at each message box.
class BoxWatchingDialogs final : public platform::IDialogs {
public:
    BoxWatchingDialogs(ScriptedDialogs& inner, TAppForm& form) : FInner(inner), FForm(form) {}
    QList<WindowAtBox> atBox;
    // Runs while a box is up, as a user acting during it would.
    std::function<void()> whileBoxUp;

    void messageBox(const QString& text, const QString& caption, int flags) override {
        atBox.append({FForm.StatusText(), FForm.Button1->isEnabled(),
                      FForm.ProgressBar1->isVisible(), FInner.busyDepth});
        if (whileBoxUp)
            whileBoxUp();
        FInner.messageBox(text, caption, flags);
    }
    int captionedMessageDialog(const QString& m, platform::DialogKind k, const QStringList& c,
                               const QString& t) override {
        return FInner.captionedMessageDialog(m, k, c, t);
    }
    void showException(const QString& message) override { FInner.showException(message); }
    QStringList openFiles(const QString& t, const QString& f) override {
        return FInner.openFiles(t, f);
    }
    QStringList pickFolders(const QString& t, const QString& o, bool m) override {
        return FInner.pickFolders(t, o, m);
    }
    void pushBusyCursor() override { FInner.pushBusyCursor(); }
    void popBusyCursor() override { FInner.popBusyCursor(); }

private:
    ScriptedDialogs& FInner;
    TAppForm& FForm;
};

// A main window with the box watcher installed, and a record of the progress bar's values.
class DownloadWindow {
public:
    AppFormFixture fx;
    TAppForm& form;
    BoxWatchingDialogs watcher;
    QList<int> barValues;

    DownloadWindow() : form(fx.create()), watcher(fx.scripted.dialogs, form) {
        platform::setDialogs(&watcher);
        QObject::connect(form.ProgressBar1, &QProgressBar::valueChanged, &form,
                         [this](int value) { barValues.append(value); });
    }
    ~DownloadWindow() {
        fx.form.reset(); // stops what still runs while the watcher is alive
        platform::setDialogs(&fx.scripted.dialogs);
    }

    ScriptedDialogs& dialogs() { return fx.scripted.dialogs; }
    QString dataPath(const QString& name) const { return form.DataFolder() + name; }
    QByteArray contents(const QString& name) const {
        QFile f(dataPath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool waitUntilEnded() {
        return QTest::qWaitFor([this] { return form.RunningDownloads() == 0; }, Patience);
    }
    QString modelNameSetting() {
        return form.Settings().ReadString(settings::Section, settings::ModelName.name, {});
    }
};

QString statusOf(const char* text, const QString& name) {
    return QString::fromLatin1(text).replace(QStringLiteral("%s"), name);
}

// A mode that redirects n times before it serves the body in the given way.
QString redirected(int n, const QString& mode) {
    return QStringLiteral("redirect-").repeated(n) + mode;
}
// The modes requested along such a chain, first to last.
QStringList chain(int n, const QString& mode) {
    QStringList modes;
    for (int i = n; i >= 0; --i)
        modes.append(redirected(i, mode));
    return modes;
}

} // namespace

class TestModelDownload : public QObject {
    Q_OBJECT
    ModelServer server;

    void serve(const QString& mode, qint64 size = FiveMB) {
        setModelBaseUrlForTests(server.baseUrl(mode, size));
    }
    // The address the server sees for a model file.
    static QString remotePath(const QString& mode, const QString& remote, qint64 size = FiveMB) {
        return QStringLiteral("/%1/%2/resolve/main/%3").arg(mode).arg(size).arg(remote);
    }

    // What every failed download leaves: status, one error box after the window went idle, no
    // model, nothing saved, the window idle again.
    static void verifyFailure(DownloadWindow& w, const QString& model, const QString& message,
                              const QString& address) {
        QCOMPARE(w.form.StatusText(), QStringLiteral("Download failed!"));
        QCOMPARE(w.dialogs().boxes.size(), 1);
        const RecordedBox& box = w.dialogs().boxes.first();
        QCOMPARE(box.caption, QStringLiteral("ERROR"));
        QCOMPARE(box.flags, 16);
        QVERIFY2(box.text.startsWith(message), qPrintable(box.text));
        QVERIFY2(box.text.endsWith(QStringLiteral("\r\r") + address), qPrintable(box.text));
        QCOMPARE(w.watcher.atBox.size(), 1);
        QCOMPARE(w.watcher.atBox.first().status, QStringLiteral("Download failed!"));
        QVERIFY(w.watcher.atBox.first().buttonEnabled);
        QVERIFY(!w.watcher.atBox.first().barVisible);
        QCOMPARE(w.watcher.atBox.first().busyDepth, 0);
        QVERIFY(!QFile::exists(w.dataPath(model)));
        QCOMPARE(w.modelNameSetting(), QString());
        QCOMPARE(w.fx.scripted.shell.beeps, 0);
        QVERIFY(w.form.Button1->isEnabled());
        QVERIFY(w.form.ProgressBar1->isHidden());
        QCOMPARE(w.dialogs().busyDepth, 0);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(
            server.start(testenv::sourceRoot() + QStringLiteral("/tests/models/model_server.py")),
            qPrintable(server.error()));
    }
    void init() {
        server.clear();
        platform::setExtraCaFile(server.caFile());
        setDownloadTimeoutsForTests({});
    }
    void cleanupTestCase() {
        setModelBaseUrlForTests({});
        platform::setExtraCaFile({});
        setDownloadTimeoutsForTests({});
    }

    void largeModelLandsUnderItsLocalName() {
        DownloadWindow w;
        serve(QStringLiteral("hold"));
        w.form.DownloadModelFile(w.dataPath(QStringLiteral("ggml-large.bin")));
        QVERIFY(!w.form.Button1->isEnabled());
        QCOMPARE(w.dialogs().busyDepth, 1);

        // Half the body has arrived and the server holds the rest.
        QTRY_COMPARE_WITH_TIMEOUT(w.form.ProgressBar1->value(), 50, Patience);
        QCOMPARE(w.form.StatusText(), statusOf("Downloading %s...", "ggml-large.bin"));
        QVERIFY(w.form.ProgressBar1->isVisible());
        QCOMPARE(w.form.ProgressBar1->maximum(), 100);
        QVERIFY(!w.form.Button1->isEnabled());
        QVERIFY(!QFile::exists(w.dataPath(QStringLiteral("ggml-large.bin"))));
        QVERIFY(QFile::exists(w.dataPath(QStringLiteral("ggml-large.bin.part"))));

        server.release(QStringLiteral("ggml-large-v3.bin"));
        QVERIFY(w.waitUntilEnded());
        QCOMPARE(w.contents(QStringLiteral("ggml-large.bin")), ModelServer::body(FiveMB));
        QVERIFY(!QFile::exists(w.dataPath(QStringLiteral("ggml-large.bin.part"))));
        QVERIFY(!QFile::exists(w.dataPath(QStringLiteral("ggml-large-v3.bin"))));
        QCOMPARE(w.form.StatusText(), statusOf("Successfully downloaded: %s", "ggml-large.bin"));
        QCOMPARE(w.modelNameSetting(), QStringLiteral("ggml-large.bin"));
        QVERIFY(w.fx.settingsBytes().contains("ModelName=ggml-large.bin"));
        QVERIFY(w.barValues.contains(100));
        QVERIFY(
            std::is_sorted(w.barValues.begin(), w.barValues.indexOf(100) + w.barValues.begin()));
        QVERIFY(w.form.ProgressBar1->isHidden());
        QCOMPARE(w.form.ProgressBar1->value(), 0);
        QVERIFY(w.form.Button1->isEnabled());
        QCOMPARE(w.dialogs().busyDepth, 0);
        QCOMPARE(w.fx.scripted.shell.beeps, 1);
        QVERIFY(w.dialogs().boxes.isEmpty());

        const QList<QJsonObject> requests = server.requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0][QStringLiteral("path")].toString(),
                 remotePath(QStringLiteral("hold"), QStringLiteral("ggml-large-v3.bin")));
        QVERIFY(requests[0][QStringLiteral("range")].isNull());
        // No user agent of our own: libcurl sends none unless told.
        QVERIFY(requests[0][QStringLiteral("user_agent")].isNull());
        QVERIFY(requests[0][QStringLiteral("accept_encoding")].toString().contains(
            QStringLiteral("gzip")));
    }

    void chunkedBodyKeepsTheMarquee() {
        DownloadWindow w;
        serve(QStringLiteral("holdchunked"));
        w.form.DownloadModelFile(w.dataPath(QStringLiteral("ggml-medium.bin")));
        const QString part = w.dataPath(QStringLiteral("ggml-medium.bin.part"));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(part).size() >= FiveMB / 2 - 65536, Patience);
        QVERIFY(w.form.ProgressBar1->isVisible());
        QCOMPARE(w.form.ProgressBar1->minimum(), 0);
        QCOMPARE(w.form.ProgressBar1->maximum(), 0);
        server.release(QStringLiteral("ggml-medium.bin"));
        QVERIFY(w.waitUntilEnded());
        QCOMPARE(w.contents(QStringLiteral("ggml-medium.bin")), ModelServer::body(FiveMB));
        // Only the reset at the end moved the bar.
        for (const int value : w.barValues)
            QVERIFY(value <= 0);
        QCOMPARE(w.form.StatusText(), statusOf("Successfully downloaded: %s", "ggml-medium.bin"));
    }

    void bodiesAreStoredAsSent_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QStringList>("requestedModes");
        QTest::newRow("gzip-encoded, stored inflated") << "gzip" << QStringList{"gzip"};
        QTest::newRow("one redirect followed")
            << "redirect-fixed" << QStringList{"redirect-fixed", "fixed"};
        QTest::newRow("nine redirects followed")
            << redirected(9, QStringLiteral("fixed")) << chain(9, QStringLiteral("fixed"));
    }
    void bodiesAreStoredAsSent() {
        QFETCH(QString, mode);
        QFETCH(QStringList, requestedModes);
        DownloadWindow w;
        serve(mode);
        w.form.DownloadModelFile(w.dataPath(QStringLiteral("ggml-small.bin")));
        QVERIFY(w.waitUntilEnded());
        QVERIFY2(w.dialogs().boxes.isEmpty(), qPrintable(w.dialogs().boxes.value(0).text));
        QCOMPARE(w.contents(QStringLiteral("ggml-small.bin")), ModelServer::body(FiveMB));
        QVERIFY(w.barValues.contains(100));
        QStringList paths;
        for (const QJsonObject& request : server.requests())
            paths.append(request[QStringLiteral("path")].toString());
        QStringList expected;
        for (const QString& m : requestedModes)
            expected.append(remotePath(m, QStringLiteral("ggml-small.bin")));
        QCOMPARE(paths, expected);
    }

    void failuresShowTheReasonAndTheAddress_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("trustOurCa");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("finalMode"); // the mode of the address in the box
        QTest::addColumn<bool>("blockPart");    // a folder stands where the .part file goes
        QTest::newRow("404") << "notfound"
                             << "127.0.0.1" << true << "The server answered: 404 Not Found"
                             << "notfound" << false;
        QTest::newRow("redirect, then 404")
            << "redirect-notfound"
            << "127.0.0.1" << true << "The server answered: 404 Not Found"
            << "notfound" << false;
        QTest::newRow("redirect, then drop")
            << "redirect-drop"
            << "127.0.0.1" << true << "transfer closed with 2621440 bytes remaining to read"
            << "drop" << false;
        QTest::newRow("a web page instead of a model")
            << "page"
            << "127.0.0.1" << true << "The server did not send a speech model file."
            << "page" << false;
        QTest::newRow("read stall") << "stall"
                                    << "127.0.0.1" << true << "No data arrived for 1.5 seconds."
                                    << "stall" << false;
        QTest::newRow("untrusted certificate") << "fixed"
                                               << "127.0.0.1" << false << "SSL certificate problem"
                                               << "fixed" << false;
        QTest::newRow("certificate for another host")
            << "fixed"
            << "localhost" << true << "SSL: no alternative certificate subject name"
            << "fixed" << false;
        QTest::newRow("ten redirects")
            << redirected(10, QStringLiteral("fixed")) << "127.0.0.1" << true
            << "The server redirected the download more than 9 times."
            << redirected(1, QStringLiteral("fixed")) << false;
        QTest::newRow(".part cannot be created") << "fixed"
                                                 << "127.0.0.1" << true << "Cannot create the file "
                                                 << "fixed" << true;
    }

    void failuresShowTheReasonAndTheAddress() {
        QFETCH(QString, mode);
        QFETCH(QString, host);
        QFETCH(bool, trustOurCa);
        QFETCH(QString, message);
        QFETCH(QString, finalMode);
        QFETCH(bool, blockPart);
        if (!trustOurCa)
            platform::setExtraCaFile({});
        setDownloadTimeoutsForTests({10000, 1500});
        DownloadWindow w;
        setModelBaseUrlForTests(server.baseUrl(mode, FiveMB, host));
        if (blockPart)
            QVERIFY(QDir().mkpath(w.dataPath(QStringLiteral("ggml-small.bin.part/inside"))));
        w.form.DownloadModelFile(w.dataPath(QStringLiteral("ggml-small.bin")));
        QVERIFY(w.waitUntilEnded());
        const QString address = server.baseUrl(finalMode, FiveMB, host) +
                                QStringLiteral("/resolve/main/ggml-small.bin");
        verifyFailure(w, QStringLiteral("ggml-small.bin"), message, address);
    }

    void dropLeavesThePartAndTheNextAttemptStartsOver() {
        DownloadWindow w;
        const QString part = w.dataPath(QStringLiteral("ggml-small.bin.part"));
        serve(QStringLiteral("drop"));
        w.form.DownloadModelFile(w.dataPath(QStringLiteral("ggml-small.bin")));
        QVERIFY(w.waitUntilEnded());
        QCOMPARE(w.dialogs().boxes.size(), 1);
        QVERIFY(QFile::exists(part));
        QVERIFY(QFileInfo(part).size() > 0);
        QVERIFY(QFileInfo(part).size() < FiveMB);
        QVERIFY(!QFile::exists(w.dataPath(QStringLiteral("ggml-small.bin"))));

        serve(QStringLiteral("fixed"));
        w.form.DownloadModelFile(w.dataPath(QStringLiteral("ggml-small.bin")));
        QVERIFY(w.waitUntilEnded());
        QCOMPARE(w.dialogs().boxes.size(), 1);
        QCOMPARE(w.contents(QStringLiteral("ggml-small.bin")), ModelServer::body(FiveMB));
        QVERIFY(!QFile::exists(part));
        const QList<QJsonObject> requests = server.requests();
        QCOMPARE(requests.size(), 2);
        QVERIFY(requests[1][QStringLiteral("range")].isNull());
    }

    void modelsWithoutAddressStartNoRequest_data() {
        QTest::addColumn<QString>("path"); // relative to the program folder
        QTest::newRow("base model") << "whisper/ggml-base.bin";
        QTest::newRow("unknown model") << "ggml-tiny.bin";
    }
    void modelsWithoutAddressStartNoRequest() {
        QFETCH(QString, path);
        DownloadWindow w;
        serve(QStringLiteral("fixed"));
        w.form.SetStatusText(QStringLiteral("Ready"));
        w.form.DownloadModelFile(w.fx.programFolder() + path);
        QCOMPARE(w.dialogs().busyPushes, 1);
        QVERIFY(w.waitUntilEnded());
        QCOMPARE(w.dialogs().busyDepth, 0);
        QVERIFY(w.form.Button1->isEnabled());
        QCOMPARE(w.form.StatusText(), QStringLiteral("Ready"));
        QVERIFY(w.dialogs().boxes.isEmpty());
        QVERIFY(server.requests().isEmpty());
        QVERIFY(w.form.ProgressBar1->isHidden());
    }

    void nothingStartsForAPresentModelOrAnEmptyName() {
        DownloadWindow w;
        serve(QStringLiteral("fixed"));
        QFile present(w.dataPath(QStringLiteral("ggml-small.bin")));
        QVERIFY(present.open(QIODevice::WriteOnly));
        present.close();
        w.form.DownloadModelFile(present.fileName());
        w.form.DownloadModelFile(w.form.DataFolder());
        w.form.DownloadModelFile(w.form.DataFolder() + QStringLiteral("  "));
        QCOMPARE(w.dialogs().busyPushes, 0);
        QCOMPARE(w.form.RunningDownloads(), 0);
        QVERIFY(w.form.Button1->isEnabled());
    }

    void aModelDownloadsOnceAndTheButtonWaitsForTheLast() {
        DownloadWindow w;
        serve(QStringLiteral("hold"));
        const QString small = w.dataPath(QStringLiteral("ggml-small.bin"));
        const QString medium = w.dataPath(QStringLiteral("ggml-medium.bin"));
        w.form.DownloadModelFile(small);
        w.form.DownloadModelFile(small); // refused: it is already on its way
        QCOMPARE(w.dialogs().busyPushes, 1);
        QCOMPARE(w.form.RunningDownloads(), 1);
        w.form.DownloadModelFile(medium);
        QCOMPARE(w.form.RunningDownloads(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), 2, Patience);

        server.release(QStringLiteral("ggml-medium.bin"));
        QTRY_VERIFY_WITH_TIMEOUT(w.form.RunningDownloads() == 1, Patience);
        QVERIFY(QFile::exists(medium));
        QVERIFY(!w.form.Button1->isEnabled());
        QVERIFY(w.form.ProgressBar1->isVisible());
        QCOMPARE(w.dialogs().busyDepth, 1);

        server.release(QStringLiteral("ggml-small.bin"));
        QVERIFY(w.waitUntilEnded());
        QCOMPARE(w.contents(QStringLiteral("ggml-small.bin")), ModelServer::body(FiveMB));
        QVERIFY(w.form.Button1->isEnabled());
        QVERIFY(w.form.ProgressBar1->isHidden());
        QCOMPARE(w.dialogs().busyDepth, 0);
        QCOMPARE(server.requests().size(), 2);
        QVERIFY(w.dialogs().boxes.isEmpty());
    }

    void aModelIsNotStartedAgainWhileItsFailedDownloadWindsDown() {
        // The failure's box is up: the first download's interface side has ended, its thread
        // has not. Asking for the same model again then starts nothing.
        setDownloadTimeoutsForTests({10000, 1500});
        DownloadWindow w;
        setModelBaseUrlForTests(QStringLiteral("https://127.0.0.1:1"));
        const QString model = w.dataPath(QStringLiteral("ggml-small.bin"));
        int runningDuringBox = -1;
        w.watcher.whileBoxUp = [&] {
            w.form.DownloadModelFile(model);
            runningDuringBox = w.form.RunningDownloads();
        };
        w.form.DownloadModelFile(model);
        QVERIFY(w.waitUntilEnded());
        QCOMPARE(runningDuringBox, 1);
        QCOMPARE(w.watcher.atBox.size(), 1);
        QVERIFY(w.form.Button1->isEnabled());
        QCOMPARE(w.dialogs().busyDepth, 0);
    }

    void aFailedRenameRemovesThePartWithoutABox() {
        DownloadWindow w;
        serve(QStringLiteral("hold"));
        const QString model = w.dataPath(QStringLiteral("ggml-small.bin"));
        w.form.DownloadModelFile(model);
        QTRY_COMPARE_WITH_TIMEOUT(w.form.ProgressBar1->value(), 50, Patience);
        // Something takes the model's name meanwhile that cannot be replaced.
        QVERIFY(QDir().mkpath(model + QStringLiteral("/inside")));
        server.release(QStringLiteral("ggml-small.bin"));
        QVERIFY(w.waitUntilEnded());
        QCOMPARE(w.form.StatusText(), QStringLiteral("Download failed!"));
        QVERIFY(w.dialogs().boxes.isEmpty());
        QVERIFY(!QFile::exists(model + QStringLiteral(".part")));
        QVERIFY(QFileInfo(model).isDir());
        QCOMPARE(w.modelNameSetting(), QString());
        QCOMPARE(w.fx.scripted.shell.beeps, 0);
        QVERIFY(w.form.Button1->isEnabled());
        QVERIFY(w.form.ProgressBar1->isHidden());
        QCOMPARE(w.dialogs().busyDepth, 0);
    }

    void aSettingsFailureAfterTheRenameKeepsTheModel() {
        DownloadWindow w;
        serve(QStringLiteral("fixed"));
        // A folder where settings.ini should be: the write after the rename fails.
        QVERIFY(QFile::remove(w.fx.settingsPath()));
        QVERIFY(QDir().mkdir(w.fx.settingsPath()));
        w.form.DownloadModelFile(w.dataPath(QStringLiteral("ggml-small.bin")));
        QVERIFY(w.waitUntilEnded());
        QCOMPARE(w.contents(QStringLiteral("ggml-small.bin")), ModelServer::body(FiveMB));
        QVERIFY2(w.form.StatusText().startsWith(QStringLiteral("Settings could not be saved")),
                 qPrintable(w.form.StatusText()));
        QVERIFY(w.dialogs().boxes.isEmpty());
        QVERIFY(w.form.Button1->isEnabled());
    }

    void closingTheWindowStopsADownload() {
        serve(QStringLiteral("hold"));
        QString part;
        {
            DownloadWindow w;
            part = w.dataPath(QStringLiteral("ggml-small.bin.part"));
            w.form.DownloadModelFile(w.dataPath(QStringLiteral("ggml-small.bin")));
            QTRY_COMPARE_WITH_TIMEOUT(w.form.ProgressBar1->value(), 50, Patience);
            w.fx.form.reset();
            QVERIFY(w.dialogs().boxes.isEmpty());
            QCOMPARE(w.dialogs().busyDepth, 0);
        }
        server.release(QStringLiteral("ggml-small.bin"));
    }
};

VELTRINO_TEST_MAIN(TestModelDownload)
#include "test_model_download.moc"
