#pragma once

#include "board/BackgammonBoardWithSound.h"
#include "game/GameDoc.h"

#include <QString>

// The document of a proposition window: a position set up by the user, with its cube and the side on
// roll, kept on a board in edit state. It is stored as a ".bgp" file: two archive strings, the room
// name template ".gp.Black.White" and the board text seen from White (side 1).
class CBGPropDoc : public CGameDoc {
    NV_DECLARE_RUNTIME_CLASS(CBGPropDoc, CGameDoc)
public:
    static constexpr char kServiceNameTemplate[] = ".gp.Black.White";
    static constexpr char kExtension[] = "bgp";
    static constexpr int kCmdFileSave = 57603;
    static constexpr int kCmdFileSaveAs = 57604;
    // Hint sent to the views when the position changed.
    static constexpr int kHintPositionChanged = 4400;

    explicit CBGPropDoc(CGameSessionLink* session = nullptr, QObject* parent = nullptr);
    ~CBGPropDoc() override;

    CBackgammonBoardWithSound& GetBoard() { return m_board; }
    const CBackgammonBoardWithSound& GetBoard() const { return m_board; }
    // Takes a new position (from an editor) and tells the views -> false, the board unchanged, when it
    // is not a complete position.
    bool SetBoard(const CBackgammonBoard& board);
    // Applies an edit command ("c from/to") to the board -> whether it was taken.
    bool ApplyEdit(const QString& command);
    // Puts the board back in edit state, editing allowed, without rules; the set-up commands use it.
    static void PrepareForEditing(CBackgammonBoard& board);
    // Fifteen checkers of each side, borne-off ones included, nowhere a negative count.
    static bool IsCompletePosition(const CBackgammonBoard& board);

    QString GetServiceNameTemplate() const override;
    QString GetFileFilter() const override;
    QString GetDefaultExtension() const override;
    bool SerializeGame(CGameArchive& archive) override;
    QString GetWindowLayout() const override;

    // Reads a ".bgp" -> false, the document unchanged and a message naming the file in *error, when
    // the file cannot be read, is damaged, holds a board of another version or an incomplete position.
    bool LoadPropositionFile(const QString& path, QString* error = nullptr);
    // File > Save (57603) and Save As (57604).
    bool OnFileSave(bool saveAs);
    bool IsModified() const { return m_modified; }
    bool HasContentToSave() const override { return true; }

protected:
    bool WriteFile(const QString& path) override;

private:
    CBackgammonBoardWithSound m_board;
    QString m_loadError; // why the last load failed, without the file's name
    bool m_modified = false;
};
