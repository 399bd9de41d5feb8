#include "prefs/KWColorDlg.h"

#include "platform/Color.h"
#include "platform/Ui.h"
#include "support/SettingsStore.h"

#include <QStringList>

namespace {

const QString kSection = QStringLiteral("Colors");
const QString kValue = QStringLiteral("CustomColors");
constexpr platform::COLORREF kWhite = 0xFFFFFF;

struct CustomColorState {
    CKWColorDlg::CustomColors colors{};
    CKWColorDlg::CustomColors saved{}; // as loaded or last written
    bool loaded = false;
};

CustomColorState& state() {
    static CustomColorState instance;
    return instance;
}

void ensureLoaded() {
    CustomColorState& s = state();
    if (s.loaded)
        return;
    s.colors.fill(kWhite);
    const QString text = GetSettingsStore().GetString(kSection, kValue);
    if (!text.isEmpty())
        s.colors = CKWColorDlg::ParseCustomColors(text);
    s.saved = s.colors;
    s.loaded = true;
}

} // namespace

CKWColorDlg::CKWColorDlg(platform::COLORREF initial, QWidget* parent) : QColorDialog(parent) {
    // Only Qt's own dialog shows the custom colours given here; a desktop's dialog keeps its own.
    setOption(QColorDialog::DontUseNativeDialog);
    setObjectName(QString::fromLatin1(kClassName));
    ensureLoaded();
    // The settings, not Qt's own memory of custom colours, decide what the dialog starts with.
    CustomColorState& s = state();
    s.saved = s.colors;
    for (int i = 0; i < kCustomColors; ++i)
        QColorDialog::setCustomColor(i, platform::ToQColor(s.colors[size_t(i)]));
    setCurrentColor(platform::ToQColor(initial == platform::kNoColor ? 0 : initial));
}

CKWColorDlg::~CKWColorDlg() {
    CustomColorState& s = state();
    for (int i = 0; i < kCustomColors; ++i) {
        const platform::COLORREF color = platform::FromQColor(QColorDialog::customColor(i));
        s.colors[size_t(i)] = color == platform::kNoColor ? kWhite : color;
    }
    if (s.colors != s.saved) {
        GetSettingsStore().WriteString(kSection, kValue, FormatCustomColors(s.colors));
        s.saved = s.colors;
    }
}

int CKWColorDlg::DoModal() {
    const int result = platform::ui().ExecDialog(this);
    return result == QDialog::Accepted ? platform::IDOK : platform::IDCANCEL;
}

platform::COLORREF CKWColorDlg::GetColor() const { return platform::FromQColor(currentColor()); }

bool CKWColorDlg::ChooseColor(platform::COLORREF& color, QWidget* parent) {
    CKWColorDlg dialog(color, parent);
    if (dialog.DoModal() != platform::IDOK)
        return false;
    color = dialog.GetColor();
    return true;
}

CKWColorDlg::CustomColors CKWColorDlg::GetCustomColors() {
    ensureLoaded();
    return state().colors;
}

CKWColorDlg::CustomColors CKWColorDlg::ParseCustomColors(const QString& text) {
    CustomColors colors;
    colors.fill(kWhite);
    const QStringList words = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int i = 0; i < kCustomColors && i < words.size(); ++i) {
        bool ok = false;
        const qlonglong value = words[i].toLongLong(&ok, 10);
        if (ok && value >= 0 && value <= 0xFFFFFF)
            colors[size_t(i)] = platform::COLORREF(value);
    }
    return colors;
}

QString CKWColorDlg::FormatCustomColors(const CustomColors& colors) {
    QStringList words;
    for (platform::COLORREF color : colors)
        words.append(QString::number(qlonglong(qint32(color))));
    return words.join(QLatin1Char(' '));
}

void CKWColorDlg::ForgetCustomColors() { state().loaded = false; }
