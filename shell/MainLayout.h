#pragma once
// The main window's geometry, window-free: fitting the window to its movie (and moving the panel
// frame with it), and keeping a window inside the screen. Every size is in twips.
namespace mainLayout {

struct Geometry {
    long windowWidth = 0, windowHeight = 0;
    long flashWidth = 0, flashHeight = 0;
    long frameLeft = 0, frameTop = 0;
};

// A window larger than its movie: the movie grows past the difference (by a fifth more, plus a
// fixed margin: 400 across, 325 down), the frame moves in proportion to where it stood, and the
// window takes the movie's new size. A window not larger than the movie keeps everything.
Geometry LayoutMainFrame(const Geometry& design);

struct Position {
    long left = 0, top = 0;
};
// The four corrections of a window that is to stay on the screen, in this order: left edge,
// top edge, right edge, bottom edge (a window larger than the screen ends at its far edges).
Position KeepOnScreen(Position at, long width, long height, long screenWidth, long screenHeight);

}  // namespace mainLayout
