#include "web/BrowserLauncher.h"

#include "platform/Win32Codes.h"
#include "support/MainWindow.h"
#include "support/dialogs/DeferredMessageBox.h"
#include "web/WebAddress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>
#include <QUrl>

#include <memory>

namespace {

CBrowserLauncher::ProcessStarter& InstalledStarter() {
    static CBrowserLauncher::ProcessStarter starter;
    return starter;
}

bool StartProcess(const QString& program, const QStringList& arguments) {
    if (InstalledStarter())
        return InstalledStarter()(program, arguments);
    return QProcess::startDetached(program, arguments);
}

std::unique_ptr<CBrowserLauncher>& TheLauncher() {
    static std::unique_ptr<CBrowserLauncher> launcher;
    return launcher;
}

QStringList SplitPaths(const QByteArray& variable, const QString& fallback) {
    QString value = qEnvironmentVariable(variable.constData());
    if (value.isEmpty())
        value = fallback;
    QStringList dirs;
    for (const QString& dir : value.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(dir))
            dirs << QDir::cleanPath(dir);
    return dirs;
}

QString HomeOr(const QByteArray& variable, const QString& below) {
    const QString value = qEnvironmentVariable(variable.constData());
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::homePath() + below;
}

QStringList ConfigDirs() {
    return QStringList{HomeOr("XDG_CONFIG_HOME", QStringLiteral("/.config"))} +
           SplitPaths("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
}

QStringList DataDirs() {
    return QStringList{HomeOr("XDG_DATA_HOME", QStringLiteral("/.local/share"))} +
           SplitPaths("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
}

// The lists to read, most important first: per desktop before the general one, user before system.
QStringList MimeAppsLists() {
    QStringList desktops;
    for (const QString& desktop :
         qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        desktops << desktop.toLower();
    QStringList folders = ConfigDirs();
    for (const QString& dir : DataDirs())
        folders << dir + QStringLiteral("/applications");
    QStringList files;
    for (const QString& folder : folders) {
        for (const QString& desktop : desktops)
            files << folder + QLatin1Char('/') + desktop + QStringLiteral("-mimeapps.list");
        files << folder + QStringLiteral("/mimeapps.list");
    }
    return files;
}

// The value of key in group of a freedesktop.org key file (the first one found); null when absent.
QString KeyFileValue(const QString& path, const QString& group, const QString& key) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text) || file.size() > 1024 * 1024)
        return {};
    QTextStream in(&file);
    bool inGroup = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == QLatin1Char('[') + group + QLatin1Char(']');
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0 && line.left(equals).trimmed() == key)
            return line.mid(equals + 1).trimmed();
    }
    return {};
}

// The escapes of a key file's string values: \s \n \t \r \\.
QString UnescapeKeyFileString(const QString& value) {
    QString result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar ch = value[i];
        if (ch != QLatin1Char('\\') || i + 1 == value.size()) {
            result += ch;
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's':
            result += QLatin1Char(' ');
            break;
        case 'n':
            result += QLatin1Char('\n');
            break;
        case 't':
            result += QLatin1Char('\t');
            break;
        case 'r':
            result += QLatin1Char('\r');
            break;
        case '\\':
            result += QLatin1Char('\\');
            break;
        default:
            result += ch;
            result += next;
            break;
        }
    }
    return result;
}

// A desktop id names a file below an applications folder, '-' standing for a sub-folder where the
// file is not found under its plain name ("kde4-browser.desktop" may be "kde4/browser.desktop").
QString FindDesktopFile(const QString& id) {
    if (id.isEmpty() || id.contains(QLatin1Char('/')) || !id.endsWith(QLatin1String(".desktop")))
        return {};
    for (const QString& dir : DataDirs()) {
        const QString folder = dir + QStringLiteral("/applications/");
        if (QFileInfo(folder + id).isFile())
            return folder + id;
        QString candidate = id;
        for (qsizetype dash = candidate.indexOf(QLatin1Char('-')); dash >= 0;
             dash = candidate.indexOf(QLatin1Char('-'), dash + 1)) {
            candidate[dash] = QLatin1Char('/');
            if (QFileInfo(folder + candidate).isFile())
                return folder + candidate;
        }
    }
    return {};
}

// The command of a desktop entry that can run here; empty when it is hidden or its program is missing.
QString DesktopEntryCommand(const QString& path) {
    const QString group = QStringLiteral("Desktop Entry");
    if (KeyFileValue(path, group, QStringLiteral("Hidden")) == QLatin1String("true"))
        return {};
    const QString tryExec = UnescapeKeyFileString(KeyFileValue(path, group, QStringLiteral("TryExec")));
    if (!tryExec.isEmpty() && QStandardPaths::findExecutable(tryExec).isEmpty() &&
        !QFileInfo(tryExec).isExecutable())
        return {};
    return UnescapeKeyFileString(KeyFileValue(path, group, QStringLiteral("Exec")));
}

bool IsAddressCode(QChar code) {
    return code == QLatin1Char('s') || code == QLatin1Char('u') || code == QLatin1Char('U') ||
           code == QLatin1Char('f') || code == QLatin1Char('F');
}

