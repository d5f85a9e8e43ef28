#pragma once

#include "UniqueFd.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <sys/stat.h>

// The files a backup takes and the careful reading of each: no link is ever followed, no pipe
// waited for; what is not an ordinary file or folder is left out.
namespace backup {

// A folder the files come from: `root` opened as it is named, then the sub-folders `below` one
// by one, none of them through a link.
struct SourceFolder {
    QByteArray root;
    QList<QByteArray> below;
};

struct SourceFile {
    qsizetype folder = 0;   // in SourceList::folders
    QByteArray name;        // the name in that folder, as the file system has it
    QByteArray archiveName; // UTF-8: "База/<path>" or "Товары.txt"
};

struct SourceList {
    QList<SourceFolder> folders;
    QList<SourceFile> files; // each folder's files together, in name order
};

// Lists every ordinary file under the data folder as "База/<path>" (hidden folders included;
// temporaries ".~*", lock files "*.lock" and a restore's own ".restore-*" files and folders left
// out), then the goods catalogue as "Товары.txt"
// when it is there. On failure returns false with errno set and `failed` naming the folder that
// could not be read.
bool listSources(const QString &bazaPath, const QString &goodsPath, SourceList &list, QString &failed);

// Reads the listed files, keeping the folder of the last one open for those that follow.
class SourceReader {
public:
    explicit SourceReader(const SourceList &list) : m_list(list) {}

    enum class Read {
        Ok,
        Gone,   // removed meanwhile, or no longer an ordinary file: it is left out
        Failed, // errno says why
    };
    // Reads `file` whole into the front of `buffer` (whose room is reused): `size` bytes, and its
    // status in `st`.
    Read read(const SourceFile &file, QByteArray &buffer, qsizetype &size, struct stat &st);

private:
    const SourceList &m_list;
    qsizetype m_openFolder = -1;
    UniqueFd m_folder;
};

} // namespace backup
