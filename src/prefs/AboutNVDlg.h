#pragma once

#include "platform/Dialog.h"

#include <QPixmap>

// The about box: the program's version texts, the machine's memory and free disk space, and the
// splash picture.
class CAboutNVDlg : public platform::Dialog {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CAboutNVDlg, platform::Dialog)
public:
    static constexpr int kTemplateId = 310;
    static constexpr int kIdProductVersion = 1371;
    static constexpr int kIdSpecialBuild = 1372;
    static constexpr int kIdLegalNotice = 1373;
    static constexpr int kIdPrivateBuild = 1374;
    static constexpr int kIdMemory = 1375;
    static constexpr int kIdDisk = 1376;
    static constexpr int kIdPicture = 1276;

    // splashPath: the picture; empty for "Splash.bmp" among the program's data files.
    explicit CAboutNVDlg(QWidget* parent = nullptr, const QString& splashPath = QString());

    bool OnInitDialog() override;

    bool HasPicture() const { return !m_picture.isNull(); }

private:
    QString m_splashPath;
    QPixmap m_picture;
};
