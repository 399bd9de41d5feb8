#pragma once

#include "session/PacketTarget.h"

#include <QPointer>

class CBlindFrameWnd;
class CRelationsSubDoc;

// What the blinded and the gagged players' sub-documents share: the session's window-less owner of
// one list window. It opens and closes the window (a menu command toggles it), hands the window the
// packets the session offers, and sends the window's changes of the list to the database service.
class CRelationWindowOwner : public CSubDocument {
public:
    ~CRelationWindowOwner() override;

    // Opens the window, or closes it when it is open.
    void ToggleWindow();
    bool IsWindowOpen() const;
    CBlindFrameWnd* GetFrame() const;
    // The menu entry: checked while the window is open, enabled while it is open or the session is in
    // a service.
    bool CanToggleWindow() const;
    // The frame closes: the owner lets go of it.
    void ForgetFrame();

    // The window's command (toggles it) -> true when it is this one's.
    bool OnCommand(int id) override;
    // Packets go to the window while it is open; never taken.
    int OnPacket(int type, const QString& text) override;

    int GetToggleCommand() const { return m_toggleCommand; }

protected:
    CRelationWindowOwner(CSessionDoc* session, int toggleCommand);
    // Makes the frame of this list (with its view), not yet shown.
    virtual CBlindFrameWnd* MakeFrame() = 0;

private:
    QPointer<CBlindFrameWnd> m_frame;
    int m_toggleCommand;
};

// The owner of the blinded players' window. The blinded view raises sub-document event 0 (or 1) with
// a change of the list ("=", or "+"/"-" and nicknames), which this sends to the database service.
class CBlindSubDocument : public CRelationWindowOwner {
    NV_DECLARE_RUNTIME_CLASS(CBlindSubDocument, CSubDocument)
public:
    static constexpr int kCmdToggleWindow = 32933;
    static constexpr int kEventBlindChanged = 0;
    static constexpr int kEventBlindChangedToo = 1;

    explicit CBlindSubDocument(CSessionDoc* session = nullptr);

    // The session's blind sub-document, made and kept by the session on the first call.
    static CBlindSubDocument* Attach(CSessionDoc& session);
    static CBlindSubDocument* Find(const CSessionDoc* session);

    // Packet 226 to ".db": "~ <own nickname> <text>" -> false when nothing was sent.
    bool SendBlindChange(const QString& text);
    // Events 0 and 1 send their text (a QString argument) -> 1; other codes 0.
    int OnEvent(int code, const QVariant& argument) override;

protected:
    CBlindFrameWnd* MakeFrame() override;
};

// The owner of the gagged players' window, and the session's answer to "is this member gagged?" while
// no window is open. The gag list itself is the relations sub-document's copy of the server's list
// (replaced by every packet 189), so the chat filter, the invitation code and this window never
// disagree. The gagged view raises event 400 with its changes.
class CGagSubDocument : public CRelationWindowOwner {
    NV_DECLARE_RUNTIME_CLASS(CGagSubDocument, CSubDocument)
public:
    static constexpr int kCmdToggleWindow = 32894;
    static constexpr int kEventGagChanged = 400;

    // Attaches the session's relations sub-document too, when it has none yet.
    explicit CGagSubDocument(CSessionDoc* session = nullptr);

    static CGagSubDocument* Attach(CSessionDoc& session);
    static CGagSubDocument* Find(const CSessionDoc* session);

    // Packet 173 to ".db": "~ <own nickname> <text>" -> false when nothing was sent.
    bool SendGagChange(const QString& text);
    // Event 400 sends its text -> 1; other codes 0.
    int OnEvent(int code, const QVariant& argument) override;

    // Whether the nickname is on the gag list (without regard to the case of ASCII letters).
    bool IsGagged(const QString& nickname) const;

protected:
    CBlindFrameWnd* MakeFrame() override;

private:
    CRelationsSubDoc* relations() const;
};
