#include "support/controls/HistoryEdit.h"

#include "platform/Dialog.h"
#include "support/SettingsStore.h"

#include <QLineEdit>

namespace {

const QString kSection = QStringLiteral("History");

// One entry is one line: line breaks that came in with pasted text become blanks.
QString oneLine(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

} // namespace

CHistoryEdit::CHistoryEdit(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert); // the history decides the order, not the combo
    setMaxCount(kMaxEntries);
}

QStringList CHistoryEdit::LoadHistory(const QString& key) {
    const QString stored = GetSettingsStore().GetString(kSection, key);
    QStringList entries = stored.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    entries.removeDuplicates();
    return entries.mid(0, kMaxEntries);
}

QStringList CHistoryEdit::AddToHistory(const QString& key, const QString& text) {
    QStringList entries = LoadHistory(key);
    const QString entry = oneLine(text);
    if (entry.trimmed().isEmpty() || key.isEmpty())
        return entries;
    entries.removeAll(entry);
    entries.prepend(entry);
    entries = entries.mid(0, kMaxEntries);
    GetSettingsStore().WriteString(kSection, key, entries.join(QLatin1Char('\n')));
    return entries;
}

void CHistoryEdit::ExchangeWithHistory(platform::DataExchange& dx, QString& value, const QString& key) {
    if (dx.failed())
        return;
    if (dx.saving()) {
        value = currentText();
        const QStringList entries = AddToHistory(key, value);
        clear();
        addItems(entries);
        setEditText(value);
        return;
    }
    clear();
    addItems(LoadHistory(key));
    setEditText(value);
}
