#include "ScriptedPlatform.h"
#include "TestEnvironment.h"
#include "app/ErrorForm.h"

#include <QPointer>
#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

class TestErrorForm : public QObject {
    Q_OBJECT

    // The viewport point in the middle of the characters [start, start+length) of a line.
    static QPoint pointOf(QTextEdit* memo, int line, int start, int length) {
        const QTextBlock block = memo->document()->findBlockByNumber(line);
        QTextCursor c(block);
        c.setPosition(block.position() + start);
        const QRect a = memo->cursorRect(c);
        c.setPosition(block.position() + start + length);
        const QRect b = memo->cursorRect(c);
        return QPoint((a.left() + b.left()) / 2, a.center().y());
    }

private Q_SLOTS:
    void findsOnlyWebLinks_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("links");
        QTest::newRow("https") << "see https://example.com/a?b=1 now"
                               << QStringList{"https://example.com/a?b=1"};
        QTest::newRow("http and www")
            << "http://x.org, www.y.net." << QStringList{"http://x.org", "www.y.net"};
        QTest::newRow("upper case") << "HTTPS://X.ORG" << QStringList{"HTTPS://X.ORG"};
        QTest::newRow("other schemes are not links")
            << "ftp://a.b file:///tmp/x mailto:a@b.c /home/u/www.mp3 C:\\www.x" << QStringList{};
        QTest::newRow("whisper line")
            << "whisper_init_from_file: loading model from '/p/ggml-base.bin'" << QStringList{};
        QTest::newRow("bare prefixes") << "http:// www." << QStringList{};
        QTest::newRow("in parentheses") << "(see www.z.com)" << QStringList{"www.z.com"};
    }
    void findsOnlyWebLinks() {
        QFETCH(QString, text);
        QFETCH(QStringList, links);
        QStringList found;
        for (const auto& [start, length] : TFormError::FindLinks(text))
            found << text.mid(start, length);
        QCOMPARE(found, links);
    }

    void windowShowsReportAndOpensLinks() {
        ScriptedPlatform scripted;
        QPointer<TFormError> form = new TFormError;
        form->SetReport(QStringLiteral(
            "Input: /a.mp3\rOutput: /a.lrc\r\rvisit https://ex.com/x here\r\nend\r\n"));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        QCOMPARE(form->windowTitle(), QStringLiteral("ERROR"));
        QCOMPARE(form->size(), QSize(414, 313));
        QTextEdit* memo = form->Memo1;
        QCOMPARE(
            memo->toPlainText(),
            QStringLiteral("Input: /a.mp3\nOutput: /a.lrc\n\nvisit https://ex.com/x here\nend\n"));
        QVERIFY(!memo->isReadOnly());
        QVERIFY(form->Button1->isDefault());
        QVERIFY(!form->isModal());

        // A press beside the link opens nothing; one on it opens it and shows the busy cursor.
        QTest::mouseClick(memo->viewport(), Qt::LeftButton, {}, pointOf(memo, 3, 0, 5));
        QVERIFY(scripted.shell.calls.isEmpty());
        QTest::mouseClick(memo->viewport(), Qt::LeftButton, {}, pointOf(memo, 3, 6, 16));
        QCOMPARE(scripted.shell.calls.size(), 1);
        QCOMPARE(scripted.shell.calls.first().verb, QStringLiteral("open"));
        QCOMPARE(scripted.shell.calls.first().target, QStringLiteral("https://ex.com/x"));
        QCOMPARE(memo->textCursor().selectedText(), QStringLiteral("https://ex.com/x"));
        QCOMPARE(scripted.dialogs.busyDepth, 1);
        QVERIFY(form->TimerURLclick->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(scripted.dialogs.busyDepth, 0, 3000);
        QVERIFY(!form->TimerURLclick->isActive());

        // Escape inside the text closes and frees the window.
        QTest::keyClick(memo, Qt::Key_Escape);
        QTRY_VERIFY(form.isNull());
    }

    void okClosesAndBusyCursorIsRestoredOnEarlyClose() {
        ScriptedPlatform scripted;
        QPointer<TFormError> form = new TFormError;
        form->SetReport(QStringLiteral("www.veltrino.example\r"));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        QTest::mouseClick(form->Memo1->viewport(), Qt::LeftButton, {},
                          pointOf(form->Memo1, 0, 0, 20));
        QCOMPARE(scripted.shell.calls.value(0).target,
                 QStringLiteral("http://www.veltrino.example"));
        QCOMPARE(scripted.dialogs.busyDepth, 1);
        form->Button1->click();
        QTRY_VERIFY(form.isNull());
        QCOMPARE(scripted.dialogs.busyDepth, 0);
    }
};

VELTRINO_TEST_MAIN(TestErrorForm)
#include "test_error_form.moc"
