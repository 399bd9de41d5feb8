#pragma once

#include "platform/Object.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QList>
#include <QString>

namespace platform {

class Dialog;

// Moves values between a dialog's controls and its members, one call per control, in the order
// of DoDataExchange: loading puts members into controls, saving reads controls into members and
// validates them. The first failed check tells the user (through the Ui seam), puts the focus on the
// control and makes every later call of the same exchange do nothing. Calls on a missing id do nothing.
class DataExchange {
public:
    DataExchange(Dialog& dialog, bool saving) : m_dialog(dialog), m_saving(saving) {}

    bool saving() const { return m_saving; }
    bool failed() const { return m_failed; }
    Dialog& dialog() const { return m_dialog; }

    // Edits, labels, buttons, group boxes, combo boxes (edit text, or the matching item of a list).
    void Text(int id, QString& value);
    // A whole decimal number; saving a text that is not one fails with a message.
    void Text(int id, int& value);
    // A decimal number with a point, whatever the user's locale; shown with up to 15 significant
    // digits. Saving a text that is not a finite number fails with a message.
    void Text(int id, double& value);
    void Check(int id, bool& value);
    void Check(int id, int& value); // 0 clear, 1 checked, 2 indeterminate
    // A group of radio buttons given by their ids in order of value; -1 when none is chosen.
    void Radio(const QList<int>& ids, int& index);
    // The selected item of a combo or list box, -1 for none.
    void ComboIndex(int id, int& index);
    // The position of a slider or scroll bar; loading a value outside its range shows the nearest end.
    void Slider(int id, int& value);

    // Checks, run after the exchange of the same value; only while saving. MaxChars also limits an
    // edit's length while loading.
    void MaxChars(int id, const QString& value, int maxChars);
    void MinMaxInt(int id, int value, int minimum, int maximum);
    void MinMaxDouble(int id, double value, double minimum, double maximum);

    // Tells the user why the value of that control is refused and stops the exchange.
    void Fail(int id, const QString& message);

private:
    bool skip() const { return m_failed; }

    Dialog& m_dialog;
    bool m_saving;
    bool m_failed = false;
};

// A dialog whose controls are known by their numeric ids. Built in code: each control is registered
// with SetItemId (its object name becomes the number), so code and tests find it with Item(id).
// Results are the Win32 codes (IDOK, IDCANCEL, ...). Runs modally through the Ui seam.
class Dialog : public QDialog, public Object {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CDialog, Object)
public:
    explicit Dialog(QWidget* parent = nullptr);
    ~Dialog() override;

    // Registers a control under its id. A button registered as IDOK or IDCANCEL runs OnOK or OnCancel.
    void SetItemId(QWidget* widget, int id);
    // The id of a registered control, 0 for none.
    static int ItemId(const QWidget* widget);
    // The control with that id: this dialog's own controls, at any depth, but not those of a dialog
    // embedded in it (a pane or a page has its own ids). Null when there is none.
    QWidget* Item(int id) const;
    template <class T> T* ItemAs(int id) const { return qobject_cast<T*>(Item(id)); }

    QString GetItemText(int id) const;
    // Sets the text of an edit, label, button, group box or combo; labels show it as plain text.
    void SetItemText(int id, const QString& text);
    void EnableItem(int id, bool enable = true);
    void ShowItem(int id, bool show = true);
    bool IsItemChecked(int id) const;
    void CheckItem(int id, bool checked = true);
    void FocusItem(int id);

    // Runs DoDataExchange: save = controls into members (false when a check failed).
    bool UpdateData(bool save = true);
    virtual void DoDataExchange(DataExchange& dx) { (void)dx; }

    // Runs once, before the dialog is first shown or run through the Ui seam: loads the controls.
    // The result says whether the focus goes to the first control (true) or was placed by the dialog.
    virtual bool OnInitDialog();
    bool IsInitialized() const { return m_initialized; }
    // Makes sure OnInitDialog has run.
    void EnsureInitialized();

    // OK saves the controls and ends with IDOK when they pass their checks; Cancel ends with IDCANCEL.
    virtual void OnOK();
    virtual void OnCancel();
    // Ends the dialog (modal or not) with that result code.
    void EndDialog(int code);
    bool HasEnded() const { return m_ended; }

    // Runs the dialog modally through platform::ui() -> its result code.
    int DoModal();

    // Acts as a click on that button would (IDOK, IDCANCEL; sheets add Apply) -> the result code
    // when the dialog ended, else 0. Tests and scripted dialog handlers use it.
    virtual int Press(int buttonId);

    // An OK/Cancel row (or other standard buttons), registered under IDOK, IDCANCEL, IDYES, IDNO.
    QDialogButtonBox* CreateButtonBox(QDialogButtonBox::StandardButtons buttons = QDialogButtonBox::Ok |
                                                                                 QDialogButtonBox::Cancel);

    // Puts this dialog inside another widget as a plain child (a pane in a page, a page in a sheet).
    void EmbedIn(QWidget* parent);

    // QDialog's accept and reject (Enter on the default button, Escape, the close box) go through
    // OnOK and OnCancel.
    void accept() override;
    void reject() override;
    void done(int code) override;
    // A window initializes before it (and so its children) becomes visible; an embedded dialog
    // when it is first really shown, or when EnsureInitialized is called.
    void setVisible(bool visible) override;

    // Makes a window at least as wide as its title needs in the title bar (never past its maximum, nor
    // past its screen). Done when it is shown; a dialog that places itself first does it before. A
    // dialog shown is also kept whole on its screen (platform::KeepOnScreen).
    void FitTitle();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_initialized = false;
    bool m_ended = false;
};

} // namespace platform
