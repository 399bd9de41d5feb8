#include "support/controls/FontComboBox.h"

#include "support/PersistentFont.h"

#include <QCompleter>
#include <QFontDatabase>
#include <QLineEdit>

using platform::LogFont;

CKWFontComboBox::CKWFontComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    completer()->setCompletionMode(QCompleter::InlineCompletion);
    completer()->setCaseSensitivity(Qt::CaseInsensitive);
}

void CKWFontComboBox::FillFontList() {
    const QSignalBlocker blocker(this);
    clear();
    QStringList families = QFontDatabase::families();
    families.sort(Qt::CaseInsensitive);
    for (const QString& family : families)
        if (!QFontDatabase::isPrivateFamily(family))
            addItem(family);
    setEnabled(count() > 0);
}

LogFont CKWFontComboBox::FontInfoFor(const QString& face) {
    LogFont font;
    font.weight = platform::FW_NORMAL;
    if (QFontDatabase::hasFamily(face))
        font.pitchAndFamily = QFontDatabase::isFixedPitch(face) ? platform::FIXED_PITCH : platform::VARIABLE_PITCH;
    font.faceName = CutFaceName(face);
    return font;
}

LogFont CKWFontComboBox::GetItemFontInfo(int index) const {
    if (index < 0) {
        const int selected = currentIndex();
        const QString typed = currentText().trimmed();
        if (selected >= 0 && itemText(selected) == typed)
            index = selected;
        else if (!typed.isEmpty())
            index = FindFace(typed);
        if (index < 0 && !typed.isEmpty())
            return FontInfoFor(typed);
        if (index < 0)
            index = 0;
    }
    if (index >= count())
        return LogFont();
    return FontInfoFor(itemText(index));
}

QString CKWFontComboBox::GetSelectedFace() const {
    const LogFont font = GetItemFontInfo(-1);
    const int index = FindFace(font.faceName);
    return index >= 0 ? itemText(index) : font.faceName;
}

int CKWFontComboBox::FindFace(const QString& face) const {
    if (face.isEmpty())
        return -1;
    for (int i = 0; i < count(); ++i)
        if (itemText(i).compare(face, Qt::CaseInsensitive) == 0)
            return i;
    // A face stored at its full length may be the start of a longer family name.
    if (face.size() == platform::kMaxFaceNameLength)
        for (int i = 0; i < count(); ++i)
            if (itemText(i).startsWith(face, Qt::CaseInsensitive))
                return i;
    return -1;
}

bool CKWFontComboBox::SelectFace(const QString& face) {
    const int index = FindFace(face);
    if (index < 0)
        return false;
    setCurrentIndex(index);
    return true;
}

int CKWFontComboBox::AddFace(const QString& face) {
    if (const int index = FindFace(face); index >= 0)
        return index;
    // Keep the list in name order.
    int at = 0;
    while (at < count() && itemText(at).compare(face, Qt::CaseInsensitive) < 0)
        ++at;
    const QSignalBlocker blocker(this);
    insertItem(at, face);
    setEnabled(true);
    return at;
}