bool IsDroppedCode(QChar code) {
    static const QString kDropped = QStringLiteral("ickdDnNvm");
    return kDropped.contains(code);
}

bool HasAddressCode(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('%'))
            continue;
        if (IsAddressCode(text[i + 1]))
            return true;
        ++i; // "%%" and other codes
    }
    return false;
}

// One argument with its codes put in -> false when nothing of it remains (a dropped code alone).
bool ExpandArgument(const QString& argument, const QString& address, QString& result) {
    result.clear();
    bool dropped = false;
    for (qsizetype i = 0; i < argument.size(); ++i) {
        const QChar ch = argument[i];
        if (ch != QLatin1Char('%') || i + 1 == argument.size()) {
            result += ch;
            continue;
        }
        const QChar code = argument[++i];
        if (IsAddressCode(code))
            result += address;
        else if (code == QLatin1Char('%'))
            result += QLatin1Char('%');
        else if (IsDroppedCode(code))
            dropped = true;
        else
            result += QString(ch) + code;
    }
    return !(dropped && result.isEmpty());
}

} // namespace

CBrowserLauncher::CBrowserLauncher() {
    FindBrowser(kDesktopAssociation);
}

bool CBrowserLauncher::FindBrowser(int kind, const QString& command) {
    QString found;
    if (kind == kGivenCommand) {
        found = command.trimmed();
    } else if (kind == 1 || kind == 2) {
        return false;
    } else {
        found = FindDesktopCommand(QStringLiteral("text/html"));
        if (found.isEmpty() && !QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
            found = QStringLiteral("xdg-open %u");
    }
    if (found.isEmpty())
        return false;
    Configure(found);
    return true;
}

void CBrowserLauncher::Configure(const QString& command) {
    // Paths on this system are case-sensitive: the command keeps its case.
    QString format = command.trimmed();
    if (format.contains(QLatin1String("%1")))
        format.replace(QLatin1String("%1"), QLatin1String("%s"));
    else if (!HasAddressCode(format))
        format += QLatin1String(" %s");
    m_commandFormat = format;
    m_arguments = SplitCommandLine(format);
}

QStringList CBrowserLauncher::BuildCommand(const QString& url) const {
    QStringList command;
    QString expanded;
    for (const QString& argument : m_arguments)
        if (ExpandArgument(argument, url, expanded))
            command << expanded;
    return command;
}

bool CBrowserLauncher::OpenUrl(const QString& url) {
    const QUrl address(url.trimmed());
    if (!IsExternallyOpenable(address)) {
        qWarning("Not opening %s in the browser: only http, https and mailto addresses are.",
                 qPrintable(address.toDisplayString()));
        return false;
    }
    // Encoded, the address holds no blanks or quotes a browser might take apart.
    const QStringList command = BuildCommand(address.toString(QUrl::FullyEncoded));
    if (!command.isEmpty() && StartProcess(command.front(), command.mid(1)))
        return true;
    PostDeferredMessageBox(QStringLiteral("Unable to start the browser:  ") + m_commandFormat,
                           platform::MB_OK | platform::MB_ICONEXCLAMATION);
    return false;
}

QStringList CBrowserLauncher::SplitCommandLine(const QString& command) {
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar ch = command[i];
        if (quoted) {
            if (ch == QLatin1Char('\\') && i + 1 < command.size() &&
                QStringLiteral("\"`$\\").contains(command[i + 1])) {
                current += command[++i];
            } else if (ch == QLatin1Char('"')) {
                quoted = false;
            } else {
                current += ch;
            }
            continue;
        }
        if (ch == QLatin1Char(' ') || ch == QLatin1Char('\t') || ch == QLatin1Char('\n')) {
            if (inArgument)
                arguments << current;
            current.clear();
            inArgument = false;
        } else if (ch == QLatin1Char('"')) {
            quoted = true;
            inArgument = true;
        } else {
            current += ch;
            inArgument = true;
        }
    }
    if (inArgument)
        arguments << current;
    return arguments;
}

QString CBrowserLauncher::FindDesktopCommand(const QString& mimeType) {
    for (const QString& list : MimeAppsLists()) {
        const QString ids = KeyFileValue(list, QStringLiteral("Default Applications"), mimeType);
        for (const QString& id : ids.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString path = FindDesktopFile(id.trimmed());
            if (path.isEmpty())
                continue;
            const QString command = DesktopEntryCommand(path);
            if (!command.isEmpty())
                return command;
        }
    }
    return {};
}

void CBrowserLauncher::SetProcessStarter(ProcessStarter starter) {
    InstalledStarter() = std::move(starter);
}

CBrowserLauncher& GetBrowserLauncher() {
    if (!TheLauncher())
        TheLauncher() = std::make_unique<CBrowserLauncher>();
    return *TheLauncher();
}

void DeleteBrowserLauncher() {
    TheLauncher().reset();
}

bool OpenInExternalBrowser(const QString& url) {
    if (CMainWindowServices* frame = GetMainWindowServices())
        return frame->OpenInExternalBrowser(url);
    return GetBrowserLauncher().OpenUrl(url);
}
