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
