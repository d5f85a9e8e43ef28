#pragma once

#include <QCollator>

// The order of names in every sorted list of the program: Russian, letter case ignored,
// whatever the locale of the machine.
QCollator russianCollator();
