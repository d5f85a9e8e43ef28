#include "BazaScan.h"

#include "CardFile.h"
#include "SafeFile.h"

#include <QFile>

#include <cstring>

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace bazascan {

namespace {

bool isCardName(const char *name)
{
    const size_t len = std::strlen(name);
    if (len < 4 || name[0] == '.')
        return false;
    const char *ext = name + len - 4;
    return ext[0] == '.' && (ext[1] | 0x20) == 'd' && (ext[2] | 0x20) == 'a' && (ext[3] | 0x20) == 't';
}

int countLineEnds(QByteArrayView bytes, int wanted)
{
    int n = 0;
    for (qsizetype i = 0; i < bytes.size() && n < wanted; ++i)
        if (bytes[i] == '\r' || bytes[i] == '\n')
            ++n;
    return n;
}

} // namespace

QStringList listCardFiles(const QString &bazaPath)
{
    QStringList names;
    const QByteArray folder = QFile::encodeName(bazaPath);
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return names;
    while (const dirent *e = ::readdir(dir)) {
        if (!isCardName(e->d_name))
            continue;
        unsigned char type = e->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st {};
            if (::lstat((folder + e->d_name).constData(), &st) != 0)
                continue;
            type = S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_REG)
            names.append(QFile::decodeName(e->d_name));
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

KlientRec recordFromBytes(const QString &fileName, QByteArrayView bytes)
{
    const QStringList lines = cardfile::firstLines(bytes, 5);
    return makeKlientRec(fileName, lines[0], lines[1], lines[2], lines[3], lines[4]);
}

KlientRec readRecord(const QString &bazaPath, const QString &fileName)
{
    // Most cards hold their first five lines in the first few hundred bytes.
    constexpr qint64 kHead = 2048;
    QByteArray bytes;
    if (safefile::readFile(bazaPath + fileName, bytes, kHead) == FileError::None &&
        bytes.size() == kHead && countLineEnds(bytes, 5) < 5)
        safefile::readFile(bazaPath + fileName, bytes);
    return recordFromBytes(fileName, bytes);
}

QList<KlientRec> scan(const QString &bazaPath)
{
    const QStringList names = listCardFiles(bazaPath);
    QList<KlientRec> recs;
    recs.reserve(names.size());
    for (const QString &name : names)
        recs.append(readRecord(bazaPath, name));
    return recs;
}

} // namespace bazascan
