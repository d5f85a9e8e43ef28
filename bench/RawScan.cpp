#include "RawScan.h"

#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isCardName(const char *name)
{
    const size_t len = std::strlen(name);
    if (len < 4 || name[0] == '.')
        return false;
    const char *ext = name + len - 4;
    return ext[0] == '.' && (ext[1] | 0x20) == 'd' && (ext[2] | 0x20) == 'a' && (ext[3] | 0x20) == 't';
}

int lineEnds(const std::string &bytes)
{
    int n = 0;
    for (char c : bytes)
        if (c == '\r' || c == '\n')
            ++n;
    return n;
}

void splitLines(const std::string &bytes, RawCard &card)
{
    size_t pos = 0;
    for (std::string &line : card.lines) {
        if (pos >= bytes.size())
            break;
        size_t end = pos;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        line.assign(bytes, pos, end - pos);
        pos = end;
        if (pos < bytes.size())
            pos += (bytes[pos] == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n') ? 2 : 1;
    }
}

} // namespace

std::vector<RawCard> rawScan(const std::string &folder)
{
    std::vector<RawCard> cards;
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return cards;
    const int dfd = ::dirfd(dir);
    char buf[2048];
    while (const dirent *e = ::readdir(dir)) {
        if (!isCardName(e->d_name))
            continue;
        if (e->d_type != DT_REG) {
            struct stat st {};
            if (e->d_type != DT_UNKNOWN || ::fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
                !S_ISREG(st.st_mode))
                continue;
        }
        RawCard card;
        card.name = e->d_name;
        const int fd = ::openat(dfd, e->d_name, O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            std::string head;
            for (;;) {
                const ssize_t n = ::read(fd, buf, sizeof buf);
                if (n <= 0)
                    break;
                head.append(buf, size_t(n));
                if (size_t(n) < sizeof buf || lineEnds(head) >= 5)
                    break;
            }
            ::close(fd);
            splitLines(head, card);
        }
        cards.push_back(std::move(card));
    }
    ::closedir(dir);
    return cards;
}
