#pragma once

#include "platform/Dialog.h"
#include "platform/Win32Codes.h"

#include <QComboBox>
#include <functional>

class CColorButton;
class CKWFamilyComboBox;
class CKWFontComboBox;
class QCheckBox;

// The font sizes offered in points, with room to type another.
class CFontSizeComboBox : public QComboBox {
    Q_OBJECT
public:
    // A typed size is kept within this range; below 1 (or no number) counts as 10.
    static constexpr int kMinPoints = 1;
    static constexpr int kMaxPoints = 400;
    static constexpr int kDefaultPoints = 10;

    explicit CFontSizeComboBox(QWidget* parent = nullptr);

    // An item whose text and data are the number.
    void AddSize(int points);
    // 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36 and 48.
    void AddStandardSizes();
    // Shows the size of a height in logical units (either sign), selecting its item when there is
    // one. dpi 0: the screen's.
    void SelectHeight(int height, int dpi = 0);
    // The typed number, or the selected item's; kept within kMinPoints..kMaxPoints.
    int GetSize() const;
};

// The controls of one text window kind on the "Font" page: face, size, style, the four colours,
// "Windows Default" and the watermark box. Every change the user makes is stored in the pane's
// values and reported to the owner.
class CPrefPane : public platform::Dialog {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CPrefPane, platform::Dialog)
public:
    enum Ids {
        IDC_FONT = 1036,
        IDC_SIZE = 1218,
        IDC_STYLE = 1037,
        IDC_TEXT_COLOR = 1191,
        IDC_BACKGROUND_COLOR = 1039,
        IDC_HIGHLIGHT_COLOR = 1035,
        IDC_HIGHLIGHT_TEXT_COLOR = 1213,
        IDC_HIGHLIGHT_COLOR_LABEL = 1573,
        IDC_HIGHLIGHT_TEXT_COLOR_LABEL = 1574,
        IDC_WINDOWS_DEFAULT = 1318,
        IDC_SHOW_WATERMARK = 1334,
    };

    struct Values {
        bool showWatermark = true;
        platform::COLORREF textColor = 0;
        platform::COLORREF backgroundColor = 0;
        platform::COLORREF highlightColor = 0;
        platform::COLORREF highlightTextColor = 0;
        int height = 0; // logical units
        bool italic = false;
        int weight = 400;
        QString face;
        bool hasWatermarkOption = false;
        bool hasHighlightColors = true;

        bool operator==(const Values&) const = default;
    };

    explicit CPrefPane(const Values& values, QWidget* parent = nullptr);

    // Loads the controls from the values.
    void SetValues(const Values& values);
    const Values& GetValues() const { return m_values; }

    // Called after every change of the values by the user; onWindowsDefault when "Windows Default"
    // was pressed (the owner then loads the pane with the defaults).
    void SetChangeHandler(std::function<void()> onChanged) { m_onChanged = std::move(onChanged); }
    void SetWindowsDefaultHandler(std::function<void()> handler) { m_onWindowsDefault = std::move(handler); }

    CKWFontComboBox* FontList() const { return m_font; }
    CKWFamilyComboBox* StyleList() const { return m_style; }
    CFontSizeComboBox* SizeList() const { return m_size; }

    // Reads the controls into the values -> whether anything differed (and the owner was told).
    bool OnChange();

    bool OnInitDialog() override;
    // Enter and Escape belong to the sheet around the page.
    void OnOK() override;
    void OnCancel() override;

    // Whether the screen has at least 8 bits per pixel (the watermark needs it).
    static bool IsColorDisplay();

private:
    void LoadControls();
    QDialog* OwningDialog() const;
    void ChooseButtonColor(CColorButton* button);

    Values m_values;
    CKWFontComboBox* m_font;
    CFontSizeComboBox* m_size;
    CKWFamilyComboBox* m_style;
    CColorButton* m_text;
    CColorButton* m_background;
    CColorButton* m_highlight;
    CColorButton* m_highlightText;
    QCheckBox* m_watermark;
    std::function<void()> m_onChanged;
    std::function<void()> m_onWindowsDefault;
    bool m_loading = false;
};
