#include "support/FileKind.h"

#include <QDir>
#include <QFileInfo>

bool IsOpenableFile(const QString& path, QString* error) {
    const QFileInfo info(path);
    QString why;
    if (!info.exists())
        why = QStringLiteral("The file \"%1\" does not exist.");
    else if (info.isDir())
        why = QStringLiteral("\"%1\" is a folder, not a file.");
    else if (!info.isFile())
        why = QStringLiteral("\"%1\" is not a regular file (a pipe, socket or device): it cannot be opened.");
    else
        return true;
    if (error)
        *error = why.arg(QDir::toNativeSeparators(path));
    return false;
}
