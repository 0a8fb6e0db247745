#include "services/AboutRules.h"

#include <algorithm>
#include <cfenv>
#include <cmath>

int EggTimerInterval(double screenDpi, double windowDpi) {
    if (windowDpi <= 0)
        return 5;
    // nearbyint follows the current rounding mode, which is to-nearest-even unless someone
    // changed it; state it rather than trust it.
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(5.0 * screenDpi / windowDpi);
    std::fesetround(saved);
    return std::max(1, static_cast<int>(rounded));
}

QString HelpPath(const QString& productName) {
    QString name = productName;
    for (QChar& c : name) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
        else if (c == u' ')
            c = u'-';
    }
    return QStringLiteral("/help/") + name + QLatin1Char('/');
}

bool TDropDownMemory::SwallowClick(const void* button, const void* menu, std::uint32_t now) {
    if (button != FButton || menu != FMenu || FButton == nullptr)
        return false;
    if (now - FClosedAt >= ReclickMs)
        return false;
    FButton = nullptr;
    FMenu = nullptr;
    return true;
}

void TDropDownMemory::MenuClosed(const void* button, const void* menu, std::uint32_t now) {
    FButton = button;
    FMenu = menu;
    FClosedAt = now;
}
