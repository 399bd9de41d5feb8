#pragma once

#include "app/GameView.h"

class QLineEdit;

// The input line under the lobby's chat: what the user types is said in the room. Chat commands
// (lines that begin with "/") are answered with a system line that they are not available here.
class CChatEntryView : public CGameView {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CChatEntryView, CGameView)
public:
    explicit CChatEntryView(QWidget* parent = nullptr);

    QWidget* GetControl() override;
    int GetIdealHeight() const override;
    void OnActivateView(bool activate) override;

    // Says the line in the room (what Enter does) -> whether it was sent.
    bool EnterLine(const QString& line);
    QLineEdit* GetEdit() const { return m_edit; }

private:
    QLineEdit* m_edit;
};

// The lobby's chat panes: "Chat" (the chat view) and "CommandLine" (the input line).
void RegisterChatPanes();
