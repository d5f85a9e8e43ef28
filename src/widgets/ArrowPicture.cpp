#include "ArrowPicture.h"

#include <QColor>

#include <array>

QImage arrowPicture()
{
    // One letter a pixel; the blues get darker towards the bottom, as if lit from above.
    static constexpr std::array<const char *, 13> rows = {
        "......k........", //
        ".....kk........", //
        "....kak........", //
        "...kaakkkkkkkkk", //
        "..kbbbbbbbbbbbk", //
        ".kcccccccccccck", //
        "kccccccccccccck", //
        ".kddddddddddddk", //
        "..kdddddddddddk", //
        "...keekkkkkkkkk", //
        "....kek........", //
        ".....kk........", //
        "......k........", //
    };
    auto colour = [](char c) {
        switch (c) {
        case 'k':
            return QColor(0, 0, 0);
        case 'a':
            return QColor(204, 255, 255);
        case 'b':
            return QColor(153, 255, 255);
        case 'c':
            return QColor(51, 204, 255);
        case 'd':
            return QColor(51, 153, 255);
        case 'e':
            return QColor(51, 102, 255);
        default:
            return QColor(192, 192, 192);
        }
    };

    QImage image(15, 13, QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, colour(rows[y][x]));
    return image;
}
