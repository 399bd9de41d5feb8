#pragma once

#include <QComboBox>

// The styles of one font face among "Normal", "Italic", "Bold" and "Bold Italic" (item data 1, 4,
// 2 and 8).
class CKWFamilyComboBox : public QComboBox {
    Q_OBJECT
public:
    enum StyleBits { kNormal = 1, kBold = 2, kItalic = 4, kBoldItalic = 8 };

    explicit CKWFamilyComboBox(QWidget* parent = nullptr);

    // Lists the styles the face has or the desktop can make of it (a scalable face is drawn bold or
    // slanted even without its own style); every style for a face the desktop does not have, as it
    // is drawn with a substitute.
    void FillStyles(const QString& face);
    // Selects the style of that weight (700 or more is bold) and slant. A style missing from the
    // list is added, so a stored choice is never silently replaced by another.
    void SelectStyle(int weight, bool italic);
    // The weight and slant of the selection: Normal 400/no, Bold 700/no, Italic 400/yes,
    // Bold Italic 700/yes; 400/no when nothing is selected.
    void GetSelectedStyle(int& weight, bool& italic) const;

    // The style bits a face offers (a combination of StyleBits).
    static int StylesOf(const QString& face);

private:
    void AddStyle(int bit);
};
