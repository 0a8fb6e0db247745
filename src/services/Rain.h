#pragma once
// The falling-characters rain of the about window, kept apart from the window so its arithmetic
// (grid, drops, colours, tail erasing) can be checked without a screen. The window supplies the
// canvas; everything else happens here.

#include <QChar>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

struct TRainDrop {
    std::int32_t Column = 0;
    std::int32_t Row = 0;
    std::int32_t Speed = 1;      // moves down one row every Speed-th step, 1..3
    std::int32_t Brightness = 0; // 0..99
};

struct TRainColour {
    int Red = 0;
    int Green = 0;
    int Blue = 0;
    friend bool operator==(const TRainColour&, const TRainColour&) = default;
};

// Where the rain draws. Coordinates are pixels of the window's own area.
class IRainCanvas {
public:
    virtual ~IRainCanvas() = default;
    // Fills the cell of CharWidth x CharHeight at (x, y) with black.
    virtual void EraseCell(int x, int y) = 0;
    // Writes one character, its cell's top-left corner at (x, y).
    virtual void DrawChar(QChar c, int x, int y, const TRainColour& colour) = 0;
};

class TRain {
public:
    static constexpr int CharWidth = 8;
    static constexpr int CharHeight = 12;
    static constexpr int MaxDrops = 5000;
    // How far above the head a drop's old characters are wiped out.
    static constexpr int TailLength = 40;

    // Gives a whole number in 0 .. bound - 1; bound is at least 1.
    using RandomSource = std::function<int(int bound)>;

    explicit TRain(RandomSource random = {});

    // The characters the rain is made of.
    void SetAlphabet(const QString& alphabet) { FAlphabet = alphabet; }
    const QString& Alphabet() const { return FAlphabet; }

    // Sizes the grid for a window of the given size (pixels) and seeds two drops per column.
    void InitRain(int bitmapWidth, int bitmapHeight);
    void ResetDrops();
    void AddDrop();
    // One timer step: every drop flickers to a new character and maybe moves down.
    void RainStep(IRainCanvas& canvas);
    void DrawDropChar(IRainCanvas& canvas, const TRainDrop& drop, QChar c) const;
    // Forgets the step count, as a fresh start of the rain does.
    void ResetTick() { FTick = 0; }

    int MatrixWidth() const { return FMatrixWidth; }
    int MatrixHeight() const { return FMatrixHeight; }
    std::uint32_t Tick() const { return FTick; }
    const std::vector<TRainDrop>& Drops() const { return FDrops; }
    std::vector<TRainDrop>& Drops() { return FDrops; }

    static TRainColour HeadColour(int brightness);
    static TRainColour TrailColour(int brightness);
    // The row whose cell a drop at row erases, wrapped into the grid (plus its hidden last row).
    static int TailRow(int row, int matrixHeight);

private:
    int Random(int bound) const;

    RandomSource FRandom;
    QString FAlphabet;
    std::vector<TRainDrop> FDrops;
    int FMatrixWidth = 0;
    int FMatrixHeight = 0;
    std::uint32_t FTick = 0;
};
