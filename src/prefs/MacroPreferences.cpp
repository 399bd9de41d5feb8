#include "prefs/MacroPreferences.h"

#include "prefs/ViewPref.h"
#include "support/SettingsStore.h"
#include "support/WindowBroadcast.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace {
const QString kMacros = QStringLiteral("Macros");
}

QString CMacroPreferences::ValueName(int n) { return QStringLiteral("Macro%1").arg(n); }

CMacroPreferences::CMacroPreferences(QWidget* parent) : PropertyPage(tr("Macros"), parent) {
    const CSettingsStore& store = GetSettingsStore();
    auto* form = new QFormLayout(this);
    for (int n = 0; n < kMacroCount; ++n) {
        macros[size_t(n)] = store.GetString(kMacros, ValueName(n));
        auto* edit = new QLineEdit(this);
        SetItemId(edit, IDC_FIRST_MACRO + n);
        // The mnemonic is the macro's key: 1 to 9, then 0.
        auto* label = new QLabel(n < 9 ? tr("Macro &%1:").arg(n + 1) : tr("Macro 1&0:"), this);
        label->setBuddy(edit);
        form->addRow(label, edit);
        connect(edit, &QLineEdit::textEdited, this, [this] { SetModified(true); });
    }
}

void CMacroPreferences::DoDataExchange(platform::DataExchange& dx) {
    for (int n = 0; n < kMacroCount; ++n)
        dx.Text(IDC_FIRST_MACRO + n, macros[size_t(n)]);
}

void CMacroPreferences::OnOK() {
    CSettingsStore& store = GetSettingsStore();
    for (int n = 0; n < kMacroCount; ++n)
        store.WriteString(kMacros, ValueName(n), macros[size_t(n)]);
    BroadcastToApplicationWindows(QString::fromLatin1(CViewPref::kViewPropertiesChanged));
}
