#pragma once

#include <QFont>

// "MS Sans Serif" bold where the system has it, otherwise a bold sans-serif with Cyrillic glyphs.
QFont programFont();
