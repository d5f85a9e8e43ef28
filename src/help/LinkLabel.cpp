#include "LinkLabel.h"

#include <QMouseEvent>

LinkLabel::LinkLabel(const QString &caption, const QString &address, QWidget *parent)
    : QLabel(caption, parent), m_address(address)
{
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);

    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, QColor(0, 0, 192));
    setPalette(colours);

    setCursor(Qt::PointingHandCursor);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}
