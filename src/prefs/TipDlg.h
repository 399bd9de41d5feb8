#pragma once

#include "prefs/TipsFile.h"
#include "support/dialogs/StickyDialog.h"

// The tip of the day. Tips come one after another from the tips file; the settings ("Tip") remember
// where the next one starts and when the file was last changed (a new file starts again at its
// first tip), and whether the dialog opens at start-up.
class CTipDlg : public CStickyDialog {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CTipDlg, CStickyDialog)
public:
    static constexpr int kTemplateId = 117;
    static constexpr int kIdHeader = 1000;
    static constexpr int kIdStartUp = 1001;
    static constexpr int kIdNextTip = 1002;
    static constexpr int kIdTip = 1004;

    static constexpr char kNoFile[] = "Tips file does not exist in the prescribed directory"; // 126
    static constexpr char kTrouble[] = "Trouble reading the tips file";                        // 136
    static constexpr char kDidYouKnow[] = "Did you know...";                                  // 121
    static constexpr char kNoTips[] = "The tips file holds no tips.";

    // tipsPath: the tips file; empty for the game's tips file among the program's data files.
    explicit CTipDlg(QWidget* parent = nullptr, const QString& tipsPath = QString());
    ~CTipDlg() override;

    // Whether the tips are to be shown when the program starts ("StartUp" not set).
    static bool ShowAtStartUp();
    // The tips file the dialog reads by default.
    static QString DefaultTipsPath();

    const QString& GetTip() const { return m_tip; }
    bool GetShowAtStartUp() const { return m_startUp; }

    bool OnInitDialog() override;
    void DoDataExchange(platform::DataExchange& dx) override;
    void OnOK() override;

    // The "Next Tip" button.
    void OnNextTip();

private:
    void readNextTip();

    bool m_startUp = true;
    QString m_tip;
    CTipsFile m_file;
    bool m_hasTips = false;
};
