#include "RaisedFrame.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace frame3d {

void lineShort(QPainter &painter, int x1, int y1, int x2, int y2, const QColor &colour)
{
    const int steps = std::max(std::abs(x2 - x1), std::abs(y2 - y1));
    if (steps == 0)
        return;
    painter.setPen(colour);
    painter.drawLine(x1, y1, x1 + (x2 - x1) * (steps - 1) / steps, y1 + (y2 - y1) * (steps - 1) / steps);
}

namespace {

void drawFrame(QPainter &p, int w, int h, const std::array<QColor, 8> &c)
{
    lineShort(p, 0, 0, 0, h - 1, c[0]);
    lineShort(p, 0, 0, w - 1, 0, c[1]);
    lineShort(p, 1, 1, 1, h - 2, c[2]);
    lineShort(p, 1, 1, w - 2, 1, c[3]);
    lineShort(p, 1, h - 2, w - 2, h - 2, c[4]);
    lineShort(p, 0, h - 1, w, h - 1, c[5]);
    lineShort(p, w - 2, 1, w - 2, h - 1, c[6]);
    lineShort(p, w - 1, 0, w - 1, h, c[7]);
}

} // namespace

void drawRaised(QPainter &painter, int width, int height)
{
    const QColor white(Qt::white), black(Qt::black);
    drawFrame(painter, width, height,
              {white, white, light(), light(), workspace(), black, workspace(), black});
}

void drawSunken(QPainter &painter, int width, int height)
{
    const QColor white(Qt::white), black(Qt::black);
    drawFrame(painter, width, height,
              {workspace(), workspace(), black, black, white, light(), white, light()});
}

} // namespace frame3d
