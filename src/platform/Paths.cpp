#include "platform/Paths.h"

#include "version.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace platform {

namespace {

QString withSlash(QString path) {
    if (!path.endsWith(u'/'))
        path += u'/';
    return path;
}

// The entry of folder named like element: the exact spelling when present, else the first entry (in
// name order, so the choice is stable) that differs only in case.
QString matchEntry(const QDir& folder, const QString& element) {
    if (QFileInfo::exists(folder.filePath(element)))
        return element;
    const QStringList entries = folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                     QDir::NoDotAndDotDot,
                                                 QDir::Name);
    for (const QString& entry : entries) {
        if (entry.compare(element, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return QString();
}

QString findIn(const QString& base, const QStringList& elements) {
    QDir folder(base);
    if (!folder.exists())
        return QString();
    for (qsizetype i = 0; i < elements.size(); ++i) {
        const QString entry = matchEntry(folder, elements.at(i));
        if (entry.isEmpty())
            return QString();
        const QString path = folder.filePath(entry);
        if (i + 1 == elements.size())
            return QFileInfo(path).isFile() ? QFileInfo(path).absoluteFilePath() : QString();
        if (!QFileInfo(path).isDir())
            return QString();
        folder.setPath(path);
    }
    return QString();
}

} // namespace

QString UserDataDir() {
    QString path = qEnvironmentVariable("NORVALE_HOME");
    if (path.isEmpty()) {
        QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
        if (dataHome.isEmpty() || QDir::isRelativePath(dataHome))
            dataHome = QDir::homePath() + QStringLiteral("/.local/share");
        path = dataHome + QStringLiteral("/Harrowgate/Norvale");
    }
    path = withSlash(QDir::cleanPath(QDir(path).absolutePath()));
    QDir folder(path);
    if (!folder.exists() && folder.mkpath(QStringLiteral(".")))
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

QString UserDocumentsDir() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QDir::isAbsolutePath(documents) && QFileInfo(documents).isDir())
        return withSlash(QDir::cleanPath(documents));
    return withSlash(QDir::homePath());
}

QString FindFileIgnoringCase(const QString& folder, const QString& name) {
    if (name.isEmpty() || QDir::isAbsolutePath(name) || name.startsWith(u'\\'))
        return QString();
    QStringList elements;
    for (const QString& element : QString(name).replace(u'\\', u'/').split(u'/', Qt::SkipEmptyParts)) {
        if (element == QLatin1String(".."))
            return QString();
        if (element != QLatin1String("."))
            elements << element;
    }
    return elements.isEmpty() ? QString() : findIn(folder, elements);
}

QString FindResourceFile(const QString& name) {
    QStringList bases;
    if (QCoreApplication::instance())
        bases << QCoreApplication::applicationDirPath() + QStringLiteral("/res");
    bases << QStringLiteral(NORVALE_SOURCE_DIR "/res");
    for (const QString& base : bases) {
        const QString found = FindFileIgnoringCase(base, name);
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

} // namespace platform
