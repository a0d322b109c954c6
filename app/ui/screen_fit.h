// Windows that fit: every top-level window is held within the available area of its screen
// (the screen without panels and docks), so that at any scale (QT_SCALE_FACTOR, a large
// font) every button can be reached. A window whose layout cannot shrink that far gets its
// content in a scroll area instead of losing its lower or right part off the screen.
#pragma once

class QApplication;
class QWidget;

namespace halvex {

// Shrinks `window` (frame included) to the available area of its screen and moves it inside.
void fit_to_screen(QWidget* window);

// Puts the layout of `window` into a scroll area that fills the window, so the window can be
// smaller than its layout's minimum and the rest scrolls. Does nothing twice, and nothing to
// a window without a box or grid layout.
void scroll_when_too_small(QWidget* window);

// Applies both to every top-level window as it is shown: a scroll area where the layout's
// minimum exceeds the screen, then fit_to_screen.
void fit_windows_to_screen(QApplication& app);

}  // namespace halvex
