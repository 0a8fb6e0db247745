#include "TestEnvironment.h"
#include "app/JobListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

// Removal keeps captions, results, identities and the duplicate index in step, whether it goes
// run by run or, for a scattered choice, in one pass.
class TestJobListModel : public QObject {
    Q_OBJECT

    static QStringList numbered(int count) {
        QStringList out;
        for (int i = 0; i < count; ++i)
            out << QStringLiteral("/m/%1.mp3").arg(i);
        return out;
    }

private Q_SLOTS:
    void removeRowsAt_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<QList<int>>("remove");
        QTest::addColumn<bool>("onePass");
        QTest::newRow("nothing") << 10 << QList<int>{} << false;
        QTest::newRow("one contiguous run") << 10 << QList<int>{3, 4, 5} << false;
        QTest::newRow("few runs, any order, duplicates, out of range")
            << 10 << QList<int>{9, 0, 4, 4, -1, 10, 5} << false;
        QList<int> everyOther, mostButEnds;
        for (int i = 0; i < 200; i += 2)
            everyOther << i;
        for (int i = 198; i > 1; i -= 3)
            mostButEnds << i << i - 1;
        QTest::newRow("every other row") << 200 << everyOther << true;
        QTest::newRow("pairs from the bottom") << 200 << mostButEnds << true;
    }
    void removeRowsAt() {
        QFETCH(int, size);
        QFETCH(QList<int>, remove);
        QFETCH(bool, onePass);
        TJobListModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QStringList all = numbered(size);
        QCOMPARE(model.appendAll(all), size);
        QList<TJobListModel::RowId> ids;
        for (int i = 0; i < size; ++i) {
            ids << model.rowId(i);
            model.setResult(i, QString::number(i));
        }
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy removals(&model, &QAbstractItemModel::rowsRemoved);

        model.removeRowsAt(remove);

        QCOMPARE(resets.size() > 0, onePass);
        if (onePass)
            QCOMPARE(removals.size(), 0);
        QStringList expected;
        for (int i = 0; i < size; ++i) {
            if (remove.contains(i)) {
                QCOMPARE(model.rowOf(ids[i]), -1);
                QVERIFY(!model.contains(all[i]));
                continue;
            }
            const int at = static_cast<int>(expected.size());
            expected << all[i];
            QCOMPARE(model.rowOf(ids[i]), at);
            QCOMPARE(model.result(at), QString::number(i));
            QVERIFY(model.contains(all[i]));
        }
        QCOMPARE(model.count(), expected.size());
        for (int i = 0; i < model.count(); ++i)
            QCOMPARE(model.caption(i), expected[i]);
        // A removed caption can come back, a kept one cannot come twice.
        QCOMPARE(model.appendAll(all), size - static_cast<int>(expected.size()));
    }
};

VELTRINO_TEST_CORE_MAIN(TestJobListModel)
#include "test_joblistmodel.moc"
