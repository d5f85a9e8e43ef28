#pragma once

#include <QString>

// Why a file could not be opened, in the classes the operator's messages distinguish.
enum class FileError {
    None,
    NotFound,     // the file (or its folder) does not exist
    AccessDenied, // read-only file or folder, or no permission
    Other,        // disk full, short write, invalid name and the rest
    Busy,         // another till kept the file locked for seconds
    NotKept,      // the content it would replace could not be kept in its history first
    Planted,      // a link or a stranger's file stands where the program keeps its own folder
};

// The errno of a failed open or write, classified.
[[nodiscard]] FileError classifyErrno(int err);

// The endings of the file messages.
enum class FileMessage { WriteProtected, CannotSave, NotFound, CannotOpen, Busy, NotKept, Planted };

// "Файл "<name>" защищён от записи." and the others.
QString fileMessage(const QString &name, FileMessage kind);

// The message for a failed write or a failed read of `name`.
QString writeFailureMessage(const QString &name, FileError error);
QString readFailureMessage(const QString &name, FileError error);
