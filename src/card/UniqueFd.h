#pragma once

#include <QByteArray>

#include <limits>
#include <utility>

// An open file descriptor that is closed when its owner goes; -1 holds none.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd &&other) noexcept : m_fd(other.release()) {}
    UniqueFd &operator=(UniqueFd other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    ~UniqueFd();

    bool isOpen() const { return m_fd >= 0; }
    int get() const { return m_fd; }
    // Gives the descriptor up unclosed, e.g. to close it by hand where the result of close matters.
    [[nodiscard]] int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd = -1;
};

// Reads from `fd` until `size` bytes are in `to` or the file ends, going on after short reads and
// reads a signal interrupted. Returns the number of bytes read, -1 when a read failed.
[[nodiscard]] qsizetype readAllFrom(int fd, char *to, qsizetype size);

// Reads from `fd` into `buffer` past its first `have` bytes until the file ends or `limit` bytes
// are held. The room the buffer has is filled first; only a full buffer grows (to twice its size,
// at least 64 KB). Returns the number of bytes held, -1 when a read failed; the buffer keeps its
// size, so its room can serve the next file.
[[nodiscard]] qsizetype readAllFrom(int fd, QByteArray &buffer, qsizetype have = 0,
                                    qsizetype limit = std::numeric_limits<qsizetype>::max());
