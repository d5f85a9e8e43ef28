#pragma once

#include <QString>

class QWidget;

// Writes a one-line page that sends the browser on to `address` into the data folder `bazaPath`
// (ending with the separator) as "0.html", or the first of "1.html", "2.html", ... that can be
// written, and asks the shell to open it. Returns the path written, or an empty string when no
// number up to the last one tried could be written; the operator is then told over `parent` that
// the folder refused.
QString SaveFileUrl(const QString &bazaPath, const QString &address, QWidget *parent = nullptr);

// How many numbers are tried before giving up.
inline constexpr int kRedirectPageTries = 100;
