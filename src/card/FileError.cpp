#include "FileError.h"

#include "FileName.h"

#include <cerrno>

FileError classifyErrno(int err)
{
    switch (err) {
    case 0:
        return FileError::None;
    case ENOENT:
    case ENOTDIR:
        return FileError::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        return FileError::AccessDenied;
    default:
        return FileError::Other;
    }
}

QString fileMessage(const QString &name, FileMessage kind)
{
    QString ending;
    switch (kind) {
    case FileMessage::WriteProtected:
        ending = QStringLiteral(" защищён от записи.");
        break;
    case FileMessage::CannotSave:
        ending = QStringLiteral(" сохранить не возможно.");
        break;
    case FileMessage::NotFound:
        ending = QStringLiteral(" не найден.");
        break;
    case FileMessage::CannotOpen:
        ending = QStringLiteral(" открыть не возможно.");
        break;
    case FileMessage::Busy:
        ending = QStringLiteral(" занят другой кассой. Попробуйте ещё раз.");
        break;
    case FileMessage::NotKept:
        ending = QStringLiteral(" не записан: его прежнее содержимое сохранить в истории (папка "
                                "\".history\" в базе) не возможно.");
        break;
    case FileMessage::Planted:
        ending = QStringLiteral(" не записан: вместо папки \".history\" в базе лежит ссылка или чужой файл. "
                                "Программа туда не пишет; сообщите об этом администратору.");
        break;
    }
    return QStringLiteral("Файл \"") + filename::display(name) + QLatin1Char('"') + ending;
}

QString writeFailureMessage(const QString &name, FileError error)
{
    switch (error) {
    case FileError::AccessDenied:
        return fileMessage(name, FileMessage::WriteProtected);
    case FileError::Busy:
        return fileMessage(name, FileMessage::Busy);
    case FileError::NotKept:
        return fileMessage(name, FileMessage::NotKept);
    case FileError::Planted:
        return fileMessage(name, FileMessage::Planted);
    default:
        return fileMessage(name, FileMessage::CannotSave);
    }
}

QString readFailureMessage(const QString &name, FileError error)
{
    return fileMessage(name, error == FileError::NotFound ? FileMessage::NotFound : FileMessage::CannotOpen);
}
