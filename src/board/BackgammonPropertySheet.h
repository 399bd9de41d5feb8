#pragma once

#include "board/BgBoardPreferences.h"
#include "board/BgPlayOptions.h"
#include "board/BgSaveOptions.h"
#include "platform/PropertySheet.h"
#include "prefs/BgColorScheme.h"

#include <functional>
#include <memory>

// "Backgammon Settings": the screen board's and the printed board's appearance, the match log's
// print options, the play options and automatic saving. The sheet owns the two working schemes the
// appearance pages edit. The print options page belongs to the match log printing, a layer above:
// the application registers a maker for it at start-up; without one the sheet has four pages.
class CBackgammonPropertySheet : public platform::PropertySheet {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CBackgammonPropertySheet, platform::PropertySheet)
public:
    // The first page shown by name; the index each has depends on whether the print options page is
    // there (PageIndex gives it).
    enum Page { kDisplayPage, kPrintingPage, kPrintOptionsPage, kPlayOptionsPage, kSaveOptionsPage };

    using PageFactory = std::function<std::unique_ptr<platform::PropertyPage>()>;
    // Sets (or, empty, clears) the maker of the print options page -> the one it replaces.
    static PageFactory SetPrintOptionsPageFactory(PageFactory factory);

    CBackgammonPropertySheet(QWidget* parent = nullptr, Page firstPage = kDisplayPage);
    ~CBackgammonPropertySheet() override;

    // The tab index of a page, -1 when the sheet does not have it.
    int PageIndex(Page page) const;

    CBgBoardPreferences& DisplayPage() { return *m_display; }
    CBgBoardPreferences& PrintingPage() { return *m_printing; }
    platform::PropertyPage* PrintOptionsPage() { return m_printOptions.get(); }
    CBgPlayOptions& PlayOptionsPage() { return *m_play; }
    CBgSaveOptions& SaveOptionsPage() { return *m_save; }
    const CBgColorScheme& ScreenScheme() const { return m_screenScheme; }
    const CBgColorScheme& PrintScheme() const { return m_printScheme; }

private:
    // Declared before the pages: the pages hold pointers to them and go first.
    CBgColorScheme m_screenScheme;
    CBgColorScheme m_printScheme;
    std::unique_ptr<CBgBoardPreferences> m_display;
    std::unique_ptr<CBgBoardPreferences> m_printing;
    std::unique_ptr<platform::PropertyPage> m_printOptions;
    std::unique_ptr<CBgPlayOptions> m_play;
    std::unique_ptr<CBgSaveOptions> m_save;
};

// Runs the sheet modally over parent, starting at firstPage -> IDOK or IDCANCEL.
int ShowBackgammonSettings(QWidget* parent, CBackgammonPropertySheet::Page firstPage = CBackgammonPropertySheet::kDisplayPage);
