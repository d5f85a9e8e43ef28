#pragma once

#include <QRect>

// Where a tool window of `size` goes beside the main window `main` on the screen's free area
// `screen`, never over `keepVisible` (the part of the main window it speaks of): to the right of
// the main window, else to the left, below or above; where none has room, against the screen's
// edge on the side with more room, narrowed as far as needed to leave `keepVisible` uncovered.
QRect placeBeside(const QRect &main, const QRect &keepVisible, QSize size, const QRect &screen);
