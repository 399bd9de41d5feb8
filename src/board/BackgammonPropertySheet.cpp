#include "board/BackgammonPropertySheet.h"

namespace {

CBackgammonPropertySheet::PageFactory& printOptionsFactory() {
    static CBackgammonPropertySheet::PageFactory factory;
    return factory;
}

} // namespace

CBackgammonPropertySheet::PageFactory CBackgammonPropertySheet::SetPrintOptionsPageFactory(PageFactory factory) {
    return std::exchange(printOptionsFactory(), std::move(factory));
}

CBackgammonPropertySheet::CBackgammonPropertySheet(QWidget* parent, Page firstPage)
    : PropertySheet(tr("Backgammon Settings"), parent), m_screenScheme(-1), m_printScheme(-1) {
    m_printScheme.Load(CBgColorScheme::kSetPrint, QLatin1String(CBgColorScheme::kCurrent));
    m_display = std::make_unique<CBgBoardPreferences>(false, &m_screenScheme);
    m_printing = std::make_unique<CBgBoardPreferences>(true, &m_printScheme);
    if (const PageFactory factory = printOptionsFactory())
        m_printOptions = factory();
    m_play = std::make_unique<CBgPlayOptions>(&m_screenScheme);
    m_save = std::make_unique<CBgSaveOptions>();
    AddPage(m_display.get());
    AddPage(m_printing.get());
    if (m_printOptions)
        AddPage(m_printOptions.get());
    AddPage(m_play.get());
    AddPage(m_save.get());
    const int start = PageIndex(firstPage);
    SetStartPage(start < 0 ? 0 : start);
}

CBackgammonPropertySheet::~CBackgammonPropertySheet() = default;

int CBackgammonPropertySheet::PageIndex(Page page) const {
    switch (page) {
    case kDisplayPage: return GetPageIndex(m_display.get());
    case kPrintingPage: return GetPageIndex(m_printing.get());
    case kPrintOptionsPage: return m_printOptions ? GetPageIndex(m_printOptions.get()) : -1;
    case kPlayOptionsPage: return GetPageIndex(m_play.get());
    case kSaveOptionsPage: return GetPageIndex(m_save.get());
    }
    return -1;
}

int ShowBackgammonSettings(QWidget* parent, CBackgammonPropertySheet::Page firstPage) {
    CBackgammonPropertySheet sheet(parent, firstPage);
    return sheet.DoModal();
}
