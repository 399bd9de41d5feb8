#pragma once

#include "platform/Dialog.h"
#include "prefs/BgColorScheme.h"

#include <QString>
#include <vector>

class CColorButton;
class CColorLB;
class CKWFamilyComboBox;
class CKWFontComboBox;
class QComboBox;
class QGridLayout;

// What a pane tells the page that shows it: the scheme was edited (SetModified(true)) and should be
// shown again (OnSchemeChanged).
class CBgSchemeEditor {
public:
    virtual ~CBgSchemeEditor() = default;
    virtual void SetModified(bool modified) = 0;
    virtual void OnSchemeChanged() = 0;
};

// One texture a board item can be drawn with: a name for the list, the file in res/textures (empty
// for none) and how many colours go with it (0 the picture as it is, 1 one plain colour, 2 the
// picture tinted with colour 1, or two colours without a picture).
struct CBgTextureChoice {
    QString name;
    QString file;
    int kind = 0;
};

// The textures offered for board parts (kBoardTextures), checkers (kCheckerTextures) and the
// three-dimensional dice (kDiceTextures): "<none>" first, then only those whose file is installed.
enum { kBoardTextures = 2010, kCheckerTextures = 2004, kDiceTextures = 2005 };
std::vector<CBgTextureChoice> BgTextureChoices(int listId);

// The base of the item panes: an embedded dialog that edits part of the page's working scheme and
// changes it only when the user does something in it (opening a pane or moving the focus through it
// changes nothing).
class CBgSchemePane : public platform::Dialog {
    Q_OBJECT
public:
    CBgSchemePane(CBgSchemeEditor* owner, QWidget* parent);
    // Enter and Escape belong to the sheet around the page.
    void OnOK() override;
    void OnCancel() override;

protected:
    // The scheme was edited: the owner marks itself modified and shows the scheme again.
    void Edited();
    void ShowScheme();
    CBgSchemeEditor* m_owner;
};

// The texture pane of the three-dimensional board: a texture and its colours. It is also the base of
// the two-dimensional one.
class CTexturePane : public CBgSchemePane {
    Q_OBJECT
public:
    enum Ids {
        IDC_TEXTURE = 1009,
        IDC_TEXTURE_LABEL = 1030,
        IDC_COLOR1_LABEL = 1022,
        IDC_COLOR1 = 1029,
        IDC_COLOR2_LABEL = 1025,
        IDC_COLOR2 = 1024,
    };

    CTexturePane(CBgSchemeElement* element, int listId, CBgSchemeEditor* owner, QWidget* parent = nullptr);

    bool OnInitDialog() override;
    const std::vector<CBgTextureChoice>& Choices() const { return m_choices; }
    // Takes the selected texture into the element (what a choice in the list does).
    void ApplyTexture();
    // Opens the colour dialog on colour 1 or 2 and takes the chosen colour.
    void ChooseColor(int which);

protected:
    // Lays the common rows out; the two-dimensional pane adds its own below.
    QGridLayout* Grid() const { return m_grid; }
    void ShowColorRows(int kind);
    int SelectedKind() const;

    CBgSchemeElement* m_element;
    std::vector<CBgTextureChoice> m_choices;
    QComboBox* m_texture;
    CColorButton* m_color1;
    CColorButton* m_color2;

private:
    QGridLayout* m_grid;
};

// The pane of a two-dimensional board item: its texture and colours, its outline and, for checkers,
// the ring drawn on them (the two-dimensional board draws no highlight on board parts, so they do
// not offer one).
class C2DTexturePane : public CTexturePane {
    Q_OBJECT
public:
    enum Ids { IDC_OUTLINE_LABEL = 1026, IDC_OUTLINE = 127, IDC_HIGHLIGHT_LABEL = 1023, IDC_HIGHLIGHT = 1035 };

    C2DTexturePane(CBgSchemeElement* element, int listId, bool checker, CBgSchemeEditor* owner,
                   QWidget* parent = nullptr);
    bool OnInitDialog() override;
    bool IsChecker() const { return m_checker; }

private:
    void ApplyLines();

    bool m_checker;
    CColorLB* m_outline;
    CColorLB* m_highlight;
};

// The pane of the two-dimensional dice: fill, outline and the colour of the spots.
class CLineArtPane : public CBgSchemePane {
    Q_OBJECT
public:
    enum Ids { IDC_FILL = 1034, IDC_OUTLINE = 127, IDC_HIGHLIGHT_LABEL = 1023, IDC_HIGHLIGHT = 1035 };
    static constexpr int kSpotColorLabel = 2008; // "S&pot Color"

    // rows: how many of the three rows are shown; labelId replaces the highlight label (0 keeps it).
    CLineArtPane(int rows, CBgSchemeElement* element, CBgSchemeEditor* owner, int labelId,
                 QWidget* parent = nullptr);
    bool OnInitDialog() override;
    // Takes the controls into the element; tells the owner when anything changed.
    void Apply();
    void ChooseFill();

private:
    int m_rows;
    CBgSchemeElement* m_element;
    CColorButton* m_fill;
    CColorLB* m_outline;
    CColorLB* m_highlight;
};

// The pane of the point labels' font: face, style and colour.
class CFontPane : public CBgSchemePane {
    Q_OBJECT
public:
    enum Ids { IDC_FONT = 1036, IDC_STYLE = 1037, IDC_COLOR = 1035 };

    CFontPane(CBgColorScheme* scheme, CBgSchemeEditor* owner, QWidget* parent = nullptr);
    bool OnInitDialog() override;
    // Reads the three lists back; tells the owner when anything changed.
    void Apply();

private:
    CBgColorScheme* m_scheme;
    CKWFontComboBox* m_face;
    CKWFamilyComboBox* m_style;
    CColorLB* m_color;
    bool m_loading = false;
};
