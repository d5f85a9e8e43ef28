#pragma once

#include <QColor>

class QPainter;

// The classic three-dimensional frame two pixels wide shared by the image buttons and the
// customer list panel. The two system colours are the classic desktop's values, so the look
// does not depend on the style of the machine.
namespace frame3d {

inline QColor light()
{
    return QColor(227, 227, 227);
} // 3D light
inline QColor workspace()
{
    return QColor(171, 171, 171);
} // application workspace

// A line from (x1, y1) towards (x2, y2) that stops one pixel short of its end point.
void lineShort(QPainter &painter, int x1, int y1, int x2, int y2, const QColor &colour);

// Raised: white and 3D light on the top and left, workspace and black on the bottom and right.
// Sunken: the same lines in the opposite colours.
void drawRaised(QPainter &painter, int width, int height);
void drawSunken(QPainter &painter, int width, int height);

} // namespace frame3d
