#include "shell/MainLayout.h"

#include <cmath>

namespace mainLayout {

Geometry LayoutMainFrame(const Geometry& design) {
    Geometry g = design;
    const double dW = static_cast<double>(g.windowWidth) - g.flashWidth;
    const double dH = static_cast<double>(g.windowHeight) - g.flashHeight;
    if (dW > 0) {
        g.flashWidth = std::lround(g.flashWidth + dW * 1.2 + 400);
        g.frameLeft = std::lround(g.frameLeft + static_cast<double>(g.frameLeft) / g.windowWidth * dW);
        g.windowWidth = g.flashWidth;
    }
    if (dH > 0) {
        g.flashHeight = std::lround(g.flashHeight + dH * 1.2 + 325);
        g.frameTop = std::lround(g.frameTop + static_cast<double>(g.frameTop) / g.windowHeight * dH);
        g.windowHeight = g.flashHeight;
    }
    return g;
}

Position KeepOnScreen(Position at, long width, long height, long screenWidth, long screenHeight) {
    if (at.left < 0) at.left = 0;
    if (at.top < 0) at.top = 0;
    if (screenWidth - width < at.left) at.left = screenWidth - width;
    if (screenHeight - height < at.top) at.top = screenHeight - height;
    return at;
}

}  // namespace mainLayout
