#include "prefs/ColorChoice.h"

#include "platform/Color.h"
#include "platform/Ui.h"

#include <QColorDialog>

bool ChooseColor(QWidget* parent, platform::COLORREF& color) {
    QColorDialog dialog(parent);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setObjectName(QStringLiteral("CKWColorDlg"));
    if (color != platform::kNoColor)
        dialog.setCurrentColor(platform::ToQColor(color));
    if (platform::ui().ExecDialog(&dialog) != platform::IDOK)
        return false;
    const platform::COLORREF chosen = platform::FromQColor(dialog.currentColor());
    if (chosen == platform::kNoColor)
        return false;
    color = chosen;
    return true;
}
