#pragma once

#include "platform/PropertySheet.h"

class CBGMatchBoardProperties;
class CMatchBoardQuery;

// The "Filter" page of the lobby settings: which players the match board asks the server for, by
// status and activity, around which rating, and how many.
class CMatchBoardQueryDlg : public platform::PropertyPage {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CMatchBoardQueryDlg, platform::PropertyPage)
public:
    enum ControlId {
        kAnyStatusId = 1151,
        kAwayId = 1152,
        kReadyId = 1153,
        kWatchingId = 1154,
        kPlayingId = 1155,
        kMyRatingId = 1260,
        kCentreRatingId = 1261,
        kCentreEditId = 1116,
        kCentreSpinId = 1121,
        kSizeEditId = 1115,
        kSizeSpinId = 1114,
    };
    static constexpr double kMinCentre = 0.0;
    static constexpr double kMaxCentre = 3000.0;
    // The range a stored centre is brought into when the page takes it.
    static constexpr double kMinShownCentre = 1000.0;

    // sheet: the lobby settings whose record this page edits (null for a page on its own).
    explicit CMatchBoardQueryDlg(CBGMatchBoardProperties* sheet, QWidget* parent = nullptr);

    // The page's values into the record, and the record's into the page; a null record is ignored.
    void GetProperties(CMatchBoardQuery* query) const;
    void SetProperties(const CMatchBoardQuery* query);

    bool OnInitDialog() override;
    void DoDataExchange(platform::DataExchange& dx) override;
    bool OnApply() override;

    // The page's values.
    bool anyStatus = true;
    bool away = false;
    bool playing = false;
    bool ready = false;
    bool watching = false;
    int ratingChoice = 0; // 0 closest to the user's rating, 1 closest to the centre
    double centre = 1500.0;
    int size = 125;

private:
    bool* statusFlag(int id);
    void refreshStatusBoxes();
    void onStatusBox(int id);
    void onAnyStatus();
    void onRatingChoice();
    void enableCentre();

    CBGMatchBoardProperties* m_sheet;
    int m_maxSize;
};
