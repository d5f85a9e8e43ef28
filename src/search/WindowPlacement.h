#pragma once

#include <QRect>

// Where a tool window of `size` goes beside the main window `main` on the screen's free area
// `screen`, never over `keepVisible` (the part of the main window it speaks of): to the right of
// the main window, else to the left, below or above; where none has room, against the screen's
// edge on the side with more room, narrowed as far as needed to leave `keepVisible` uncovered.
QRect placeBeside(const QRect &main, const QRect &keepVisible, QSize size, const QRect &screen);

// Where the search window goes, in its full form (one column a field) or its compact one (two
// fields a column, two lines a row): the full form beside the main window, else with the main
// window moved against the screen's left edge to make room (mainShift, the move along x); else
// the compact form the same two ways; else the compact form narrowed off `keepVisible`.
struct SearchPlace {
    QRect window;
    bool compact = false;
    int mainShift = 0;
};
SearchPlace placeSearch(const QRect &main, const QRect &keepVisible, QSize full, QSize compact,
                        const QRect &screen);
