#pragma once

#include <QFont>
#include <QList>
#include <QString>

// A text of the About window and the room it has: it must fit `width` x `height` pixels.
struct TextRoom {
    QString text;
    int width;
    int height;
};

// The About window's font: "MS Sans Serif" bold 12 points where the system has it, otherwise a
// bold sans-serif with Cyrillic letters; made smaller, a pixel at a time, until every text fits
// its room (as "MS Sans Serif" itself does).
QFont aboutFont(const QList<TextRoom> &texts);
