#include "prefs/ColorChoice.h"

#include "platform/Color.h"
#include "platform/Ui.h"

#include <QColorDialog>

bool ChooseColor(QWidget* parent, platform::COLORREF& color) {
    QColorDialog dialog(platform::ToQColor(color == platform::kNoColor ? 0 : color), parent);
    dialog.setObjectName(QStringLiteral("ColorDialog"));
    if (platform::ui().ExecDialog(&dialog) != platform::IDOK)
        return false;
    const QColor chosen = dialog.currentColor();
    if (!chosen.isValid())
        return false;
    color = platform::RGB(chosen.red(), chosen.green(), chosen.blue());
    return true;
}
