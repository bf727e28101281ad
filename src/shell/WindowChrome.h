#pragma once

#include <QFont>

class QWidget;

// What the program's two windows look like alike: their font, their frame
// and where they first show.
namespace chrome {

// Arial bold, at 9 points for a window and its labels, 11.25 for its push
// buttons.
QFont arialBold(double points);
inline constexpr double WindowPoints = 9.0;
inline constexpr double ButtonPoints = 11.25;

// A fixed single border with a title, a system menu, a minimize and a close
// button and no maximize button, around a client area of the size given in
// twips; the window's font.
void frameWindow(QWidget* window, int clientWidthTwips, int clientHeightTwips);

// Puts window's frame in the middle of the available area of its screen.
void centreOnScreen(QWidget* window);

} // namespace chrome
