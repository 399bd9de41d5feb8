#include "prefs/AboutNVDlg.h"

#include "platform/Paths.h"
#include "support/Utilities.h"
#include "support/VersionInfo.h"

#include <QLabel>
#include <QVBoxLayout>

CAboutNVDlg::CAboutNVDlg(QWidget* parent, const QString& splashPath) : platform::Dialog(parent), m_splashPath(splashPath) {
    setWindowTitle(QStringLiteral("About Norvale"));
    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel(this);
    picture->setAlignment(Qt::AlignCenter);
    SetItemId(picture, kIdPicture);
    layout->addWidget(picture);
    for (int id : {kIdProductVersion, kIdSpecialBuild, kIdPrivateBuild, kIdLegalNotice, kIdMemory, kIdDisk}) {
        auto* label = new QLabel(this);
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        SetItemId(label, id);
        layout->addWidget(label);
    }
    layout->addWidget(CreateButtonBox(QDialogButtonBox::Ok));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool CAboutNVDlg::OnInitDialog() {
    platform::Dialog::OnInitDialog();
    QString product, special, privateBuild, legal;
    GetVersionStrings(product, special, privateBuild, legal);
    QString memory, disk;
    FormatSystemResources(memory, disk);
    const std::pair<int, QString> texts[] = {
        {kIdProductVersion, product},
        {kIdSpecialBuild, special},
        {kIdPrivateBuild, privateBuild},
        {kIdLegalNotice, legal},
        {kIdMemory, QStringLiteral("Memory: ") + memory},
        {kIdDisk, QStringLiteral("Disk space: ") + disk},
    };
    for (const auto& [id, text] : texts) {
        SetItemText(id, text);
        ShowItem(id, !text.isEmpty()); // an empty line would only leave a gap
    }

    // The picture comes from the program's own data files, never from whatever folder the program
    // was started in. The box is as wide as the picture; without one it keeps its own size.
    const QString path = m_splashPath.isEmpty() ? platform::FindResourceFile(QStringLiteral("Splash.bmp")) : m_splashPath;
    if (!path.isEmpty())
        m_picture.load(path);
    auto* picture = ItemAs<QLabel>(kIdPicture);
    if (m_picture.isNull()) {
        picture->hide();
    } else {
        picture->setPixmap(m_picture);
        picture->show();
    }
    return true;
}
