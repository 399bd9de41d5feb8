#pragma once

#include "platform/Object.h"
#include "platform/Win32Codes.h"

#include <QColorDialog>

#include <array>

// The colour chooser, opened with its custom-colour part. The sixteen custom colours are shared by
// every colour dialog of the process and kept in the settings ("Colors"/"CustomColors", sixteen
// decimal COLORREFs separated by blanks); a dialog writes them back when they changed while it was
// open.
class CKWColorDlg : public QColorDialog, public platform::Object {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CKWColorDlg, platform::Object)
public:
    static constexpr int kCustomColors = 16;
    using CustomColors = std::array<platform::COLORREF, kCustomColors>;

    explicit CKWColorDlg(platform::COLORREF initial, QWidget* parent = nullptr);
    ~CKWColorDlg() override;

    // Runs the dialog modally (through the Ui seam) -> IDOK or IDCANCEL.
    int DoModal();
    // The colour chosen (the dialog's current colour).
    platform::COLORREF GetColor() const;

    // The whole errand of a colour button: opens the dialog on color and, when the user confirms,
    // puts the chosen colour into color -> whether it did.
    static bool ChooseColor(platform::COLORREF& color, QWidget* parent = nullptr);

    // The process-wide custom colours (loaded from the settings on first use).
    static CustomColors GetCustomColors();
    // Reads a "CustomColors" text: numbers in order; a missing or bad number, or one that is no
    // colour, leaves white in its place.
    static CustomColors ParseCustomColors(const QString& text);
    static QString FormatCustomColors(const CustomColors& colors);
    // Makes the next dialog load the custom colours from the settings again.
    static void ForgetCustomColors();
};
