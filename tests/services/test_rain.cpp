// The about window's rain and small rules, checked without a window.
#include "TestEnvironment.h"
#include "services/AboutRules.h"
#include "services/Rain.h"

#include <QtTest>

#include <deque>

namespace {

struct DrawnCell {
    bool erase = false;
    QChar c;
    int x = 0;
    int y = 0;
    TRainColour colour;
};

class RecordingCanvas final : public IRainCanvas {
public:
    QList<DrawnCell> cells;
    void EraseCell(int x, int y) override { cells.append({true, QChar(), x, y, {}}); }
    void DrawChar(QChar c, int x, int y, const TRainColour& colour) override {
        cells.append({false, c, x, y, colour});
    }
};

// Answers from a script, then the largest value allowed, and records every bound asked for.
struct ScriptedRandom {
    std::deque<int> answers;
    QList<int> bounds;
    int operator()(int bound) {
        bounds.append(bound);
        if (answers.empty())
            return bound - 1;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
};

} // namespace

Q_DECLARE_METATYPE(TRainColour)

class TestRain : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void gridAndDropsForTheWindowSize_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("drops");
        QTest::newRow("about window 446 x 374") << 446 << 374 << 55 << 31 << 110;
        QTest::newRow("one cell short of a column") << 7 << 374 << 0 << 31 << 0;
        QTest::newRow("exactly one cell") << 8 << 12 << 1 << 1 << 2;
        QTest::newRow("capped at 5000 drops") << 8 * 3000 << 120 << 3000 << 10 << 5000;
    }
    void gridAndDropsForTheWindowSize() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(int, drops);
        TRain rain;
        rain.InitRain(width, height);
        QCOMPARE(rain.MatrixWidth(), columns);
        QCOMPARE(rain.MatrixHeight(), rows);
        QCOMPARE(int(rain.Drops().size()), drops);
        // Drops are dealt to the columns in turn, so each column starts with two.
        QList<int> perColumn(columns, 0);
        for (std::size_t i = 0; i < rain.Drops().size(); ++i) {
            const TRainDrop& d = rain.Drops()[i];
            QCOMPARE(d.Column, int(i) % columns);
            ++perColumn[d.Column];
            QVERIFY(d.Row >= 0 && d.Row < rows);
            QVERIFY(d.Speed >= 1 && d.Speed <= 3);
            QVERIFY(d.Brightness >= 0 && d.Brightness <= 99);
        }
        if (drops < TRain::MaxDrops)
            for (int n : perColumn)
                QCOMPARE(n, 2);
    }

    void addDropStopsAtTheCap() {
        TRain rain;
        rain.InitRain(8 * 3000, 120);
        QCOMPARE(int(rain.Drops().size()), 5000);
        rain.AddDrop();
        QCOMPARE(int(rain.Drops().size()), 5000);
        rain.Drops().pop_back();
        rain.AddDrop();
        QCOMPARE(int(rain.Drops().size()), 5000);
        QCOMPARE(rain.Drops().back().Column, 4999 % 3000);
    }

    void newDropTakesItsValuesFromTheRandomSource() {
        ScriptedRandom random;
        random.answers = {7, 2, 42}; // row, speed - 1, brightness
        TRain rain(std::ref(random));
        rain.InitRain(16, 120); // 2 columns, 10 rows: four drops
        const TRainDrop& first = rain.Drops().front();
        QCOMPARE(first.Row, 7);
        QCOMPARE(first.Speed, 3);
        QCOMPARE(first.Brightness, 42);
        QCOMPARE(random.bounds.mid(0, 3), (QList<int>{10, 3, 100}));
    }

    void tailRow_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("matrixHeight");
        QTest::addColumn<int>("tail");
        QTest::newRow("row 3 of 31 wraps twice") << 3 << 31 << 27;
        QTest::newRow("row 0 of 31") << 0 << 31 << 24;
        QTest::newRow("row 40 is its own tail's start") << 40 << 31 << 0;
        QTest::newRow("row 45 needs no wrap") << 45 << 31 << 5;
        QTest::newRow("short grid wraps many times") << 3 << 10 << 7;
    }
    void tailRow() {
        QFETCH(int, row);
        QFETCH(int, matrixHeight);
        QFETCH(int, tail);
        QCOMPARE(TRain::TailRow(row, matrixHeight), tail);
    }

    void colours_data() {
        QTest::addColumn<int>("brightness");
        QTest::addColumn<TRainColour>("head");
        QTest::addColumn<TRainColour>("trail");
        QTest::newRow("99") << 99 << TRainColour{148, 252, 98} << TRainColour{49, 84, 32};
        QTest::newRow("50") << 50 << TRainColour{74, 127, 49} << TRainColour{24, 42, 16};
        QTest::newRow("1") << 1 << TRainColour{1, 2, 0} << TRainColour{0, 0, 0};
        QTest::newRow("0") << 0 << TRainColour{0, 0, 0} << TRainColour{0, 0, 0};
    }
    void colours() {
        QFETCH(int, brightness);
        QFETCH(TRainColour, head);
        QFETCH(TRainColour, trail);
        QCOMPARE(TRain::HeadColour(brightness), head);
        QCOMPARE(TRain::TrailColour(brightness), trail);
    }

    void drawDropCharErasesTheTailAndDrawsTrailAndHead_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("trail");
        QTest::newRow("row 0 draws only its head") << 0 << false;
        QTest::newRow("row 3 draws trail and head") << 3 << true;
    }
    void drawDropCharErasesTheTailAndDrawsTrailAndHead() {
        QFETCH(int, row);
        QFETCH(bool, trail);
        TRain rain;
        rain.InitRain(446, 374);
        RecordingCanvas canvas;
        const TRainDrop drop{5, row, 1, 99};
        rain.DrawDropChar(canvas, drop, u'k');
        QCOMPARE(canvas.cells.size(), trail ? 3 : 2);
        const DrawnCell& erase = canvas.cells.front();
        QVERIFY(erase.erase);
        QCOMPARE(erase.x, 40);
        QCOMPARE(erase.y, TRain::TailRow(row, 31) * 12);
        if (trail) {
            const DrawnCell& t = canvas.cells[1];
            QVERIFY(!t.erase);
            QCOMPARE(t.c, QChar(u'k'));
            QCOMPARE(t.x, 40);
            QCOMPARE(t.y, (row - 1) * 12);
            QCOMPARE(t.colour, (TRainColour{49, 84, 32}));
        }
        const DrawnCell& head = canvas.cells.back();
        QVERIFY(!head.erase);
        QCOMPARE(head.y, row * 12);
        QCOMPARE(head.colour, (TRainColour{148, 252, 98}));
    }

    void stepMovesEachDropByItsSpeedAndRestartsBelowTheGrid() {
        ScriptedRandom random;
        TRain rain(std::ref(random));
        rain.SetAlphabet(QStringLiteral("kes"));
        rain.InitRain(8, 36); // one column, three rows, two drops
        std::vector<TRainDrop>& drops = rain.Drops();
        drops[0] = {0, 0, 2, 10};
        drops[1] = {0, 4, 1, 20};      // the last row below the grid (matrixHeight + 1)
        random.answers = {1, 0, 0, 2}; // characters and the restarted drop's speed/brightness
        random.bounds.clear();
        RecordingCanvas canvas;
        rain.RainStep(canvas); // tick 0: every speed moves
        QCOMPARE(drops[0].Row, 1);
        QCOMPARE(drops[1].Row, 0);
        QCOMPARE(drops[1].Speed, 1);
        QCOMPARE(drops[1].Brightness, 2);
        QCOMPARE(random.bounds, (QList<int>{3, 3, 3, 100}));
        // The first drop drew "e" (index 1), the second "k" (index 0).
        QCOMPARE(canvas.cells.back().c, QChar(u'k'));
        QCOMPARE(canvas.cells[1].c, QChar(u'e'));
        QCOMPARE(rain.Tick(), 1u);
        random.answers = {0, 0};
        rain.RainStep(canvas); // tick 1: speed 2 waits, speed 1 moves
        QCOMPARE(drops[0].Row, 1);
        QCOMPARE(drops[1].Row, 1);
        rain.RainStep(canvas); // tick 2: both move
        QCOMPARE(drops[0].Row, 2);
        QCOMPARE(drops[1].Row, 2);
    }

    void eggTimerInterval_data() {
        QTest::addColumn<double>("screenDpi");
        QTest::addColumn<double>("windowDpi");
        QTest::addColumn<int>("interval");
        QTest::newRow("96 / 96") << 96.0 << 96.0 << 5;
        QTest::newRow("96 / 144") << 96.0 << 144.0 << 3;
        QTest::newRow("96 / 192 half to even") << 96.0 << 192.0 << 2;
        QTest::newRow("144 / 96 half to even") << 144.0 << 96.0 << 8;
        QTest::newRow("96 / 128") << 96.0 << 128.0 << 4;
        QTest::newRow("at least one") << 96.0 << 1000.0 << 1;
    }
    void eggTimerInterval() {
        QFETCH(double, screenDpi);
        QFETCH(double, windowDpi);
        QFETCH(int, interval);
        QCOMPARE(EggTimerInterval(screenDpi, windowDpi), interval);
    }

    void helpPath_data() {
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("path");
        QTest::newRow("My Tool 2") << "My Tool 2"
                                   << "/help/my-tool-2/";
        QTest::newRow("Veltrino") << "Veltrino"
                                  << "/help/veltrino/";
        QTest::newRow("two blanks") << "A  B"
                                    << "/help/a--b/";
        QTest::newRow("only ASCII folded")
            << QStringLiteral("Ölçer X") << QStringLiteral("/help/Ölçer-x/");
    }
    void helpPath() {
        QFETCH(QString, product);
        QFETCH(QString, path);
        QCOMPARE(HelpPath(product), path);
    }

    void dropDownReclick_data() {
        QTest::addColumn<quint32>("closedAt");
        QTest::addColumn<quint32>("clickAt");
        QTest::addColumn<bool>("sameButton");
        QTest::addColumn<bool>("swallowed");
        QTest::newRow("the closing click, 99 ms") << 1000u << 1099u << true << true;
        QTest::newRow("100 ms later opens") << 1000u << 1100u << true << false;
        QTest::newRow("another button opens") << 1000u << 1010u << false << false;
        QTest::newRow("counter wrapped") << 0xFFFFFFF0u << 0x10u << true << true;
    }
    void dropDownReclick() {
        QFETCH(quint32, closedAt);
        QFETCH(quint32, clickAt);
        QFETCH(bool, sameButton);
        QFETCH(bool, swallowed);
        int button = 0, other = 0, menu = 0;
        TDropDownMemory memory;
        QVERIFY(!memory.SwallowClick(&button, &menu, clickAt));
        memory.MenuClosed(&button, &menu, closedAt);
        QCOMPARE(memory.SwallowClick(sameButton ? &button : &other, &menu, clickAt), swallowed);
        // A swallowed click forgets the menu: the next click opens it even at once.
        if (swallowed)
            QVERIFY(!memory.SwallowClick(&button, &menu, clickAt));
    }
};

VELTRINO_TEST_CORE_MAIN(TestRain)
#include "test_rain.moc"
