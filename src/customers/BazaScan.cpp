#include "BazaScan.h"

#include "CardFile.h"
#include "Cp1251.h"
#include "FileName.h"
#include "OwnFolder.h"
#include "SafeFile.h"
#include "UniqueFd.h"

#include <QFile>
#include <QThread>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

// The scan runs at start-up and on every refresh over the whole folder, so it keeps close to the
// cost of the system calls themselves: the folder is listed once and kept open, every card is
// opened relative to it and its head read into a buffer on the stack, and each text of the entry
// is decoded straight into its own string.

namespace bazascan {

namespace {

// The head of a card read first; most cards hold their first five lines in a few hundred bytes.
constexpr qsizetype kHead = 2048;

bool isCardName(const char *name)
{
    const size_t len = std::strlen(name);
    if (len < 4 || name[0] == '.')
        return false;
    const char *ext = name + len - 4;
    return ext[0] == '.' && (ext[1] | 0x20) == 'd' && (ext[2] | 0x20) == 'a' && (ext[3] | 0x20) == 't';
}

// True when the folder entry is a card: a card name and an ordinary file, judged by the entry's
// type or, where the file system gives none, by the file itself (a link is not followed).
bool isCardEntry(int dirFd, const dirent *e)
{
    if (!isCardName(e->d_name))
        return false;
    if (e->d_type != DT_UNKNOWN)
        return e->d_type == DT_REG;
    struct stat st {};
    return ::fstatat(dirFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode);
}

// True when the first `count` lines of a card end inside `head`, so that the rest of the file
// cannot change them. A CR LF counts as one line end; a CR as the last byte ends its line, but the
// next line then starts past the head.
bool holdsLines(QByteArrayView head, int count)
{
    const char *data = head.data();
    const qsizetype size = head.size();
    qsizetype pos = 0;
    for (int line = 1;; ++line) {
        while (pos < size && data[pos] != '\r' && data[pos] != '\n')
            ++pos;
        if (pos == size)
            return false;
        if (line == count)
            return true;
        pos += (data[pos] == '\r' && pos + 1 < size && data[pos + 1] == '\n') ? 2 : 1;
        if (data[pos - 1] == '\r' && pos == size)
            return false;
    }
}

// The upper case of every byte's character (0 when it is more than one character), taken once
// from the card decoder and QString::toUpper.
struct ByteTables {
    std::array<char16_t, 256> upper{};

