// The conversion run with the real whisper-cli and the tensor-less test model: the model loads
// but recognises nothing, so the tool's own behaviour on empty results is what the run sees.

#include "ConversionFixture.h"
#include "GeneratedAudio.h"

#include <QRadioButton>
#include <QtTest>

class TestConversionWhisper : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void realRecognizerWithTheTestModel() {
        const QString tool = QStringLiteral(VELTRINO_WHISPER_CLI);
        const QString model = testenv::sharedTestData(QStringLiteral("for-tests-ggml-tiny.bin"));
        if (!QFile::exists(tool))
            QSKIP(qPrintable(
                QStringLiteral("no whisper-cli at %1 (configure with VELTRINO_WHISPER=ON)")
                    .arg(tool)));
        if (!QFile::exists(model))
            QSKIP(qPrintable(QStringLiteral("test model %1 is missing").arg(model)));

        ConversionFixture fx(tool);
        QFile::remove(fx.whisperFolder() + QStringLiteral("ggml-base.bin"));
        QVERIFY(QFile::copy(model, fx.whisperFolder() + QStringLiteral("ggml-base.bin")));
        const QString input = fx.inputs.filePath(QStringLiteral("two seconds.wav"));
        ConversionFixture::writeFile(input, GeneratedWav(2, 32));
        TAppForm& form = fx.open({input});
        form.ShowErrorDetails1->setChecked(false);

        form.Button1->click();
        QVERIFY(fx.waitIdle(120000));
        QCOMPARE(fx.results(), QStringList{"OK"});
        QCOMPARE(form.AudioDuration(), 2.0);
        const QByteArray lrc =
            ConversionFixture::readFile(fx.outputs.filePath(QStringLiteral("two seconds.lrc")));
        QVERIFY2(!lrc.contains("[by:whisper.cpp]"), lrc.constData());
        // Nothing recognised: at most the byte-order mark and empty lines remain.
        QVERIFY2(QByteArray(lrc).replace("\xEF\xBB\xBF", "").replace("\r\n", "").isEmpty(),
                 lrc.constData());

        form.RadioButton2->setChecked(true);
        form.Button1->click();
        QVERIFY(fx.waitIdle(120000));
        QCOMPARE(fx.results(), QStringList{"Error"});
        QVERIFY(!QFile::exists(fx.outputs.filePath(QStringLiteral("two seconds.srt"))));
        QVERIFY(!QFile::exists(form.WorkFolder() + QStringLiteral("temp.srt")));
        QCOMPARE(form.AudioDuration(), 2.0);
    }
};

VELTRINO_TEST_MAIN(TestConversionWhisper)
#include "test_conversion_whisper.moc"
