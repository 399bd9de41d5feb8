#pragma once

#include "platform/Object.h"

#include <QWidget>

namespace platform {
class Document;
}

// The floating windows of the client (friends, blinded, gagged, player list, match-board list, talk):
// a small tool window owned by the main window. Closing it destroys it. Its placement is kept in the
// settings section of its runtime class.
class CKelderFrameWnd : public QWidget, public platform::Object {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CKelderFrameWnd, platform::Object)
public:
    static constexpr int kDefaultLeft = 100;
    static constexpr int kDefaultTop = 100;
    static constexpr int kDefaultRight = 400;
    static constexpr int kDefaultBottom = 375;

    // owner: the main window (null: the application's main frame).
    explicit CKelderFrameWnd(QWidget* owner = nullptr);
    ~CKelderFrameWnd() override;

    int GetFrameId() const { return m_frameId; }
    void SetFrameId(int id) { m_frameId = id; }

    // Runs the initial update of the document's views in this window and restores the placement
    // (default rectangle 100, 100, 400, 375, relative to the owner) from the frame's section.
    void InitialUpdateAndPlace(platform::Document* document, bool visible);
    // Writes the placement (with the normal rectangle) relative to the owner.
    void SavePlacement();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Called when the user closes the window; the window is destroyed afterwards.
    virtual void OnClose() {}

private:
    int m_frameId = 0;
};
