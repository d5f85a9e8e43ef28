#pragma once

class QString;
class QUrl;

// The desktop shell that opens documents and addresses in their own viewer. The program only asks;
// what the shell does with the request is its own business. Tests install a recorder instead.
class Shell {
public:
    virtual ~Shell() = default;

    // Asks the shell to open `url`, the viewer starting in `workingDirectory`; the outcome is not
    // reported.
    virtual void open(const QUrl &url, const QString &workingDirectory) = 0;

    // The shell in use: the desktop's unless a test installed its own.
    static Shell &current();
    // Installs `shell` (not owned); nullptr brings back the desktop's.
    static void install(Shell *shell);
};
