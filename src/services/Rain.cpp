#include "services/Rain.h"

#include <QRandomGenerator>

TRain::TRain(RandomSource random) : FRandom(std::move(random)) {
    FDrops.reserve(MaxDrops);
}

int TRain::Random(int bound) const {
    if (bound < 1)
        return 0;
    if (FRandom)
        return FRandom(bound);
    return static_cast<int>(QRandomGenerator::global()->bounded(bound));
}

void TRain::InitRain(int bitmapWidth, int bitmapHeight) {
    FMatrixWidth = bitmapWidth / CharWidth;
    FMatrixHeight = bitmapHeight / CharHeight;
    ResetDrops();
}

void TRain::ResetDrops() {
    FDrops.clear();
    const int wanted = 2 * FMatrixWidth;
    for (int i = 0; i < wanted; ++i)
        AddDrop();
}

void TRain::AddDrop() {
    if (static_cast<int>(FDrops.size()) >= MaxDrops || FMatrixWidth < 1)
        return;
    TRainDrop drop;
    drop.Column = static_cast<int>(FDrops.size()) % FMatrixWidth;
    drop.Row = Random(FMatrixHeight);
    drop.Speed = 1 + Random(3);
    drop.Brightness = Random(100);
    FDrops.push_back(drop);
}

void TRain::RainStep(IRainCanvas& canvas) {
    for (TRainDrop& drop : FDrops) {
        const QChar c = FAlphabet.isEmpty() ? QChar(u' ') : FAlphabet.at(Random(FAlphabet.size()));
        DrawDropChar(canvas, drop, c);
        if (FTick % static_cast<std::uint32_t>(drop.Speed) == 0) {
            ++drop.Row;
            if (drop.Row > FMatrixHeight + 1) {
                drop.Row = 0;
                drop.Speed = 1 + Random(3);
                drop.Brightness = Random(100);
            }
        }
    }
    ++FTick;
}

int TRain::TailRow(int row, int matrixHeight) {
    int tail = row - TailLength;
    const int wrap = matrixHeight + 1;
    while (tail < 0)
        tail += wrap;
    return tail;
}

TRainColour TRain::HeadColour(int brightness) {
    const int f = brightness * 255 / 100;
    return {f * 150 / 255, f, f * 100 / 255};
}

TRainColour TRain::TrailColour(int brightness) {
    const int g = brightness * 255 / 100 / 3;
    return {g * 150 / 255, g, g * 100 / 255};
}

void TRain::DrawDropChar(IRainCanvas& canvas, const TRainDrop& drop, QChar c) const {
    const int x = drop.Column * CharWidth;
    canvas.EraseCell(x, TailRow(drop.Row, FMatrixHeight) * CharHeight);
    if (drop.Row > 0)
        canvas.DrawChar(c, x, (drop.Row - 1) * CharHeight, TrailColour(drop.Brightness));
    canvas.DrawChar(c, x, drop.Row * CharHeight, HeadColour(drop.Brightness));
}
