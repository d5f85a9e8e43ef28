#pragma once

#include <QString>

// The data folder "База" under the program folder, always ending with the path separator.
// The separator is "\" when the program folder's path holds one anywhere, otherwise "/".
QString bazaPathFor(const QString &programFolder);
