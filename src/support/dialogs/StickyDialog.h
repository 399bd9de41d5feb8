#pragma once

#include "platform/Dialog.h"
#include "platform/Geometry.h"

#include <QPointer>

class QTimer;

// A dialog that comes back where the user last left it. Its rectangle is "Dialog Rect" in the settings
// section of its most derived class: the frame's top-left corner and the dialog's own size, in the
// parent's client coordinates while it has a parent, else on the screen. (The frame's size is left out
// because it is unknown until the window is shown; storing it would make a dialog grow on each reopen.)
//
// On opening a stored rectangle is pulled back onto the desktop and applied (only the place when the
// dialog keeps its own size); without one, or without a parent, the dialog is centred on its parent.
// It then steps aside from any window of the same parent at the same corner. A dialog that must not
// take the focus hands it back to the window that was active when it was made.
//
// Moves are written when the user stops moving (a short pause) and when the dialog closes.
class CStickyDialog : public platform::Dialog {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CStickyDialog, platform::Dialog)
public:
    CStickyDialog(int templateId, QWidget* parent, bool takeFocus = true, bool positionOnly = false);
    ~CStickyDialog() override;

    int GetTemplateId() const { return m_templateId; }

    void SetDefaultFocus(bool takeFocus) { m_takeFocus = takeFocus; }
    bool GetDefaultFocus() const { return m_takeFocus; }
    bool IsPositionOnly() const { return m_positionOnly; }
    bool IsMoved() const { return m_moved; }

    // Enables or disables the control with that id; nothing when there is none.
    void EnableDlgItem(int id, bool enable) { EnableItem(id, enable); }
    void DisableDlgItem(int id) { EnableItem(id, false); }
    void EnableDlgItemOn(int id) { EnableItem(id, true); }

    bool OnInitDialog() override;

    // The rectangle as it would be stored now (parent client or screen coordinates).
    platform::Rect CurrentStoredRect() const;
    // Writes the rectangle now when the dialog has moved since it was restored or last saved.
    void SaveRectIfMoved();

    // How long after the last move the rectangle is written; 0 writes on every move. Tests use 0.
    static void SetMoveSaveDelay(int milliseconds);

protected:
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void restorePlacement();
    void centreOnParent();
    void writeRect();

    int m_templateId;
    QPointer<QWidget> m_activeWindow; // active when the dialog was made
    bool m_takeFocus;
    bool m_initialized = false;
    bool m_moved = false;
    bool m_positionOnly;
    bool m_shownOnce = false;
    // The most derived class's name, kept for the writes that happen while the object is destroyed.
    const char* m_sectionClass = nullptr;
    QTimer* m_saveTimer = nullptr;
};
