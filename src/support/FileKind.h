#pragma once

#include <QString>

// Whether a path names a regular file (or a link to one) that may be opened for reading. A FIFO, a
// socket or a device would keep the reader waiting for a writer or read for ever, and a folder is no
// file: each is refused with a message naming the path in *error.
bool IsOpenableFile(const QString& path, QString* error = nullptr);
