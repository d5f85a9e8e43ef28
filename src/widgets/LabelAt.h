#pragma once

#include <QLabel>

// A label sized to its text with its top-left corner at (x, y), as the windows place them.
inline QLabel *labelAt(QWidget *parent, const QString &text, int x, int y, const QString &name)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(x, y);
    label->adjustSize();
    return label;
}
