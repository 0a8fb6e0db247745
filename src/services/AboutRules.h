#pragma once
// Small rules of the about window and of online help that need no window to be checked.

#include <QString>

#include <cstdint>

// The sliding panel's timer interval: 5 ms scaled by the screen's DPI over the window's own,
// rounded to the nearest whole number with halves to even, never below 1 ms.
int EggTimerInterval(double screenDpi, double windowDpi);

// The path of the product's online help page: "/help/" + the name with ASCII letters lower-cased
// and blanks turned into "-" + "/".
QString HelpPath(const QString& productName);

// Remembers the last drop-down of a menu button, so that the click which closes an open menu by
// landing on its own button does not open the menu again at once.
class TDropDownMemory {
public:
    static constexpr std::uint32_t ReclickMs = 100;

    // True when this button and menu were the last ones and their menu closed less than
    // ReclickMs ago (tick counts compared as unsigned, so a wrapped counter still works). A
    // swallowed click also forgets the remembered pair, so the next click opens the menu.
    bool SwallowClick(const void* button, const void* menu, std::uint32_t now);
    // Call when the menu has closed.
    void MenuClosed(const void* button, const void* menu, std::uint32_t now);

private:
    const void* FButton = nullptr;
    const void* FMenu = nullptr;
    std::uint32_t FClosedAt = 0;
};
