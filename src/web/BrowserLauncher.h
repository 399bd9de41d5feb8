#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Opens addresses in the user's own web browser. One per process (GetBrowserLauncher). The browser is
// a command: the program of the desktop's association for web pages, or one given by the caller. It is
// started directly, without a shell, with the address as one argument of its own; only http, https
// and mailto addresses ever leave the program.
class CBrowserLauncher {
public:
    // Kinds of FindBrowser.
    static constexpr int kDesktopAssociation = 0;
    static constexpr int kGivenCommand = 3;

    // Starts a program detached from this one -> false when it could not be started.
    using ProcessStarter = std::function<bool(const QString& program, const QStringList& arguments)>;

    // Looks for the desktop's browser (FindBrowser with kind 0).
    CBrowserLauncher();

    // Chooses the browser -> false when none was found (the launcher then stays as it was).
    // kind 3: command as given. Kinds 1 and 2 named browsers of another system and find nothing.
    // Any other kind: the desktop's default application for "text/html" (the mimeapps.list files of
    // the freedesktop.org conventions), else the desktop's own opener, xdg-open, when it is installed.
    bool FindBrowser(int kind, const QString& command = QString());
    // Prepares a command line: where it holds "%1" (or a desktop entry's %u, %U, %f, %F) the
    // address goes there, otherwise it is appended as the last argument.
    void Configure(const QString& command);

    // Opens the address -> false when it was refused (not http, https or mailto) or the browser could
    // not be started; the latter is told to the user as "Unable to start the browser:  <command>".
    bool OpenUrl(const QString& url);

    // The configured command with "%s" where the address goes (empty while unconfigured).
    const QString& GetCommandFormat() const { return m_commandFormat; }
    // The program and arguments that OpenUrl would start for url.
    QStringList BuildCommand(const QString& url) const;

    // Cuts a command line into arguments as desktop entries quote them: blanks separate, double quotes
    // group, and inside quotes a backslash escapes '"', '`', '$' and '\'.
    static QStringList SplitCommandLine(const QString& command);
    // The Exec line of the desktop's default application for a MIME type; empty when none is set.
    static QString FindDesktopCommand(const QString& mimeType);

    // Replaces how programs are started (tests record instead); an empty one restores the real start.
    static void SetProcessStarter(ProcessStarter starter);

private:
    QString m_commandFormat;
    QStringList m_arguments; // the format cut into arguments; "%s" marks the address
};

// The process's launcher, made on first use.
CBrowserLauncher& GetBrowserLauncher();
// Ends it (at shutdown); a later use makes a new one.
void DeleteBrowserLauncher();

// The address in the user's browser, through the main frame's open-in-browser operation when there
// is a main frame.
bool OpenInExternalBrowser(const QString& url);
