#include "UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

UniqueFd::~UniqueFd()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

qsizetype readAllFrom(int fd, char *to, qsizetype size)
{
    qsizetype have = 0;
    while (have < size) {
        const ssize_t n = TEMP_FAILURE_RETRY(::read(fd, to + have, size_t(size - have)));
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        have += n;
    }
    return have;
}

qsizetype readAllFrom(int fd, QByteArray &buffer, qsizetype have, qsizetype limit)
{
    while (have < limit) {
        if (have == buffer.size())
            buffer.resize(std::min(std::max<qsizetype>(2 * buffer.size(), 64 * 1024), limit));
        const qsizetype room = std::min(buffer.size(), limit) - have;
        const qsizetype n = readAllFrom(fd, buffer.data() + have, room);
        if (n < 0)
            return -1;
        have += n;
        if (n < room)
            break; // the end of the file
    }
    return have;
}
