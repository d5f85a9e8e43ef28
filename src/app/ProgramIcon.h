#pragma once

#include <QIcon>

// The program's own picture (the menu entry's SVG), drawn at the sizes window managers ask for.
QIcon programIcon();
