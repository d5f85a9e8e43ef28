#pragma once

#include "UniqueFd.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

#include <sys/stat.h>

// The files a backup takes and the careful reading of each: no link is ever followed, no pipe
// waited for; what is not an ordinary file or folder is left out.
namespace backup {

// A folder the files come from: `root` opened as it is named, then the sub-folders `below` one
// by one, none of them through a link. Its files go into the archive as `archivePrefix` and their
// UTF-8 names, or all under `archiveName` when that is set.
struct SourceFolder {
    QByteArray root;
    QList<QByteArray> below;
    QByteArray archivePrefix;
    QByteArray archiveName;
};

// A file, its name kept in SourceList::names: 100,000 cards take a few bytes each.
struct SourceFile {
    quint32 folder = 0; // in SourceList::folders
    quint32 nameAt = 0;
    quint32 nameSize = 0;
};

struct SourceList {
    QList<SourceFolder> folders;
    std::vector<SourceFile> files; // each folder's files together, in name order
    QByteArray names;              // the files' names as the file system has them, one after another

    void add(quint32 folder, const QByteArray &name);
    QByteArray name(const SourceFile &file) const { return names.mid(file.nameAt, file.nameSize); }
    // UTF-8: "База/<path>" or "Товары.txt".
    QByteArray archiveName(const SourceFile &file) const;
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
