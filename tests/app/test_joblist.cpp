#include "AppFormFixture.h"
#include "TreeBuilder.h"
#include "app/JobListModel.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

#include <functional>

class TestJobList : public QObject {
    Q_OBJECT

    static QStringList captions(TAppForm& form) {
        QStringList out;
        for (int i = 0; i < form.Jobs().count(); ++i)
            out << form.Jobs().caption(i);
        return out;
    }
    static bool drop(TAppForm& form, const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at = form.ListView1->geometry().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &enter);
        if (!enter.isAccepted())
            return false;
        // A source offering a move still gets a copy.
        QDropEvent dropped(QPointF(at), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                           Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &dropped);
        if (dropped.isAccepted() && dropped.dropAction() != Qt::CopyAction)
            qWarning("drop accepted as something other than a copy");
        // The items are handled once the drop has returned, as a queued call.
        QCoreApplication::sendPostedEvents();
        return dropped.isAccepted() && dropped.dropAction() == Qt::CopyAction;
    }
    static QUrl local(const QString& path) { return QUrl::fromLocalFile(path); }
    static void select(TAppForm& form, const QList<int>& rows) {
        QItemSelectionModel* const selection = form.ListView1->selectionModel();
        selection->clearSelection();
        for (int row : rows)
            selection->select(form.Jobs().index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    static bool audioName(const QString& name) {
        static const QStringList exts{".mp3", ".wav", ".ogg", ".flac"};
        for (const QString& ext : exts)
            if (name.toLower().endsWith(ext))
                return true;
        return false;
    }

private Q_SLOTS:
    void duplicateTestIsExact_data() {
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("same file twice")
            << QStringList{"/m/x.mp3", "/m/x.mp3"} << QStringList{"/m/x.mp3"};
        QTest::newRow("two spellings of case")
            << QStringList{"/M/A/x.mp3", "/m/a/X.MP3"} << QStringList{"/M/A/x.mp3", "/m/a/X.MP3"};
        QTest::newRow("no path normalisation")
            << QStringList{"/m/./x.mp3", "/m/x.mp3", "/m//x.mp3"}
            << QStringList{"/m/./x.mp3", "/m/x.mp3", "/m//x.mp3"};
        QTest::newRow("again after others")
            << QStringList{"/a.mp3", "/b.mp3", "/a.mp3", "/c.mp3", "/b.mp3"}
            << QStringList{"/a.mp3", "/b.mp3", "/c.mp3"};
    }
    void duplicateTestIsExact() {
        QFETCH(QStringList, added);
        QFETCH(QStringList, rows);
        AppFormFixture fx;
        TAppForm& form = fx.create();
        for (const QString& path : added)
            form.Ekle(path);
        QCOMPARE(captions(form), rows);
        for (int i = 0; i < form.Jobs().count(); ++i)
            QCOMPARE(form.Jobs().result(i), QString());
    }

    void droppedFolderAddsItsAudioInScanOrder() {
        AppFormFixture fx;
        TAppForm& form = fx.create();
        QTemporaryDir music;
        for (const char* rel : {"a.mp3", "b.txt", "sub/c.FLAC"})
            QVERIFY(tree::touch(music.path(), QString::fromLatin1(rel)));
        QStringList expected;
        tree::listInOrder(music.path() + QLatin1Char('/'), audioName, expected);
        QCOMPARE(QSet<QString>(expected.cbegin(), expected.cend()),
                 QSet<QString>({music.path() + "/a.mp3", music.path() + "/sub/c.FLAC"}));

        QString statusDuringLoad;
        connect(form.ListView1->model(), &QAbstractItemModel::rowsInserted, this,
                [&] { statusDuringLoad = form.StatusText(); });
        form.Ekle(QStringLiteral("/already/here.mp3"));
        QVERIFY(drop(form, {local(music.path())}));
        QCOMPARE(captions(form), QStringList{"/already/here.mp3"} + expected);
        QCOMPARE(form.FoundFiles(), expected);
        QCOMPARE(form.LastFolder(), music.path());
        QCOMPARE(statusDuringLoad, QStringLiteral("Loading Files..."));
        QCOMPARE(form.StatusText(), QString());
        QVERIFY(fx.scripted.dialogs.busyPushes > 0);
        QCOMPARE(fx.scripted.dialogs.busyDepth, 0);
        QVERIFY(form.ListView1->updatesEnabled());

        // Dropping the same folder again adds nothing.
        QVERIFY(drop(form, {local(music.path())}));
        QCOMPARE(form.Jobs().count(), 3);
    }

    void droppedFolderWithALinkLoopEnds() {
        AppFormFixture fx;
        TAppForm& form = fx.create();
        QTemporaryDir music;
        QVERIFY(tree::touch(music.path(), QStringLiteral("a.mp3")));
        QVERIFY(tree::touch(music.path(), QStringLiteral("sub/b.wav")));
        QVERIFY(tree::link(music.path(), music.path() + QStringLiteral("/sub/back")));
        QVERIFY(drop(form, {local(music.path())}));
        const QStringList rows = captions(form);
        QCOMPARE(QSet<QString>(rows.cbegin(), rows.cend()),
                 QSet<QString>({music.path() + "/a.mp3", music.path() + "/sub/b.wav"}));
        QCOMPARE(rows.size(), 2);
    }

    void droppedFilesOnlyWhenAudio() {
        AppFormFixture fx;
        TAppForm& form = fx.create();
        QTemporaryDir dir;
        for (const char* rel : {"b.txt", "song.WAV", "folder/x.ogg"})
            QVERIFY(tree::touch(dir.path(), QString::fromLatin1(rel)));
        // Items handled one after another; a missing one does not stop the rest.
        QVERIFY(drop(form, {local(dir.path() + "/b.txt"), local(dir.path() + "/gone/nothing"),
                            local(dir.path() + "/song.WAV"), local(dir.path() + "/folder")}));
        QCOMPARE(captions(form),
                 QStringList({dir.path() + "/song.WAV", dir.path() + "/folder/x.ogg"}));
        // Nothing but local files is taken.
        QVERIFY(!drop(form, {QUrl(QStringLiteral("https://example.invalid/a.mp3"))}));
        QCOMPARE(form.Jobs().count(), 2);
    }

    void addFilesTakesAnyExtensionUnderAllFiles() {
        AppFormFixture fx;
        TAppForm& form = fx.create();
        QTemporaryDir dir;
        QVERIFY(tree::touch(dir.path(), QStringLiteral("b.txt")));
        QVERIFY(tree::touch(dir.path(), QStringLiteral("a.mp3")));
        const QStringList picked{dir.path() + "/b.txt", dir.path() + "/a.mp3",
                                 dir.path() + "/b.txt"};
        fx.scripted.dialogs.nextPicks.enqueue(picked);
        form.AddFiles1->trigger();
        QCOMPARE(captions(form), QStringList({dir.path() + "/b.txt", dir.path() + "/a.mp3"}));
        QCOMPARE(fx.scripted.dialogs.pickerFilters,
                 QStringList{"Audio Files|*.mp3;*.wav;*.ogg;*.flac|All Files|*.*"});
        QCOMPARE(fx.scripted.dialogs.busyDepth, 0);
        // The tool button reaches the same command; a cancelled dialog adds nothing.
        form.ToolButton3->trigger();
        QCOMPARE(fx.scripted.dialogs.pickerFilters.size(), 2);
        QCOMPARE(form.Jobs().count(), 2);
    }

    // A path longer than 255 characters is taken whole, not cut to a prefix that names another
    // folder.
    void longDroppedPathIsTakenWhole() {
        AppFormFixture fx;
        TAppForm& form = fx.create();
        QTemporaryDir dir;
        QString longFolder = dir.path() + QLatin1Char('/');
        while (longFolder.size() < 300)
            longFolder += QStringLiteral("segment_of_a_long_path/");
        longFolder.chop(1);
        QVERIFY(longFolder.size() > 255);
        // The decoy: a folder whose name is exactly the first 255 characters.
        const QString prefix = longFolder.left(255);
        QVERIFY(!prefix.endsWith(QLatin1Char('/')));
        QVERIFY(tree::touch(prefix, QStringLiteral("decoy.mp3")));
        QVERIFY(tree::touch(longFolder, QStringLiteral("deep.mp3")));
        QVERIFY(tree::touch(longFolder, QStringLiteral("x.flac")));

        QStringList expected;
        tree::listInOrder(longFolder + QLatin1Char('/'), audioName, expected);
        QCOMPARE(expected.size(), 2);
        // The file dropped beside its folder is found there already.
        QVERIFY(drop(form, {local(longFolder), local(longFolder + "/x.flac")}));
        QCOMPARE(captions(form), expected);
        form.Jobs().clear();
        QVERIFY(drop(form, {local(longFolder + "/x.flac")}));
        QCOMPARE(captions(form), QStringList{longFolder + "/x.flac"});
    }

    void addFoldersLoadsEachChosenFolder() {
        AppFormFixture fx;
        TAppForm& form = fx.create();
        QTemporaryDir one, two;
        QVERIFY(tree::touch(one.path(), QStringLiteral("1.mp3")));
        QVERIFY(tree::touch(two.path(), QStringLiteral("2.wav")));
        fx.scripted.dialogs.nextPicks.enqueue({one.path(), two.path()});
        form.ToolButton1->trigger();
        QCOMPARE(captions(form), QStringList({one.path() + "/1.mp3", two.path() + "/2.wav"}));
        QCOMPARE(fx.scripted.dialogs.pickerTitles, QStringList{"Select folder:"});
        QCOMPARE(fx.scripted.dialogs.pickerOkCaptions, QStringList{"Select"});
        QCOMPARE(fx.scripted.dialogs.pickerMultiple, QList<bool>{true});
        QCOMPARE(form.LastFolder(), two.path());

        // The next folder dialog, for either purpose, starts at the last folder.
        form.AddFolders1->trigger();
        form.ChangeDirectory1->trigger();
        QCOMPARE(fx.scripted.dialogs.pickerStartFolders,
                 QStringList({QString(), two.path(), two.path()}));
        QCOMPARE(fx.scripted.dialogs.pickerMultiple, QList<bool>({true, true, false}));
    }

    void changeDestinationFolder_data() {
        QTest::addColumn<QStringList>("pick");
        QTest::addColumn<bool>("changes");
        QTest::newRow("folder") << QStringList{"/new/destination"} << true;
        QTest::newRow("blank") << QStringList{"   "} << false;
        QTest::newRow("empty name") << QStringList{""} << false;
        QTest::newRow("cancelled") << QStringList{} << false;
    }
    void changeDestinationFolder() {
        QFETCH(QStringList, pick);
        QFETCH(bool, changes);
        AppFormFixture fx;
        TAppForm& form = fx.create();
        const QString before = form.Edit1->text();
        fx.scripted.dialogs.nextPicks.enqueue(pick);
        form.Button2->click();
        QCOMPARE(fx.scripted.dialogs.pickerTitles, QStringList{"Select folder:"});
        QCOMPARE(fx.scripted.dialogs.pickerMultiple, QList<bool>{false});
        if (changes) {
            QCOMPARE(form.Edit1->text(), pick.first());
            QCOMPARE(form.LastFolder(), pick.first());
            QVERIFY(fx.settingsBytes().contains(("Destination=" + pick.first()).toUtf8()));
        } else {
            QCOMPARE(form.Edit1->text(), before);
            QCOMPARE(form.LastFolder(), QString());
        }
    }

    void showDestinationCreatesItFirst() {
        AppFormFixture fx;
        TAppForm& form = fx.create();
        QTemporaryDir dir;
        const QString missing = dir.path() + QStringLiteral("/not/yet/there");
        form.Edit1->setText(missing);
        form.ShowinExplorer2->trigger();
        QVERIFY(QFileInfo(missing).isDir());
        QCOMPARE(fx.scripted.shell.calls.size(), 1);
        QCOMPARE(fx.scripted.shell.calls[0].verb, QStringLiteral("explore"));
        QCOMPARE(fx.scripted.shell.calls[0].target, missing);
        QCOMPARE(fx.scripted.shell.beeps, 0);

        // Also while "Use Source Folder" hides the text.
        form.CheckBoxSource->click();
        form.ShowinExplorer2->trigger();
        QCOMPARE(fx.scripted.shell.calls.size(), 2);

        // A folder that cannot be made beeps instead of opening anything.
        QVERIFY(tree::touch(dir.path(), QStringLiteral("file")));
        for (const QString& bad : {dir.path() + "/file/sub", QStringLiteral("  ")}) {
            form.Edit1->setText(bad);
            form.ShowinExplorer2->trigger();
        }
        QCOMPARE(fx.scripted.shell.calls.size(), 2);
        QCOMPARE(fx.scripted.shell.beeps, 2);
    }

    void singleFileCommands_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("verb"); // empty: the clipboard
        QTest::newRow("Open") << "Open1"
                              << "open";
        QTest::newRow("Copy Filename") << "CopyFilename1"
                                       << "";
        QTest::newRow("Show in Explorer") << "ShowinExplorer1"
                                          << "select";
        QTest::newRow("Properties") << "Properties1"
                                    << "properties";
    }
    void singleFileCommands() {
        QFETCH(QString, action);
        QFETCH(QString, verb);
        AppFormFixture fx;
        TAppForm& form = fx.create();
        QAction* const command = form.findChild<QAction*>(action);
        QVERIFY(command);
        QTemporaryDir dir;
        QVERIFY(tree::touch(dir.path(), QStringLiteral("there.mp3")));
        QVERIFY(tree::touch(dir.path(), QStringLiteral("also.mp3")));
        const QString there = dir.path() + "/there.mp3";
        const QString gone = dir.path() + "/gone.mp3";
        form.Ekle(gone);
        form.Ekle(there);
        form.Ekle(dir.path() + "/also.mp3");
        form.Ekle(dir.path()); // a folder is no file
        QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
        auto& shell = fx.scripted.shell;

        // No selection: nothing at all.
        command->trigger();
        QCOMPARE(shell.beeps, 0);
        QVERIFY(shell.calls.isEmpty());

        // A missing file, or a folder, beeps and does nothing else.
        for (int row : {0, 3}) {
            select(form, {row});
            command->trigger();
        }
        QCOMPARE(shell.beeps, 2);
        QVERIFY(shell.calls.isEmpty());
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("untouched"));

        // With several rows selected the first of them counts.
        select(form, {2, 1});
        command->trigger();
        QCOMPARE(shell.beeps, 2);
        if (verb.isEmpty()) {
            QVERIFY(shell.calls.isEmpty());
            QCOMPARE(QGuiApplication::clipboard()->text(), there);
        } else {
            QCOMPARE(shell.calls.size(), 1);
            QCOMPARE(shell.calls[0].verb, verb);
            QCOMPARE(shell.calls[0].target,
                     verb == "open" ? QUrl::fromLocalFile(there).toString() : there);
        }
    }

    void deleteRemovesEverySelectedRow_data() {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QList<int>>("left");
        QTest::newRow("none") << QList<int>{} << QList<int>{0, 1, 2, 3, 4, 5};
        QTest::newRow("one") << QList<int>{3} << QList<int>{0, 1, 2, 4, 5};
        QTest::newRow("scattered") << QList<int>{5, 0, 2, 3} << QList<int>{1, 4};
        QTest::newRow("all") << QList<int>{0, 1, 2, 3, 4, 5} << QList<int>{};
    }
    void deleteRemovesEverySelectedRow() {
        QFETCH(QList<int>, selected);
        QFETCH(QList<int>, left);
        AppFormFixture fx;
        TAppForm& form = fx.create();
        QStringList all;
        for (int i = 0; i < 6; ++i)
            all << QStringLiteral("/gone/%1.mp3").arg(i);
        for (const QString& path : all)
            form.Ekle(path);
        select(form, selected);
        form.Delete1->trigger();
        QStringList expected;
        for (int i : left)
            expected << all[i];
        QCOMPARE(captions(form), expected);
        QCOMPARE(fx.scripted.shell.beeps, 0);
        // A deleted file can be added again; a kept one still counts as present.
        for (const QString& path : all)
            form.Ekle(path);
        QCOMPARE(form.Jobs().count(), 6);
    }

    void deleteAllAndClearRemoveEveryRow_data() {
        QTest::addColumn<QString>("action");
        QTest::newRow("Delete All") << "DeleteAll1";
        QTest::newRow("Clear") << "Clear1";
    }
    void deleteAllAndClearRemoveEveryRow() {
        QFETCH(QString, action);
        AppFormFixture fx;
        TAppForm& form = fx.create();
        form.Ekle(QStringLiteral("/a.mp3"));
        form.Ekle(QStringLiteral("/b.mp3"));
        form.findChild<QAction*>(action)->trigger();
        QCOMPARE(form.Jobs().count(), 0);
        form.Ekle(QStringLiteral("/a.mp3"));
        QCOMPARE(form.Jobs().count(), 1);
    }

    void contextMenuHoldsTheCommandsInOrder() {
        AppFormFixture fx;
        TAppForm& form = fx.create();
        QStringList texts;
        for (QAction* a : form.PopupMenu1->actions())
            texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(texts, QStringList({"Delete", "Delete All", "-", "Open", "Copy Filename",
                                     "Show in Explorer", "Properties"}));
        texts.clear();
        for (QAction* a : form.PopupMenu2->actions())
            texts << a->text();
        QCOMPARE(texts, QStringList({"Change Destination Folder...", "Show in Explorer"}));
    }
};

VELTRINO_TEST_MAIN(TestJobList)
#include "test_joblist.moc"
