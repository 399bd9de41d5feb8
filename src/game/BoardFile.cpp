#include "game/BackgammonBoard.h"

#include "platform/Archive.h"
#include "support/FileKind.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {
// Proposition files are a few hundred bytes; anything far larger is not one.
constexpr qint64 kMaxBoardFileSize = 64 << 10;
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

QString LoadBoardFileText(const QString& path, QString* error) {
    const QString name = QDir::toNativeSeparators(path);
    const auto refuse = [&](const QString& why) {
        if (error)
            *error = why;
        return QString();
    };
    if (path.isEmpty())
        return refuse(QStringLiteral("No proposition file was named."));
    if (!IsOpenableFile(path, error))
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(QStringLiteral("The proposition file \"%1\" cannot be read.").arg(name));
    if (file.size() > kMaxBoardFileSize)
        return refuse(QStringLiteral("The file \"%1\" is too large to be a proposition file (%2 bytes; at most %3).")
                          .arg(name)
                          .arg(file.size())
                          .arg(kMaxBoardFileSize));
    platform::ArchiveReader reader(file.read(kMaxBoardFileSize));
    QString header, text;
    if (!reader.ReadString(header) || !reader.ReadString(text))
        return refuse(QStringLiteral("The file \"%1\" is damaged or is not a proposition file.").arg(name));
    return text;
}
