#include "WindowPlacement.h"

#include <algorithm>

QRect placeBeside(const QRect &main, const QRect &keepVisible, QSize size, const QRect &screen)
{
    size = size.boundedTo(screen.size());
    constexpr int gap = 8;
    const auto clampedY = [&](int y) {
        return std::clamp(y, screen.top(), screen.bottom() + 1 - size.height());
    };
    const auto clampedX = [&](int x) {
        return std::clamp(x, screen.left(), screen.right() + 1 - size.width());
    };
    const QRect candidates[] = {
        {QPoint(main.right() + 1 + gap, clampedY(main.top())), size},
        {QPoint(main.left() - gap - size.width(), clampedY(main.top())), size},
        {QPoint(clampedX(main.left()), main.bottom() + 1 + gap), size},
        {QPoint(clampedX(main.left()), main.top() - gap - size.height()), size},
    };
    for (const QRect &r : candidates)
        if (screen.contains(r))
            return r;
    // No side has room: against the screen's edge on the side with more room, off the card.
    const int roomRight = screen.right() - keepVisible.right();
    const int roomLeft = keepVisible.left() - screen.left();
    const int width = std::min(size.width(), std::max(roomRight, roomLeft) - gap);
    const int y = clampedY(main.top());
    if (roomRight >= roomLeft)
        return {QPoint(screen.right() + 1 - width, y), QSize(width, size.height())};
    return {QPoint(screen.left(), y), QSize(width, size.height())};
}

SearchPlace placeSearch(const QRect &main, const QRect &keepVisible, QSize full, QSize compact,
                        const QRect &screen)
{
    // Moved only as far as the screen's edge, and only when that gains room.
    const int shift = std::min(0, screen.left() - main.left());
    for (const bool isCompact : {false, true}) {
        const QSize size = isCompact ? compact : full;
        for (const int dx : {0, shift}) {
            const QRect place =
                placeBeside(main.translated(dx, 0), keepVisible.translated(dx, 0), size, screen);
            if (place.width() >= size.width())
                return {place, isCompact, dx};
            if (shift == 0)
                break;
        }
    }
    return {placeBeside(main.translated(shift, 0), keepVisible.translated(shift, 0), compact, screen), true,
            shift};
}
