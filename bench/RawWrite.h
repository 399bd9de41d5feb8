#pragma once

#include <QFile>
#include <QString>

#include <chrono>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

// The floor a store's commit is measured against: the same bytes written to a file and synced, in
// seconds (the program stops when the disk refuses them).
inline double RawWriteAndSync(const QString& path, const QByteArray& bytes) {
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size() || ::fsync(fd) != 0)
        std::abort();
    ::close(fd);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
