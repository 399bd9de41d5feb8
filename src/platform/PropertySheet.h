#pragma once

#include "platform/Dialog.h"

#include <QPointer>
#include <vector>

class QPushButton;
class QStackedWidget;
class QTabBar;

namespace platform {

constexpr int ID_APPLY_NOW = 0x3021;

class PropertySheet;

// One tab of a property sheet. Its controls may be built in the constructor or in OnInitDialog;
// either way OnInitDialog (which loads the controls) runs only when the page is first shown, and
// only pages that were shown during the run of the sheet take part in OK, Apply and Cancel.
class PropertyPage : public Dialog {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CPropertyPage, Dialog)
public:
    explicit PropertyPage(const QString& title = QString(), QWidget* parent = nullptr);

    QString Title() const { return m_title; }
    void SetTitle(const QString& title);
    PropertySheet* Sheet() const { return m_sheet; }

    // Marks the page changed (Apply becomes available) or unchanged (Apply goes grey when no
    // other page is changed).
    void SetModified(bool modified = true);
    bool IsModified() const { return m_modified; }

    // Called when the page becomes the active one; after the first time it reloads the controls
    // from the members (they were saved into them when the page was left).
    virtual void OnSetActive();
    // Called before the page is left, and before OK and Apply: saves the controls into the members.
    // false keeps the page (and cancels OK or Apply).
    virtual bool OnKillActive();
    // OK and Apply, on every page that was shown: runs OnOK, where a page saves its settings.
    // false makes that page the active one and stops the OK or Apply.
    virtual bool OnApply();
    // Cancel, on every page that was shown: runs OnCancel. Nothing is saved.
    virtual void OnReset();
    // Asked of the active page before Cancel; false keeps the sheet open.
    virtual bool OnQueryCancel() { return true; }

    // A page neither ends nor saves anything by itself: these do nothing unless a page overrides them.
    void OnOK() override {}
    void OnCancel() override {}

    // Enter and Escape in a page act on the sheet's buttons.
    void accept() override;
    void reject() override;

private:
    friend class PropertySheet;
    PropertySheet* m_sheet = nullptr;
    QString m_title;
    bool m_modified = false;
    bool m_firstSetActive = true;
};

// A dialog of tabbed pages with OK, Cancel and Apply. OK and Apply both save (OnApply on every page
// that was shown); Cancel saves nothing.
class PropertySheet : public Dialog {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CPropertySheet, Dialog)
public:
    explicit PropertySheet(const QString& caption, QWidget* parent = nullptr, int startPage = 0);
    ~PropertySheet() override;

    // Adds a tab; the sheet becomes the page's Qt parent. A page that is a member of a subclass
    // of the sheet is fine too.
    void AddPage(PropertyPage* page);
    int GetPageCount() const { return int(m_pages.size()); }
    PropertyPage* GetPage(int index) const;
    int GetPageIndex(const PropertyPage* page) const;

    // The page shown first (before the sheet runs).
    void SetStartPage(int index) { m_startPage = index; }
    PropertyPage* GetActivePage() const { return GetPage(m_active); }
    int GetActiveIndex() const { return m_active; }
    // Switches pages as a click on the tab would -> false when the current page refused to be left.
    bool SetActivePage(int index);
    bool SetActivePage(PropertyPage* page) { return SetActivePage(GetPageIndex(page)); }

    bool IsApplyEnabled() const;
    // What Apply does: every shown page saves; false when a page refused.
    bool Apply();

    // IDOK, IDCANCEL and ID_APPLY_NOW (a no-op while Apply is grey).
    int Press(int buttonId) override;

    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    friend class PropertyPage;
    void UpdateApplyButton();
    bool Activate(int index);
    void ShowTab(int index);

    QTabBar* m_tabs;
    QStackedWidget* m_stack;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QPushButton* m_apply;
    std::vector<QPointer<PropertyPage>> m_pages;
    int m_active = -1;
    int m_startPage = 0;
};

} // namespace platform
