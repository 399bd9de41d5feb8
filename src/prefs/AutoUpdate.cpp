#include "prefs/AutoUpdate.h"

#include "platform/Paths.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "prefs/DownloadDialog.h"
#include "support/SettingsStore.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QHostAddress>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

CAutoUpdateDialog::CAutoUpdateDialog(QWidget* parent, const QString& host, const QString& file)
    : platform::Dialog(parent) {
    setWindowTitle(QString::fromLatin1(kCaption));
    setObjectName(QString::number(kTemplateId));
    auto* notSupported = new QLabel(QString::fromLatin1(kNotSupported), this);
    auto* question = new QLabel(QString::fromLatin1(kQuestion), this);
    question->setWordWrap(true);
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    auto* texts = new QVBoxLayout;
    texts->addWidget(notSupported);
    if (!host.isEmpty() && !file.isEmpty()) {
        m_sourceText = QString::fromLatin1(autoupdate::kSourceText).arg(host, file);
        auto* source = new QLabel(m_sourceText, this);
        source->setTextFormat(Qt::PlainText);
        source->setWordWrap(true);
        texts->addWidget(source);
    }
    texts->addWidget(question);
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(texts, 1);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* yes = buttons->addButton(QStringLiteral("&Yes"), QDialogButtonBox::AcceptRole);
    QPushButton* no = buttons->addButton(QStringLiteral("&No"), QDialogButtonBox::RejectRole);
    SetItemId(yes, platform::IDOK);
    SetItemId(no, platform::IDCANCEL);
    yes->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

namespace autoupdate {

namespace {

bool IsNameCharacter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'.' ||
           c == u'_' || c == u'-';
}

void TellFailure(QWidget* parent) {
    platform::ui().MessageBox(parent, QString::fromLatin1(kFailedText), QString::fromLatin1(kFailedCaption),
                              platform::MB_OK | platform::MB_ICONSTOP);
}

// The downloaded file as it must be before it is started: a regular file of ours, not a link, of
// the announced length, that we may run.
bool IsCompleteProgram(const QString& path, quint32 expectedSize) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && info.st_size == off_t(expectedSize) &&
           (info.st_mode & S_IXUSR) != 0;
}

bool StartDetached(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(QFileInfo(program).absolutePath());
    return process.startDetached();
}

} // namespace

bool IsHostInDomain(const QString& host, const QString& domain) {
    const QString name = host.toLower();
    const QString own = domain.toLower();
    if (own.isEmpty() || name.isEmpty())
        return false;
    if (name == own)
        return true;
    // Below a name, never below a number: "x.127.0.0.1" is no host of 127.0.0.1.
    QHostAddress numeric;
    if (numeric.setAddress(own))
        return false;
    return name.endsWith(u'.' + own);
}

QString ProgramFileName(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid())
        return {};
    const QString path = url.path(QUrl::FullyDecoded);
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    if (name.isEmpty() || name.startsWith(u'.'))
        return {};
    for (const QChar c : name) {
        if (!IsNameCharacter(c))
            return {};
    }
    const QString suffix = QString::fromLatin1(kProgramSuffix).toUpper();
    const qsizetype first = name.toUpper().indexOf(suffix);
    if (first < 1 || first != name.size() - suffix.size())
        return {};
    return name;
}

QString PrepareFolder(const QString& folder, QString* error) {
    QString path = QDir::cleanPath(folder);
    const QByteArray encoded = QFile::encodeName(path);
    if (::mkdir(encoded.constData(), 0700) != 0 && errno != EEXIST) {
        if (error)
            *error = QStringLiteral("cannot make %1").arg(path);
        return {};
    }
    struct stat info {};
    if (::lstat(encoded.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) {
        if (error)
            *error = QStringLiteral("%1 is not a folder of this user").arg(path);
        return {};
    }
    if ((info.st_mode & 077) != 0 && ::chmod(encoded.constData(), 0700) != 0) {
        if (error)
            *error = QStringLiteral("cannot close %1 to other users").arg(path);
        return {};
    }
    return path + u'/';
}

Outcome Launch(QWidget* mainWindow, const QString& address, quint32 expectedSize, const Hooks& hooks) {
    if (CDownloadDialog::GetRunning())
        return Outcome::Declined; // an update is already on its way
    const QUrl url(address, QUrl::StrictMode);
    const QString host = url.isValid() ? url.host(QUrl::FullyEncoded).toLower() : QString();
    if (!IsHostInDomain(host, hooks.webDomain)) {
        platform::ui().MessageBox(mainWindow,
                                  QString::fromLatin1(kRefusedText)
                                      .arg(host.isEmpty() ? QStringLiteral("an unreadable address") : host,
                                           hooks.webDomain.isEmpty() ? QStringLiteral("none known")
                                                                     : hooks.webDomain),
                                  QString::fromLatin1(kRefusedCaption), platform::MB_OK | platform::MB_ICONSTOP);
        return Outcome::Refused;
    }
    {
        CAutoUpdateDialog ask(mainWindow, host, ProgramFileName(address));
        if (ask.DoModal() != platform::IDOK)
            return Outcome::Declined;
    }
    // The tip of the day does not open when the client next starts.
    GetSettingsStore().WriteInt(QStringLiteral("Tip"), QStringLiteral("StartUp"), 1);

    const QString name = ProgramFileName(address);
    QString error;
    const QString folder =
        name.isEmpty() || expectedSize == 0 || QUrl(address).scheme() != QStringLiteral("https")
            ? QString()
            : PrepareFolder(hooks.folder.isEmpty() ? platform::UserDataDir() + QStringLiteral("Update") : hooks.folder,
                            &error);
    if (folder.isEmpty()) {
        TellFailure(mainWindow);
        return Outcome::Failed;
    }

    const QString target = folder + name;
    const QString caption = mainWindow ? mainWindow->windowTitle() : QString();
    if (mainWindow)
        mainWindow->setWindowTitle(QString::fromLatin1(kUpdatingCaption));
    int code = 0;
    int success = 0;
    {
        CDownloadDialog download(address, target, expectedSize, mainWindow);
        download.SetTrustedCertificates(hooks.trustedCertificates);
        download.SetFileMode(0700);
        code = download.DoModal();
        success = download.GetResult();
    }
    if (mainWindow)
        mainWindow->setWindowTitle(caption);

    if (code == platform::IDCANCEL)
        return Outcome::Declined;
    if (code == platform::IDOK && success == 1 && IsCompleteProgram(target, expectedSize)) {
        const auto start = hooks.startProgram ? hooks.startProgram : StartDetached;
        if (start(target, {QString::fromLatin1(kProgramArgument)}))
            return Outcome::Started;
    }
    TellFailure(mainWindow);
    return Outcome::Failed;
}

} // namespace autoupdate
