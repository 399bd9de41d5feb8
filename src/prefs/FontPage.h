#pragma once

#include "platform/LogFont.h"
#include "platform/PropertySheet.h"
#include "prefs/PrefPane.h"
#include "prefs/FontWindowKinds.h"
#include "support/TextWindowStyle.h"

#include <QFont>
#include <array>

class QListWidget;
class CFontSample;

// The "Font" page of the General Properties sheet: a font and four colours for each kind of text
// window, edited on working copies that are written only by OK or Apply, with a preview of
// unselected and selected text.
class CFontPage : public platform::PropertyPage {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CFontPage, platform::PropertyPage)
public:
    static constexpr char kFontPropertiesChanged[] = "KELDERWICK_FONT_PROPERTIES_CHANGED";
    static constexpr char kUnselectedSample[] = " Unselected Text ";
    static constexpr char kSelectedSample[] = " Selected Text ";

    enum Ids {
        IDC_KIND_LIST = 1168,
        IDC_PANE_PLACE = 1167,
        IDC_WINDOWS_DEFAULT_ALL = 1320,
    };

    // One kind's working copy.
    struct Entry {
        QString section;
        QString label;
        QString face;
        CTextWindowColors colors;
        platform::LogFont logFont;
        bool hasWatermarkOption = false;
        bool hasHighlightColors = true;
    };

    // How a sample is drawn: the fill, and the text colour (kNoColor: no text).
    struct SampleLook {
        platform::COLORREF fill;
        platform::COLORREF text;
    };

    // Reads the nine kinds; the list starts on initialKind (out of range: the first).
    explicit CFontPage(int initialKind = 0, QWidget* parent = nullptr);
    ~CFontPage() override;

    const Entry& GetEntry(int kind) const { return m_entries[size_t(qBound(0, kind, kFontWindowKindCount - 1))]; }
    int GetSelectedKind() const { return m_selectedKind; }
    // Makes a kind the one the pane edits, as a click in the list does.
    void SelectKind(int kind);
    CPrefPane* Pane() const { return m_pane; }
    const QFont& PreviewFont() const { return m_previewFont; }

    // The pane's values into the selected entry; the preview follows and the page is marked changed.
    void ReadPane();
    // The desktop's default font and the four system colours for the selected kind ("Windows
    // Default" of the pane), or for every kind ("Windows Default All"); watermark switches are kept.
    void SetWindowsDefault();
    void SetWindowsDefaultAll();

    // The page's own description text of an entry's font: height, weight, italic and charset,
    // then the fixed 1 2 2 0, then the face.
    static QString DescriptionOf(const Entry& entry);
    // The first (unselected) or second (selected) sample of an entry.
    static SampleLook SampleLookFor(const Entry& entry, bool selected);

    bool OnInitDialog() override;
    // OK and Apply: every kind's colours, watermark and font, the chat font again for the command
    // line, then the broadcast.
    void OnOK() override;

private:
    friend class CFontSample;
    static CPrefPane::Values PaneValuesOf(const Entry& entry);
    void LoadPane();
    void UpdatePreview();
    void PaintSample(QPainter& painter, const QRect& rect, bool selected) const;

    QListWidget* m_kindList;
    QWidget* m_panePlace;
    CFontSample* m_unselectedSample;
    CFontSample* m_selectedSample;
    CPrefPane* m_pane = nullptr;
    std::array<Entry, kFontWindowKindCount> m_entries;
    QFont m_previewFont;
    int m_selectedKind;
};
