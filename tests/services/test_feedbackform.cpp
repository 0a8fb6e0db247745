// The feedback window against a loopback server that records every form it receives.
#include "ScriptedPlatform.h"
#include "TestEnvironment.h"
#include "services/FeedbackForm.h"
#include "services/Site.h"
#include "services/Translation.h"

#include <QFile>
#include <QFrame>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Request {
    QString path;
    QStringList fields; // "name=value", in wire order
};

const QString Identity = QStringLiteral("Kestrane - Veltrino");

} // namespace

class TestFeedbackForm : public QObject {
    Q_OBJECT

    QTemporaryDir FServerDir;
    QProcess FServer;
    QString FPlainHost;

    void setReply(const QByteArray& reply) {
        QFile f(FServerDir.filePath(QStringLiteral("reply")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(reply);
    }
    QList<Request> requests() const {
        QList<Request> list;
        QFile f(FServerDir.filePath(QStringLiteral("requests.jsonl")));
        if (!f.open(QIODevice::ReadOnly))
            return list;
        for (const QByteArray& line : f.readAll().split('\n')) {
            if (line.isEmpty())
                continue;
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            Request r;
            r.path = o.value(QStringLiteral("path")).toString();
            for (const QJsonValue& pair : o.value(QStringLiteral("fields")).toArray())
                r.fields.append(pair.toArray().at(0).toString() + QLatin1Char('=') +
                                pair.toArray().at(1).toString());
            list.append(r);
        }
        return list;
    }

    // A window posting through the application's own transport and fallback.
    static QPointer<TFeedbackForm> openForm() {
        QPointer<TFeedbackForm> form =
            new TFeedbackForm({QStringLiteral("Veltrino"), Identity, QStringLiteral("1.0")});
        form->show();
        return form;
    }

private Q_SLOTS:
    void initTestCase() {
        FServer.setProgram(QStringLiteral("python3"));
        FServer.setArguments({QFINDTESTDATA("form_recorder.py"), FServerDir.path()});
        FServer.start();
        QVERIFY(FServer.waitForStarted(10000));
        QVERIFY(FServer.waitForReadyRead(10000));
        const int port = FServer.readLine().trimmed().toInt();
        QVERIFY(port > 0);
        FPlainHost = QStringLiteral("127.0.0.1:%1").arg(port);
    }
    void cleanupTestCase() {
        FServer.closeWriteChannel();
        if (!FServer.waitForFinished(5000))
            FServer.kill();
        setSiteHostsForTests({}, {});
    }
    void init() {
        // Nothing listens on port 1: the secure attempt is refused at once, and the plain one
        // reaches the recorder, as the fallback rule says.
        setSiteHostsForTests(QStringLiteral("127.0.0.1:1"), FPlainHost);
        QFile::remove(FServerDir.filePath(QStringLiteral("requests.jsonl")));
        setReply("OK\r\n");
    }

    void createdEmptyWithItsTexts() {
        ScriptedPlatform scripted;
        QPointer<TFeedbackForm> form = openForm();
        QCOMPARE(form->windowTitle(), QStringLiteral("Veltrino feedback"));
        QCOMPARE(form->size(), QSize(525, 326));
        QCOMPARE(form->Label1->text(), QStringLiteral("We would really appreciate your feedback."));
        QCOMPARE(form->Label2->text(), QStringLiteral("What did you like or dislike?"));
        QCOMPARE(form->Label3->text(), QStringLiteral("Include my e-mail:"));
        QCOMPARE(form->BitBtn1->text(), QStringLiteral("Send"));
        QCOMPARE(form->Panel4Caption(), QStringLiteral("I like it!"));
        QCOMPARE(form->Panel5Caption(), QStringLiteral("I dislike it!"));
        QVERIFY(!form->LikeChosen() && !form->DislikeChosen());
        QVERIFY(form->Memo1->toPlainText().isEmpty());
        QCOMPARE(form->Edit1->maxLength(), 100);
        form->Memo1->setPlainText(QString(10005, u'x'));
        QCOMPARE(form->Memo1->toPlainText().size(), 10000);
        delete form.data();
    }

    void choosing_data() {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<bool>("like");
        QTest::addColumn<bool>("dislike");
        QTest::newRow("like") << QStringList{"like"} << true << false;
        QTest::newRow("like twice clears") << QStringList{"like", "like"} << false << false;
        QTest::newRow("like then dislike") << QStringList{"like", "dislike"} << false << true;
        QTest::newRow("dislike then like") << QStringList{"dislike", "like"} << true << false;
        QTest::newRow("picture acts like its panel") << QStringList{"likeImage"} << true << false;
        QTest::newRow("right button does nothing") << QStringList{"likeRight"} << false << false;
        QTest::newRow("right button keeps a choice")
            << QStringList{"like", "dislikeRight"} << true << false;
        QTest::newRow("double-click chooses and clears")
            << QStringList{"likeDouble"} << false << false;
        QTest::newRow("click, then double-click")
            << QStringList{"like", "likeDouble"} << true << false;
    }
    void choosing() {
        QFETCH(QStringList, clicks);
        QFETCH(bool, like);
        QFETCH(bool, dislike);
        ScriptedPlatform scripted;
        QPointer<TFeedbackForm> form = openForm();
        for (const QString& click : clicks) {
            QWidget* target =
                click.startsWith(QStringLiteral("like")) ? form->Panel4 : form->Panel5;
            if (click == QStringLiteral("likeImage"))
                target = form->Image1;
            if (click.endsWith(QStringLiteral("Right")))
                QTest::mousePress(target, Qt::RightButton);
            else if (click.endsWith(QStringLiteral("Double"))) {
                // What a widget receives from a real double-click.
                QTest::mousePress(target, Qt::LeftButton);
                QTest::mouseRelease(target, Qt::LeftButton);
                QTest::mouseDClick(target, Qt::LeftButton);
                QTest::mouseRelease(target, Qt::LeftButton);
            } else
                QTest::mouseClick(target, Qt::LeftButton);
        }
        QCOMPARE(form->LikeChosen(), like);
        QCOMPARE(form->DislikeChosen(), dislike);
        // The state shows in the panels' colours and bevels alone.
        const QPalette& base = form->palette();
        for (auto [panel, chosen] :
             {std::pair{form->Panel4, like}, std::pair{form->Panel5, dislike}}) {
            QCOMPARE(panel->palette().color(QPalette::Window),
                     base.color(chosen ? QPalette::Highlight : QPalette::Button));
            QCOMPARE(panel->frameShadow(), chosen ? QFrame::Sunken : QFrame::Raised);
        }
        delete form.data();
    }

    void deliveredFeedback_data() {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("memo");
        QTest::addColumn<QString>("email");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("feedback");
        QTest::addColumn<QString>("sentEmail");
        QTest::newRow("like, one word")
            << "like"
            << "word"
            << "" << QByteArray("OK\r\n") << "I like it!\rword" << QString();
        QTest::newRow("dislike, lines trimmed")
            << "dislike"
            << "\n  two\nlines \t\n\n"
            << "" << QByteArray("OK") << "I dislike it!\rtwo\r\nlines" << QString();
        QTest::newRow("no choice, no leading break")
            << ""
            << " text "
            << "" << QByteArray(" \tOK\n") << "text" << QString();
        QTest::newRow("e-mail trimmed and sent")
            << ""
            << "hello"
            << "  first.last+tag@mail-host.co.uk " << QByteArray("OK\n") << "hello"
            << "first.last+tag@mail-host.co.uk";
    }
    void deliveredFeedback() {
        QFETCH(QString, choice);
        QFETCH(QString, memo);
        QFETCH(QString, email);
        QFETCH(QByteArray, reply);
        QFETCH(QString, feedback);
        QFETCH(QString, sentEmail);
        setReply(reply);
        ScriptedPlatform scripted;
        QPointer<TFeedbackForm> form = openForm();
        if (!choice.isEmpty())
            QTest::mouseClick(choice == QStringLiteral("like") ? form->Panel4 : form->Panel5,
                              Qt::LeftButton);
        form->Memo1->setPlainText(memo);
        form->Edit1->setText(email);
        form->BitBtn1->click();

        const QList<Request> sent = requests();
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.front().path, QStringLiteral("/php/feedback.php"));
        QStringList expected{QStringLiteral("cmd=feedback"), QStringLiteral("appname=") + Identity,
                             QStringLiteral("version=1.0"), QStringLiteral("feedback=") + feedback};
        if (!sentEmail.isEmpty())
            expected.append(QStringLiteral("email=") + sentEmail);
        QCOMPARE(sent.front().fields, expected);
        QCOMPARE(scripted.dialogs.busyPushes, 1);
        QCOMPARE(scripted.dialogs.busyDepth, 0);
        QCOMPARE(scripted.dialogs.boxes.size(), 1);
        QCOMPARE(scripted.dialogs.boxes.front().text,
                 QStringLiteral("Your feedback is received.\r\rThank you!"));
        QCOMPARE(scripted.dialogs.boxes.front().caption, QStringLiteral("Success"));
        QCOMPARE(scripted.dialogs.boxes.front().flags, 64);
        QTRY_VERIFY_WITH_TIMEOUT(form.isNull(), 5000);
    }

    void markersCarryTheTranslation() {
        QTemporaryDir languages;
        QFile file(languages.filePath(QStringLiteral("German.lang.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{I like it!}Gef\xC3\xA4llt mir!\n{I dislike it!}Gef\xC3\xA4llt mir nicht!\n"
                   "{Send}Senden\n");
        file.close();
        LoadLanguageFileFrom(languages.path(), QStringLiteral("German.lang.txt"));
        ScriptedPlatform scripted;
        QPointer<TFeedbackForm> form = openForm();
        QCOMPARE(form->BitBtn1->text(), QStringLiteral("Senden"));
        QCOMPARE(form->Panel4Caption(), QStringLiteral("Gefällt mir!"));
        for (QFrame* panel : {form->Panel4, form->Panel5}) {
            QFile::remove(FServerDir.filePath(QStringLiteral("requests.jsonl")));
            QTest::mouseClick(panel, Qt::LeftButton);
            form->Memo1->setPlainText(QStringLiteral("Wort"));
            setReply("no");
            form->BitBtn1->click();
            const QList<Request> sent = requests();
            QCOMPARE(sent.size(), 1);
            QCOMPARE(sent.front().fields.at(3),
                     panel == form->Panel4
                         ? QStringLiteral("feedback=I like it! (Gefällt mir!)\rWort")
                         : QStringLiteral("feedback=I dislike it! (Gefällt mir nicht!)\rWort"));
        }
        delete form.data();
        LoadLanguageFileFrom(languages.filePath(QStringLiteral("none")), QString());
    }

    void emptyTextBeepsAndSendsNothing_data() {
        QTest::addColumn<QString>("memo");
        QTest::newRow("empty") << "";
        QTest::newRow("blanks and line breaks") << "  \n\t \n ";
    }
    void emptyTextBeepsAndSendsNothing() {
        QFETCH(QString, memo);
        ScriptedPlatform scripted;
        QPointer<TFeedbackForm> form = openForm();
        QTest::mouseClick(form->Panel4, Qt::LeftButton);
        form->Memo1->setPlainText(memo);
        form->Edit1->setText(QStringLiteral("not an address"));
        form->Edit1->setFocus();
        form->BitBtn1->click();
        QCOMPARE(scripted.shell.beeps, 1);
        QCOMPARE(form->focusWidget(), form->Memo1);
        QVERIFY(scripted.dialogs.boxes.isEmpty());
        QCOMPARE(scripted.dialogs.busyPushes, 0);
        QVERIFY(requests().isEmpty());
        QVERIFY(!form.isNull() && form->isVisible());
        delete form.data();
    }

    void emailPattern_data() {
        QTest::addColumn<QString>("email");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << "a@b.c" << true;
        QTest::newRow("dots, plus, hyphen") << "first.last+tag@mail-host.co.uk" << true;
        QTest::newRow("digits last") << "x_1@host.n9" << true;
        QTest::newRow("no dot after the at sign") << "a@bc" << false;
        QTest::newRow("ends in a dot") << "a@b.c." << false;
        QTest::newRow("ends in a hyphen") << "a@b.c-" << false;
        QTest::newRow("blank inside") << "a b@c.d" << false;
        QTest::newRow("blank in the domain") << "a@b c.d" << false;
        QTest::newRow("nothing before the at sign") << "@b.c" << false;
        QTest::newRow("dot right after the at sign") << "a@.c" << false;
        QTest::newRow("two at signs") << "a@b@c.d" << false;
        QTest::newRow("letters beyond ASCII") << QStringLiteral("ä@b.c") << false;
        // "$" also matches before a final line break, as in Perl; the box is trimmed before the
        // test.
        QTest::newRow("line break before the end") << "a@b.c\n" << true;
    }
    void emailPattern() {
        QFETCH(QString, email);
        QFETCH(bool, valid);
        QCOMPARE(TFeedbackForm::IsValidEmail(email), valid);
    }

    void refusedEmailSendsNothing() {
        ScriptedPlatform scripted;
        QPointer<TFeedbackForm> form = openForm();
        form->Memo1->setPlainText(QStringLiteral("hello"));
        form->Edit1->setText(QStringLiteral(" a@b.c. "));
        form->Memo1->setFocus();
        form->BitBtn1->click();
        QCOMPARE(scripted.dialogs.boxes.size(), 1);
        QCOMPARE(form->focusWidget(), form->Edit1);
        QCOMPARE(scripted.dialogs.boxes.front().text, QStringLiteral("Invalid e-mail address!"));
        QCOMPARE(scripted.dialogs.boxes.front().caption, QStringLiteral("Failure"));
        QCOMPARE(scripted.dialogs.boxes.front().flags, 16);
        QVERIFY(requests().isEmpty());
        QVERIFY(!form.isNull() && form->isVisible());
        delete form.data();
    }

    void undeliveredKeepsTheWindow_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("reachable");
        QTest::newRow("lower-case ok") << QByteArray("ok") << true;
        QTest::newRow("more than OK") << QByteArray("OK.") << true;
        QTest::newRow("empty reply") << QByteArray() << true;
        QTest::newRow("both attempts fail") << QByteArray("OK") << false;
    }
    void undeliveredKeepsTheWindow() {
        QFETCH(QByteArray, reply);
        QFETCH(bool, reachable);
        setReply(reply);
        if (!reachable)
            setSiteHostsForTests(QStringLiteral("127.0.0.1:1"), QStringLiteral("127.0.0.1:1"));
        ScriptedPlatform scripted;
        QPointer<TFeedbackForm> form = openForm();
        QTest::mouseClick(form->Panel5, Qt::LeftButton);
        form->Memo1->setPlainText(QStringLiteral("kept text"));
        form->Edit1->setText(QStringLiteral("me@host.org"));
        form->BitBtn1->click();
        QCOMPARE(requests().size(), reachable ? 1 : 0);
        QCOMPARE(scripted.dialogs.boxes.size(), 1);
        QCOMPARE(scripted.dialogs.boxes.front().text,
                 QStringLiteral("Something went wrong. Your feedback could not be delivered."
                                "\r\rPlease try again later."));
        QCOMPARE(scripted.dialogs.boxes.front().caption, QStringLiteral("Failure"));
        QCOMPARE(scripted.dialogs.boxes.front().flags, 16);
        QCOMPARE(scripted.dialogs.busyDepth, 0);
        QVERIFY(!form.isNull() && form->isVisible());
        QCOMPARE(form->Memo1->toPlainText(), QStringLiteral("kept text"));
        QCOMPARE(form->Edit1->text(), QStringLiteral("me@host.org"));
        QVERIFY(form->DislikeChosen());
        delete form.data();
    }

    void escapeCloses_data() {
        QTest::addColumn<QString>("focus");
        QTest::newRow("text box") << "Memo1";
        QTest::newRow("e-mail box") << "Edit1";
        QTest::newRow("Send button") << "BitBtn1";
    }
    void escapeCloses() {
        QFETCH(QString, focus);
        ScriptedPlatform scripted;
        QPointer<TFeedbackForm> form = openForm();
        QWidget* target = form->findChild<QWidget*>(focus);
        QVERIFY(target);
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(form.isNull(), 5000);
        QVERIFY(requests().isEmpty());
    }

    void returnInTheEmailBoxDoesNotSend() {
        ScriptedPlatform scripted;
        QPointer<TFeedbackForm> form = openForm();
        form->Memo1->setPlainText(QStringLiteral("hello"));
        form->Edit1->setFocus();
        QTest::keyClick(form->Edit1, Qt::Key_Return);
        QVERIFY(requests().isEmpty());
        QVERIFY(!form.isNull());
        delete form.data();
    }
};

VELTRINO_TEST_MAIN(TestFeedbackForm)
#include "test_feedbackform.moc"
