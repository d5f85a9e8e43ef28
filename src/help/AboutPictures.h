#pragma once

#include <QImage>

// The 80 x 45 picture at the foot of the About window: white, with a blue band from row 15 to
// row 30 and a red band from row 31 down.
QImage bandsPicture();

// The program's emblem, 71 x 126 on a transparent ground: a customer card with its owner and
// ruled purchase lines, and a shopping bag in front of it.
QImage emblemPicture();