    ByteTables()
    {
        QByteArray all(256, Qt::Uninitialized);
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        const QString decoded = cp1251::decode(all);
        for (int b = 0; b < 256; ++b) {
            const QString up = QString(decoded[b]).toUpper();
            upper[size_t(b)] = up.size() == 1 ? up[0].unicode() : 0;
        }
    }
};

const ByteTables &tables()
{
    static const ByteTables t;
    return t;
}

// The upper-cased surname: per character where each has a one-character upper case (every
// character of the code page has), otherwise as QString::toUpper does it for the whole text.
QString upperCased(QByteArrayView bytes, const QString &text)
{
    if (bytes.isEmpty())
        return {};
    const ByteTables &t = tables();
    QString s(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(s.data());
    for (const char b : bytes) {
        const char16_t u = t.upper[static_cast<unsigned char>(b)];
        if (u == 0)
            return text.toUpper();
        *out++ = u;
    }
    return s;
}

// Reads the head of the open card `fd` into `head`, or the whole file into `whole` when its first
// five lines do not fit. Returns the bytes read; an empty view when reading failed.
QByteArrayView readCard(int fd, char (&head)[kHead], QByteArray &whole)
{
    const qsizetype have = readAllFrom(fd, head, kHead);
    if (have < 0)
        return {};
    if (have < kHead || holdsLines(QByteArrayView(head, have), 5))
        return QByteArrayView(head, have);

    whole = QByteArray(head, have);
    // Bounded: a stranger's huge file in the card's place must not fill the memory.
    const qsizetype size = readAllFrom(fd, whole, have, safefile::kMaxFileBytes + 1);
    if (size < 0 || size > safefile::kMaxFileBytes)
        return {};
    whole.resize(size);
    return whole;
}

// Opens the data folder to list it, through no link a member of the group put on its way.
DIR *openFolder(const QString &bazaPath)
{
    UniqueFd folder = ownfolder::openPath(bazaPath);
    DIR *dir = folder.isOpen() ? ::fdopendir(folder.get()) : nullptr;
    if (dir)
        (void)folder.release(); // closedir closes it
    return dir;
}

// Reads the card `nativeName` of the folder `dirFd`; `listed` when the folder's listing has just
// shown it as an ordinary file.
KlientRec readCardAt(int dirFd, const char *nativeName, const QString &fileName, bool listed,
                     bool *gone = nullptr)
{
    UniqueFd fd;
    qint64 size = 0;
    if (listed) {
        fd = safefile::openListedFile(dirFd, nativeName);
    } else if (const FileError error = safefile::openOrdinaryFile(dirFd, nativeName, fd, &size);
               error != FileError::None) {
        if (gone)
            *gone = error == FileError::NotFound;
        return recordFromBytes(fileName, {});
    }
    if (!fd.isOpen())
        return recordFromBytes(fileName, {});
    char head[kHead];
    QByteArray whole;
    return recordFromBytes(fileName, readCard(fd.get(), head, whole));
}

// The card files of a folder, sorted by name, with the folder kept open to read them.
class CardFolder {
public:
    explicit CardFolder(const QString &bazaPath)
    {
        m_path = filename::encode(bazaPath);
        m_dir = openFolder(bazaPath);
        if (!m_dir)
            return;
        const int dirFd = ::dirfd(m_dir);
        bool ascii = true;
        while (const dirent *e = ::readdir(m_dir)) {
            if (!isCardEntry(dirFd, e))
                continue;
            const size_t len = std::strlen(e->d_name);
            Name name{0, std::uint32_t(m_pool.size()), std::uint32_t(len)};
            for (size_t i = 0; i < 8; ++i)
                name.head = (name.head << 8) | (i < len ? static_cast<unsigned char>(e->d_name[i]) : 0u);
            for (size_t i = 0; i < len; ++i)
                ascii = ascii && static_cast<unsigned char>(e->d_name[i]) < 0x80;
            m_pool.append(e->d_name, qsizetype(len) + 1);
            m_names.push_back(name);
        }
        m_ascii = ascii;
        sortNames();
    }

    ~CardFolder()
    {
        if (m_dir)
            ::closedir(m_dir);
    }

    CardFolder(const CardFolder &) = delete;
    CardFolder &operator=(const CardFolder &) = delete;

    qsizetype size() const { return qsizetype(m_names.size()); }
    const QString &fileName(qsizetype i) const { return m_fileNames[size_t(i)]; }

    KlientRec read(qsizetype i) const
    {
        const QByteArray native = nativeName(i);
        return readCardAt(::dirfd(m_dir), m_ascii ? asciiName(i) : native.constData(), m_fileNames[size_t(i)],
                          true);
    }

    // Reads the whole card into `buffer`, whose room is kept from card to card. Returns the size
    // read, -1 when it cannot be read.
    qsizetype readWhole(qsizetype i, QByteArray &buffer) const
    {
        const QByteArray native = nativeName(i);
        UniqueFd fd;
        qint64 size = 0;
        if (safefile::openOrdinaryFile(::dirfd(m_dir), m_ascii ? asciiName(i) : native.constData(), fd,
                                       &size) != FileError::None ||
            size > safefile::kMaxFileBytes)
            return -1;
        const qsizetype read = readAllFrom(fd.get(), buffer, 0, safefile::kMaxFileBytes + 1);
        return read > safefile::kMaxFileBytes ? -1 : read;
    }

    QStringList fileNames() const { return QStringList(m_fileNames.begin(), m_fileNames.end()); }

private:
    const char *asciiName(qsizetype i) const { return m_pool.constData() + m_names[size_t(i)].start; }
    // A name that is not valid in the file-name encoding is opened the way the program names it
    // everywhere else, by its decoded text encoded again.
    QByteArray nativeName(qsizetype i) const
    {
        return m_ascii ? QByteArray() : filename::encode(m_fileNames[size_t(i)]);
    }

    struct Name {
        std::uint64_t head; // the first eight bytes, for quick comparisons
        std::uint32_t start;
        std::uint32_t size;
    };

    // The order of the decoded names as QString compares them. For ASCII names that is the
    // order of their bytes.
    void sortNames()
    {
        m_fileNames.reserve(m_names.size());
        if (m_ascii) {
            const char *pool = m_pool.constData();
            std::sort(m_names.begin(), m_names.end(), [pool](const Name &a, const Name &b) {
                if (a.head != b.head)
                    return a.head < b.head;
                const std::uint32_t common = std::min(a.size, b.size);
                if (common > 8) {
                    const int c = std::memcmp(pool + a.start + 8, pool + b.start + 8, common - 8);
                    if (c != 0)
                        return c < 0;
                }
                return a.size < b.size;
            });
            for (const Name &n : m_names)
                m_fileNames.push_back(QString::fromLatin1(m_pool.constData() + n.start, qsizetype(n.size)));
        } else {
            for (const Name &n : m_names)
                m_fileNames.push_back(
                    filename::decode(QByteArray(m_pool.constData() + n.start, qsizetype(n.size))));
            std::sort(m_fileNames.begin(), m_fileNames.end());
        }
    }

    QByteArray m_path;
    DIR *m_dir = nullptr;
    QByteArray m_pool; // the names, each ended by a zero byte
    std::vector<Name> m_names;
    std::vector<QString> m_fileNames;
    bool m_ascii = true;
};

} // namespace

QStringList listCardFiles(const QString &bazaPath)
{
    return CardFolder(bazaPath).fileNames();
}

bool forEachCardStatus(const QString &bazaPath,
                       const std::function<void(const char *, const struct stat &)> &visit)
{
    DIR *dir = openFolder(bazaPath);
    if (!dir)
        return false;
    const int dirFd = ::dirfd(dir);
    while (const dirent *e = ::readdir(dir)) {
        struct stat st {};
        // The status is read again: the entry may have been replaced since it was listed.
        if (isCardEntry(dirFd, e) && ::fstatat(dirFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode))
            visit(e->d_name, st);
    }
    ::closedir(dir);
    return true;
}

bool forEachCard(const QString &bazaPath, int parts,
                 const std::function<bool(int, const QString &, QByteArrayView)> &visit)
{
    const CardFolder folder(bazaPath);
    parts = int(std::clamp<qsizetype>(parts, 1, std::max<qsizetype>(folder.size(), 1)));
    std::atomic<bool> stopped = false;
    const auto readPart = [&](int part) {
        const qsizetype from = folder.size() * part / parts;
        const qsizetype to = folder.size() * (part + 1) / parts;
        QByteArray buffer;
        for (qsizetype i = from; i < to && !stopped.load(std::memory_order_relaxed); ++i) {
            const qsizetype size = folder.readWhole(i, buffer);
            if (size >= 0 && !visit(part, folder.fileName(i), QByteArrayView(buffer).first(size)))
                stopped = true;
        }
    };
    {
        std::vector<std::jthread> others;
        for (int part = 1; part < parts; ++part)
            others.emplace_back(readPart, part);
        readPart(0);
    }
    return !stopped;
}

KlientRec recordFromBytes(const QString &fileName, QByteArrayView bytes)
{
    // The card opener's line rules; lines past the end are empty.
    CardLineReader reader(bytes);
    QByteArrayView lines[5];
    for (QByteArrayView &line : lines)
        line = reader.readLineBytes();
    KlientRec rec;
    rec.Familiya = cp1251::decode(lines[0]);
    // The full name decoded at once into its own string: surname, blank, name, blank, patronymic.
    rec.FIO = QString(lines[0].size() + lines[1].size() + lines[2].size() + 2, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(rec.FIO.data());
    out = cp1251::decodeInto(out, lines[0]);
    *out++ = u' ';
    out = cp1251::decodeInto(out, lines[1]);
    *out++ = u' ';
    cp1251::decodeInto(out, lines[2]);
    rec.FileName = fileName;
    rec.Telephon1 = cp1251::decode(lines[3]);
    rec.Telephon2 = cp1251::decode(lines[4]);
    rec.FamiliyaUpper = upperCased(lines[0], rec.Familiya);
    return rec;
}

KlientRec readRecord(const QString &bazaPath, const QString &fileName, bool *gone)
{
    if (gone)
        *gone = false;
    const UniqueFd baza = ownfolder::openPath(bazaPath);
    const QByteArray native = filename::encode(fileName);
    if (!baza.isOpen() || native.contains('/'))
        return recordFromBytes(fileName, {});
    return readCardAt(baza.get(), native.constData(), fileName, false, gone);
}

QList<KlientRec> scan(const QString &bazaPath, const ScanProgress &progress)
{
    const CardFolder folder(bazaPath);
    const qsizetype n = folder.size();
    QList<KlientRec> recs(n);
    // The cards are read in runs side by side; the calling thread reads the first and tells how
    // far it got, scaled to the whole.
    const int parts = n < 2000 ? 1 : std::clamp(QThread::idealThreadCount(), 1, 4);
    const auto readRun = [&](int part, bool tell) {
        const qsizetype from = n * part / parts, to = n * (part + 1) / parts;
        for (qsizetype i = from; i < to; ++i) {
            if (tell && progress && (i - from) % 4096 == 0)
                progress((i - from) * parts, n);
            recs[i] = folder.read(i);
        }
    };
    std::vector<std::thread> others;
    for (int part = 1; part < parts; ++part)
        others.emplace_back(readRun, part, false);
    readRun(0, true);
    for (std::thread &t : others)
        t.join();
    return recs;
}

} // namespace bazascan
