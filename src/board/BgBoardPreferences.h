#pragma once

#include "board/BgSchemePanes.h"
#include "platform/PropertySheet.h"
#include "prefs/BgColorScheme.h"

#include <QPointer>
#include <functional>

class CBackgammonBoardCtl;
class QComboBox;
class QWidget;

// The page on which the user chooses and edits board schemes: the named schemes of a scheme set
// (with Save As and Delete, which act at once), the board items with a pane for the selected one,
// and a preview board that shows every edit. The screen page ("Display") edits the set of the screen
// board's style and tells the open boards when it applies; the printing page ("Printing") edits the
// set of printed boards. The working scheme belongs to the sheet.
class CBgBoardPreferences : public platform::PropertyPage, public CBgSchemeEditor {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CBgBoardPreferences, platform::PropertyPage)
public:
    enum Ids {
        IDC_SCHEMES = 1000,
        IDC_SAVE_AS = 1001,
        IDC_DELETE = 1002,
        IDC_ITEMS = 1005,
        IDC_PREVIEW = 1007,
        IDC_PANE_AREA = 1008,
        IDC_3D = 1012,
        IDC_2D = 1032,
        IDC_ACCELERATION = 1253,
        IDC_STYLE_LABEL = 1278,
    };
    static constexpr char kSection[] = "BgColorPrefs";
    static constexpr char kPropertiesChanged[] = "KELDERWICK_BG_PROPERTIES_CHANGED";

    // The board items of the item list, in its order.
    enum BoardItem {
        kItemFrame,
        kItemBoard,
        kItemPoints1,
        kItemPoints2,
        kItemCheckers1,
        kItemCheckers2,
        kItemDice1,
        kItemDice2,
        kItemPockets,
        kItemLabelFont,
        kItemBackground // three-dimensional style only
    };

    CBgBoardPreferences(bool printing, CBgColorScheme* scheme, QWidget* parent = nullptr);
    ~CBgBoardPreferences() override;

    // The scheme set the page edits: 10 when printing, else the style (0 or 2).
    int GetSchemeSet() const { return m_printing ? CBgColorScheme::kSetPrint : m_style; }
    bool IsPrinting() const { return m_printing; }
    int GetStyle() const { return m_style; }
    QString GetCurrentName() const { return m_currentName; }
    bool IsEdited() const { return m_edited; }
    const CBgColorScheme& GetWorkingScheme() const { return *m_scheme; }
    CBackgammonBoardCtl* GetPreview() const { return m_preview; }
    QWidget* GetItemPane() const { return m_pane; }
    int GetItemIndex() const { return m_itemIndex; }
    QComboBox* SchemeList() const { return m_schemes; }

    // The page's answer to the three-dimensional question (Check3DCapability unless a test sets one).
    static void SetCapabilityCheck(std::function<int()> check);

    bool OnInitDialog() override;
    void DoDataExchange(platform::DataExchange& dx) override;
    bool OnApply() override;

    // CBgSchemeEditor. true: the scheme was edited by hand, so it is no longer the named one: the
    // list shows "(Current)".
    void SetModified(bool modified) override;
    // Shows the working scheme on the preview and repaints the page.
    void OnSchemeChanged() override;

    void FillSchemeList();
    void SelectScheme(const QString& name);
    void FillItemList();
    void SelectItem(int index);
    void ShowItemPane();
    // The user chose the other style radio button.
    void OnStyleChanged();
    void OnAccelerationClicked();
    // Asks for a name and stores the working scheme under it.
    void SaveSchemeAs();
    void DeleteScheme();
    // "nItems" and the names of the list, in its order, into the set's directory.
    void WriteDirectory();
    // The entry of a name (exactly, without regard to case) after the first entry, else the first
    // entry when it matches; -1 when none does.
    int FindScheme(const QString& name) const;

private:
    class Busy;
    void UpdateDeleteButton();

    CBgColorScheme* m_scheme;
    bool m_printing;
    int m_itemIndex = 0;
    int m_styleChoice = 0; // 0 "&2D", 1 "&3D"
    bool m_acceleration = true;
    int m_style = 0;
    int m_shownItem = -1;
    bool m_edited = false;
    QString m_currentName;
    int m_busy = 0;
    int m_filledSet = -1;
    bool m_repaintPosted = false;
    QComboBox* m_schemes;
    QComboBox* m_items;
    QWidget* m_paneArea;
    CBackgammonBoardCtl* m_preview;
    QPointer<QWidget> m_pane;
};
