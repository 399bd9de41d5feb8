#pragma once

#include "platform/LogFont.h"

#include <QComboBox>

// The font faces of the screen, one entry per family, with room to type a face. A face the desktop
// does not have (a stored "Arial" on a machine without it) can be added, so that a stored choice is
// shown as it is instead of silently becoming the first family.
class CKWFontComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit CKWFontComboBox(QWidget* parent = nullptr);

    // Fills the list with every font family of the screen, in name order; the box is disabled when
    // there is none.
    void FillFontList();

    // The logical font of entry index; for -1 the selected entry, else a typed face, else entry 0.
    // Height 0 (the pane chooses it), weight 400, not italic, the family's pitch.
    platform::LogFont GetItemFontInfo(int index = -1) const;
    // The face of the selected (or typed, or first) entry; empty for an empty list.
    QString GetSelectedFace() const;

    // Selects the entry of that face (case ignored; a face cut to the stored length selects the
    // family whose name it begins) -> false when there is none.
    bool SelectFace(const QString& face);
    // Adds an entry for a face that is not in the list (or finds the one that is) -> its index.
    int AddFace(const QString& face);
    // The index of the face's entry, -1 when absent.
    int FindFace(const QString& face) const;

    // The logical font of a face: weight 400, the pitch the desktop gives the family (the default
    // pitch for a face it lacks), the face cut to the stored length.
    static platform::LogFont FontInfoFor(const QString& face);
};
