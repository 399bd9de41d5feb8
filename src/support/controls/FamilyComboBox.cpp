#include "support/controls/FamilyComboBox.h"

#include "platform/LogFont.h"

#include <QFontDatabase>

namespace {

// In the list's order.
struct StyleEntry {
    int bit;
    const char* name;
    int weight;
    bool italic;
};
const StyleEntry kStyles[] = {
    {CKWFamilyComboBox::kNormal, "Normal", platform::FW_NORMAL, false},
    {CKWFamilyComboBox::kItalic, "Italic", platform::FW_NORMAL, true},
    {CKWFamilyComboBox::kBold, "Bold", platform::FW_BOLD, false},
    {CKWFamilyComboBox::kBoldItalic, "Bold Italic", platform::FW_BOLD, true},
};
constexpr int kAllStyles = CKWFamilyComboBox::kNormal | CKWFamilyComboBox::kItalic | CKWFamilyComboBox::kBold |
                           CKWFamilyComboBox::kBoldItalic;

int bitFor(int weight, bool italic) {
    const bool bold = weight >= platform::FW_BOLD;
    if (bold)
        return italic ? CKWFamilyComboBox::kBoldItalic : CKWFamilyComboBox::kBold;
    return italic ? CKWFamilyComboBox::kItalic : CKWFamilyComboBox::kNormal;
}

int orderOf(int bit) {
    for (int i = 0; i < int(std::size(kStyles)); ++i)
        if (kStyles[i].bit == bit)
            return i;
    return -1;
}

} // namespace

CKWFamilyComboBox::CKWFamilyComboBox(QWidget* parent) : QComboBox(parent) {}

int CKWFamilyComboBox::StylesOf(const QString& face) {
    if (face.isEmpty() || !QFontDatabase::hasFamily(face))
        return kAllStyles;
    int bits = 0;
    for (const QString& style : QFontDatabase::styles(face)) {
        // Oblique styles are slanted although the database does not call them italic.
        const bool italic = QFontDatabase::italic(face, style) || style.contains(u"Oblique", Qt::CaseInsensitive) ||
                            style.contains(u"Italic", Qt::CaseInsensitive);
        // Anything from semi-bold up counts as the face's bold.
        bits |= bitFor(QFontDatabase::weight(face, style) >= 600 ? platform::FW_BOLD : platform::FW_NORMAL, italic);
    }
    if (QFontDatabase::isSmoothlyScalable(face))
        bits = kAllStyles;
    return bits ? bits : kNormal;
}

void CKWFamilyComboBox::FillStyles(const QString& face) {
    const QSignalBlocker blocker(this);
    clear();
    const int bits = StylesOf(face);
    for (const StyleEntry& style : kStyles)
        if (bits & style.bit)
            addItem(QString::fromLatin1(style.name), style.bit);
}

void CKWFamilyComboBox::AddStyle(int bit) {
    const int order = orderOf(bit);
    if (order < 0 || findData(bit) >= 0)
        return;
    int at = 0;
    while (at < count() && orderOf(itemData(at).toInt()) < order)
        ++at;
    insertItem(at, QString::fromLatin1(kStyles[order].name), bit);
}

void CKWFamilyComboBox::SelectStyle(int weight, bool italic) {
    const int bit = bitFor(weight, italic);
    AddStyle(bit);
    setCurrentIndex(findData(bit));
}

void CKWFamilyComboBox::GetSelectedStyle(int& weight, bool& italic) const {
    weight = platform::FW_NORMAL;
    italic = false;
    const int order = orderOf(currentIndex() >= 0 ? currentData().toInt() : 0);
    if (order >= 0) {
        weight = kStyles[order].weight;
        italic = kStyles[order].italic;
    }
}
