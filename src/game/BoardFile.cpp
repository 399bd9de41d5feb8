#include "game/BackgammonBoard.h"

#include "platform/Archive.h"

#include <QFile>
#include <QSaveFile>

namespace {
// Proposition files are a few hundred bytes; anything far larger is not one.
constexpr qint64 kMaxBoardFileSize = 1 << 20;
} // namespace

bool CBackgammonBoard::SaveToFile(const QString& path) const {
    platform::ArchiveWriter writer;
    writer.WriteString(QStringLiteral(".gp.Black.White"));
    writer.WriteString(GetSavedBoardText(1));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(writer.data()) != writer.data().size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString LoadBoardFileText(const QString& path) {
    if (path.isEmpty())
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxBoardFileSize)
        return QString();
    platform::ArchiveReader reader(file.readAll());
    QString header, text;
    if (!reader.ReadString(header) || !reader.ReadString(text))
        return QString();
    return text;
}
