#pragma once

#include "platform/Dialog.h"

#include <QString>
#include <QStringList>

#include <functional>

// Asks whether the client that the server no longer supports is to fetch and start the new
// setup program. IDOK means "download".
class CAutoUpdateDialog : public platform::Dialog {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CAutoUpdateDialog, platform::Dialog)
public:
    static constexpr int kTemplateId = 516;
    static constexpr char kCaption[] = "Update Norvale Client";
    static constexpr char kNotSupported[] = "This version of the Norvale client is no longer supported.";
    static constexpr char kQuestion[] =
        "Would you like to automatically download and install the latest Norvale software?";

    // host and file name what would be fetched; the question names them when given.
    explicit CAutoUpdateDialog(QWidget* parent = nullptr, const QString& host = QString(),
                               const QString& file = QString());
    // The sentence that names the host and the file (empty without them).
    QString GetSourceText() const { return m_sourceText; }

private:
    QString m_sourceText;
};

// The program update: asks, fetches the setup program over https into the user's own update
// folder, and starts it in place of the running client.
namespace autoupdate {

// The setup program's name ends with this suffix, compared without regard to case.
constexpr char kProgramSuffix[] = ".run";
constexpr char kFailedCaption[] = "Update Failed";
constexpr char kFailedText[] =
    "The new Norvale software could not be downloaded and installed.\n\n"
    "Please download the newest Norvale software from the Norvale web site.";
constexpr char kUpdatingCaption[] = "Update...";
constexpr char kSourceText[] = "The new software, %2, would be downloaded from %1.";
constexpr char kRefusedCaption[] = "Update Refused";
constexpr char kRefusedText[] =
    "The server offered an update from %1, which is not one of the service's web sites (%2). "
    "It was not downloaded.\n\nPlease download the newest Norvale software from the Norvale web site.";
constexpr char kProgramArgument[] = "Dummy Argument";

enum class Outcome {
    Declined, // the user said no or cancelled the transfer
    Failed,   // the user was told with the "Update Failed" box
    Started,  // the new program runs; the client is to end
    Refused,  // the address is not the service's own: the user was told, nothing was asked
};

struct Hooks {
    // Starts the program with its arguments, without a shell -> false when it could not be started.
    // Empty: a detached process.
    std::function<bool(const QString& program, const QStringList& arguments)> startProgram;
    // Authorities that vouch for the update server's certificate (PEM); empty: the system's.
    QString trustedCertificates;
    // Where the program is written; empty: the folder "Update" among the user's files.
    QString folder;
    // The service's web domain (the domain of its web addresses): only an address on it, or on a
    // host below it, is offered. Empty: no address is.
    QString webDomain;
};

// Whether host is the domain or a host below it (letters compared without regard to case; an
// address given as a number matches only itself).
bool IsHostInDomain(const QString& host, const QString& domain);

// The file name the address ends with, when it may name the setup program: its path's last
// element (query and fragment are not part of it), made only of letters, digits, '.', '_' and
// '-', not starting with '.', whose first kProgramSuffix stands at its end. Empty otherwise.
QString ProgramFileName(const QString& address);

// Makes (or checks) the folder that receives the program: a real folder, not a link, owned by
// the user and closed to everyone else -> the path ending with '/', or empty with error set.
QString PrepareFolder(const QString& folder, QString* error);

// The whole update for the main window mainWindow (its caption shows "Update..." while the file
// comes). An address off the service's web domain is refused with a box before anything is asked
// (the refusal came over the unencrypted lobby connection, so anyone on the way may have written
// it). A transfer that is not over https, whose address names no program, whose size is not
// given or does not match, or whose file cannot be started ends in the "Update Failed" box.
Outcome Launch(QWidget* mainWindow, const QString& address, quint32 expectedSize, const Hooks& hooks = {});

} // namespace autoupdate
