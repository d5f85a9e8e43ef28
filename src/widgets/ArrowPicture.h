#pragma once

#include <QImage>

// The 15 x 13 picture of the back button: a left-pointing arrow in shades of blue, outlined in
// black, on silver. The silver is part of the picture and is copied with it.
QImage arrowPicture();
