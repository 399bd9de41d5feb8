#include "prefs/MatchBoardQueryDlg.h"

#include "prefs/BGMatchBoardProperties.h"
#include "prefs/MatchBoardQuery.h"
#include "support/controls/SpinButton.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>

namespace {

constexpr int kStatusBoxes[] = {CMatchBoardQueryDlg::kAwayId, CMatchBoardQueryDlg::kReadyId,
                                CMatchBoardQueryDlg::kWatchingId, CMatchBoardQueryDlg::kPlayingId};

// The float's shortest decimal form read as a double: a centre of 1650.3f shows as 1650.3, not
// with the tail of digits (1650.30004882813) that widening the float would give.
double toShortestDouble(float value) {
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    double result = 0;
    if (written.ec != std::errc() || std::from_chars(buffer, written.ptr, result).ec != std::errc())
        return double(value);
    return result;
}

// An edit with its arrows right beside it.
QLayout* withArrows(QLineEdit* edit, CSpinButton* arrows) {
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(edit);
    row->addWidget(arrows);
    row->addStretch(1);
    return row;
}

} // namespace

CMatchBoardQueryDlg::CMatchBoardQueryDlg(CBGMatchBoardProperties* sheet, QWidget* parent)
    : platform::PropertyPage(tr("Filter"), parent), m_sheet(sheet), m_maxSize(CMatchBoardQuery::MaxSize()) {
    auto* statusGroup = new QGroupBox(tr("Status"), this);
    auto* statusLayout = new QVBoxLayout(statusGroup);
    const std::pair<int, QString> boxes[] = {
        {kAnyStatusId, tr("Show players of &any status")},
        {kAwayId, tr("Show players who are awa&y")},
        {kReadyId, tr("Show players who are &ready to play")},
        {kWatchingId, tr("Show players who are &watching")},
        {kPlayingId, tr("Show players who are &playing")},
    };
    for (const auto& [id, text] : boxes) {
        auto* box = new QCheckBox(text, statusGroup);
        SetItemId(box, id);
        statusLayout->addWidget(box);
        if (id == kAnyStatusId) {
            connect(box, &QCheckBox::clicked, this, [this] { onAnyStatus(); });
        } else {
            box->setTristate(true); // shows "any status" as the indeterminate state
            connect(box, &QCheckBox::clicked, this, [this, id = id] { onStatusBox(id); });
        }
    }

    auto* ratingGroup = new QGroupBox(tr("Rating"), this);
    auto* ratingLayout = new QGridLayout(ratingGroup);
    auto* myRating = new QRadioButton(tr("Show players closest to &my rating"), ratingGroup);
    auto* centreRating = new QRadioButton(tr("Show players &closest to:"), ratingGroup);
    auto* centreEdit = new QLineEdit(ratingGroup);
    auto* centreSpin = new CSpinButton(ratingGroup);
    SetItemId(myRating, kMyRatingId);
    SetItemId(centreRating, kCentreRatingId);
    SetItemId(centreEdit, kCentreEditId);
    SetItemId(centreSpin, kCentreSpinId);
    centreSpin->SetBuddy(centreEdit);
    ratingLayout->addWidget(myRating, 0, 0, 1, 2);
    ratingLayout->addWidget(centreRating, 1, 0);
    ratingLayout->addLayout(withArrows(centreEdit, centreSpin), 1, 1);
    for (QRadioButton* radio : {myRating, centreRating})
        connect(radio, &QRadioButton::clicked, this, [this] { onRatingChoice(); });

    auto* sizeLayout = new QGridLayout;
    auto* sizeLabel = new QLabel(tr("&Number of players to show:"), this);
    auto* sizeEdit = new QLineEdit(this);
    auto* sizeSpin = new CSpinButton(this);
    SetItemId(sizeEdit, kSizeEditId);
    SetItemId(sizeSpin, kSizeSpinId);
    sizeLabel->setBuddy(sizeEdit);
    sizeSpin->SetBuddy(sizeEdit);
    sizeLayout->addWidget(sizeLabel, 0, 0);
    sizeLayout->addLayout(withArrows(sizeEdit, sizeSpin), 0, 1);
    sizeLayout->setColumnStretch(2, 1);

    for (QLineEdit* edit : {centreEdit, sizeEdit}) {
        edit->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
        connect(edit, &QLineEdit::textEdited, this, [this] { SetModified(); });
    }
    for (CSpinButton* spin : {centreSpin, sizeSpin})
        connect(spin, &CSpinButton::stepped, this, [this] { SetModified(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(statusGroup);
    layout->addWidget(ratingGroup);
    layout->addLayout(sizeLayout);
    layout->addStretch(1);
}

void CMatchBoardQueryDlg::SetProperties(const CMatchBoardQuery* query) {
    if (!query)
        return;
    size = query->size;
    centre = std::clamp(toShortestDouble(query->centre), kMinShownCentre, kMaxCentre);
    ratingChoice = query->origin == 1 ? 1 : 0;
    anyStatus = (query->statusMask & CMatchBoardQuery::kAny) && (query->actionMask & CMatchBoardQuery::kAny);
    away = query->statusMask & CMatchBoardQuery::kStatusAway;
    ready = query->statusMask & CMatchBoardQuery::kStatusReady;
    watching = query->actionMask & CMatchBoardQuery::kActionWatching;
    playing = query->actionMask & CMatchBoardQuery::kActionPlaying;
    if (IsInitialized()) {
        UpdateData(false);
        refreshStatusBoxes();
        enableCentre();
    }
}

void CMatchBoardQueryDlg::GetProperties(CMatchBoardQuery* query) const {
    if (!query)
        return;
    query->size = size;
    if (ratingChoice == 1) {
        query->origin = 1;
        query->centre = float(centre);
    } else {
        query->origin = 0;
    }
    query->statusMask = 0;
    query->actionMask = 0;
    if (anyStatus) {
        query->statusMask |= CMatchBoardQuery::kAny;
        query->actionMask |= CMatchBoardQuery::kAny;
    }
    // The boxes' own bits go in even with "any status", as they always have.
    if (playing)
        query->actionMask |= CMatchBoardQuery::kActionPlaying;
    if (watching)
        query->actionMask |= CMatchBoardQuery::kActionWatching;
    if (away)
        query->statusMask |= CMatchBoardQuery::kStatusAway;
    if (ready)
        query->statusMask |= CMatchBoardQuery::kStatusReady;
}

bool CMatchBoardQueryDlg::OnInitDialog() {
    if (auto* spin = ItemAs<CSpinButton>(kCentreSpinId))
        spin->SetRange(int(kMinCentre), int(kMaxCentre));
    if (auto* spin = ItemAs<CSpinButton>(kSizeSpinId))
        spin->SetRange(CMatchBoardQuery::kMinSize, m_maxSize);
    platform::PropertyPage::OnInitDialog();
    refreshStatusBoxes();
    enableCentre();
    return true;
}

void CMatchBoardQueryDlg::DoDataExchange(platform::DataExchange& dx) {
    dx.Check(kAnyStatusId, anyStatus);
    dx.Radio({kMyRatingId, kCentreRatingId}, ratingChoice);
    // With the user's own rating chosen the centre is not used (and its edit is disabled): a half-typed
    // centre there must not keep the page from being confirmed.
    if (!dx.saving() || ratingChoice == 1) {
        dx.Text(kCentreEditId, centre);
        dx.MinMaxDouble(kCentreEditId, centre, kMinCentre, kMaxCentre);
    }
    dx.Text(kSizeEditId, size);
    dx.MinMaxInt(kSizeEditId, size, CMatchBoardQuery::kMinSize, m_maxSize);
}

bool CMatchBoardQueryDlg::OnApply() {
    if (m_sheet)
        m_sheet->ApplySettings();
    return platform::PropertyPage::OnApply();
}

bool* CMatchBoardQueryDlg::statusFlag(int id) {
    switch (id) {
    case kAwayId: return &away;
    case kReadyId: return &ready;
    case kWatchingId: return &watching;
    case kPlayingId: return &playing;
    default: return nullptr;
    }
}

void CMatchBoardQueryDlg::refreshStatusBoxes() {
    for (int id : kStatusBoxes) {
        if (auto* box = ItemAs<QCheckBox>(id))
            box->setCheckState(anyStatus ? Qt::PartiallyChecked : *statusFlag(id) ? Qt::Checked : Qt::Unchecked);
    }
}

void CMatchBoardQueryDlg::onStatusBox(int id) {
    if (!anyStatus) {
        bool* flag = statusFlag(id);
        *flag = !*flag;
        SetModified();
    }
    refreshStatusBoxes(); // the box shows its flag, whatever the click made of it
}

void CMatchBoardQueryDlg::onAnyStatus() {
    anyStatus = IsItemChecked(kAnyStatusId);
    refreshStatusBoxes();
    SetModified();
}

void CMatchBoardQueryDlg::onRatingChoice() {
    ratingChoice = IsItemChecked(kCentreRatingId) ? 1 : 0;
    enableCentre();
    SetModified();
}

void CMatchBoardQueryDlg::enableCentre() {
    EnableItem(kCentreEditId, ratingChoice == 1);
    EnableItem(kCentreSpinId, ratingChoice == 1);
}
