#pragma once

#include "platform/PropertySheet.h"

// "Move Log Printing", a page of the backgammon settings: how wide a printed board is and whether the
// match log prints in one or two columns (section "CBgMatchLogView"). The width is shown in the
// user's unit of length and may be typed in any of them ("2.5\"", "6 cm", "180 pt").
class CBgMatchLogPrintOptsPage : public platform::PropertyPage {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CBgMatchLogPrintOptsPage, platform::PropertyPage)
public:
    static constexpr int kDialogId = 106;
    enum ControlId { kOneColumnId = 1214, kTwoColumnsId = 1215, kWidthId = 1217 };
    // The widths a board may be printed at, twips (a tenth of an inch to ten inches).
    static constexpr int kMinWidth = 144;
    static constexpr int kMaxWidth = 14400;

    explicit CBgMatchLogPrintOptsPage(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void DoDataExchange(platform::DataExchange& dx) override;
    // Reads the controls (a bad width keeps the page open) and writes both values.
    bool OnApply() override;
    void OnOK() override;

    int GetImageWidth() const { return m_imageWidth; }
    int GetColumns() const { return m_columns; }

private:
    int m_imageWidth = 3600; // twips
    int m_columns = 1;
    QString m_shownWidth; // the width's text as the page last showed it
};
