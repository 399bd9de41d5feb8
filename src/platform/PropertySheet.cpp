#include "platform/PropertySheet.h"

#include "platform/Win32Codes.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

namespace platform {

// ---- PropertyPage ------------------------------------------------------------------------------

PropertyPage::PropertyPage(const QString& title, QWidget* parent) : Dialog(parent), m_title(title) {
    if (parent)
        EmbedIn(parent);
}

void PropertyPage::SetTitle(const QString& title) {
    m_title = title;
    if (m_sheet)
        m_sheet->m_tabs->setTabText(m_sheet->GetPageIndex(this), title);
}

void PropertyPage::SetModified(bool modified) {
    m_modified = modified;
    if (m_sheet)
        m_sheet->UpdateApplyButton();
}

void PropertyPage::OnSetActive() {
    if (!m_firstSetActive)
        UpdateData(false);
    m_firstSetActive = false;
}

bool PropertyPage::OnKillActive() { return UpdateData(true); }

bool PropertyPage::OnApply() {
    OnOK();
    return true;
}

void PropertyPage::OnReset() { OnCancel(); }

void PropertyPage::accept() {
    if (m_sheet)
        m_sheet->Press(IDOK);
}

void PropertyPage::reject() {
    if (m_sheet)
        m_sheet->Press(IDCANCEL);
}

// ---- PropertySheet -----------------------------------------------------------------------------

PropertySheet::PropertySheet(const QString& caption, QWidget* parent, int startPage)
    : Dialog(parent), m_startPage(startPage) {
    setWindowTitle(caption);
    m_tabs = new QTabBar(this);
    m_tabs->setDrawBase(false);
    m_stack = new QStackedWidget(this);
    m_stack->setFrameShape(QFrame::StyledPanel);
    m_ok = new QPushButton(tr("OK"), this);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_apply = new QPushButton(tr("&Apply"), this);
    SetItemId(m_ok, IDOK);
    SetItemId(m_cancel, IDCANCEL);
    SetItemId(m_apply, ID_APPLY_NOW);
    m_ok->setDefault(true);
    m_cancel->setAutoDefault(false);
    m_apply->setAutoDefault(false);
    m_apply->setEnabled(false);
    connect(m_apply, &QPushButton::clicked, this, [this] { Press(ID_APPLY_NOW); });
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int index) {
        if (index != m_active && !Activate(index))
            ShowTab(m_active); // the current page would not be left
    });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_apply);
    auto* pages = new QVBoxLayout;
    pages->setSpacing(0); // the tabs sit on the pages' frame
    pages->addWidget(m_tabs);
    pages->addWidget(m_stack, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(pages, 1);
    layout->addLayout(buttons);
}

PropertySheet::~PropertySheet() {
    // Pages that are members of a subclass are already gone; the others go with the stack.
    for (const auto& page : m_pages)
        if (page)
            page->m_sheet = nullptr;
}

void PropertySheet::AddPage(PropertyPage* page) {
    if (!page || page->m_sheet == this)
        return;
    page->m_sheet = this;
    page->EmbedIn(m_stack);
    m_stack->addWidget(page);
    m_pages.emplace_back(page);
    const QSignalBlocker blocker(m_tabs);
    m_tabs->addTab(page->Title());
    ShowTab(m_active);
}

PropertyPage* PropertySheet::GetPage(int index) const {
    return index >= 0 && index < GetPageCount() ? m_pages[size_t(index)].data() : nullptr;
}

int PropertySheet::GetPageIndex(const PropertyPage* page) const {
    for (int i = 0; i < GetPageCount(); ++i)
        if (page && m_pages[size_t(i)] == page)
            return i;
    return -1;
}

void PropertySheet::ShowTab(int index) {
    const QSignalBlocker blocker(m_tabs);
    m_tabs->setCurrentIndex(index);
}

bool PropertySheet::Activate(int index) {
    PropertyPage* next = GetPage(index);
    if (!next)
        return false;
    if (index == m_active)
        return true;
    if (PropertyPage* current = GetActivePage(); current && !current->OnKillActive())
        return false;
    next->EnsureInitialized();
    m_active = index;
    m_stack->setCurrentWidget(next);
    // Controls a page built while it was hidden did not tell the sheet about their size.
    next->updateGeometry();
    ShowTab(index);
    next->OnSetActive();
    return true;
}

bool PropertySheet::SetActivePage(int index) {
    if (!GetPage(index))
        return false;
    EnsureInitialized();
    return Activate(index);
}

bool PropertySheet::OnInitDialog() {
    Dialog::OnInitDialog();
    if (GetPageCount() > 0)
        Activate(GetPage(m_startPage) ? m_startPage : 0);
    return true;
}

bool PropertySheet::IsApplyEnabled() const { return m_apply->isEnabled(); }

void PropertySheet::UpdateApplyButton() {
    bool modified = false;
    for (const auto& page : m_pages)
        modified = modified || (page && page->IsModified());
    m_apply->setEnabled(modified);
}

bool PropertySheet::Apply() {
    if (PropertyPage* current = GetActivePage(); current && !current->OnKillActive())
        return false;
    for (int i = 0; i < GetPageCount(); ++i) {
        PropertyPage* page = GetPage(i);
        if (!page || !page->IsInitialized())
            continue; // never shown: nothing of it was loaded, so nothing is saved
        if (!page->OnApply()) {
            Activate(i);
            return false;
        }
    }
    for (const auto& page : m_pages)
        if (page)
            page->m_modified = false;
    UpdateApplyButton();
    return true;
}

void PropertySheet::OnOK() {
    if (Apply())
        EndDialog(IDOK);
}

void PropertySheet::OnCancel() {
    if (PropertyPage* current = GetActivePage(); current && !current->OnQueryCancel())
        return;
    for (const auto& page : m_pages)
        if (page && page->IsInitialized())
            page->OnReset();
    EndDialog(IDCANCEL);
}

int PropertySheet::Press(int buttonId) {
    if (buttonId == ID_APPLY_NOW) {
        if (IsApplyEnabled())
            Apply();
        return 0;
    }
    return Dialog::Press(buttonId);
}

} // namespace platform
