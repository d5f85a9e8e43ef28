#pragma once

#include <QString>

// Which characters separate the folders of the program folder's path.
enum class FolderSeparator {
    BackslashIfAny, // "\" when the path holds one anywhere, otherwise "/" (drive-letter systems)
    Slash,          // "/" only: here a "\" is an ordinary character of a folder's name
};

// The data folder "База" under the program folder, always ending with the separator.
QString bazaPathFor(const QString &programFolder, FolderSeparator separator);
