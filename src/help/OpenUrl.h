#pragma once

#include <QString>

// Asks the desktop shell to open the local file `file` (a full path) with its default viewer,
// started in the program folder.
// Every failure is ignored and nothing is shown: a missing file is the viewer's business.
void OpenURL(const QString &file);
