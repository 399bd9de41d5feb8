#include "records/BgMatchLogPrintOptsPage.h"

#include "records/MatchLogPrint.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>


CBgMatchLogPrintOptsPage::CBgMatchLogPrintOptsPage(QWidget* parent)
    : platform::PropertyPage(QStringLiteral("Move Log Printing"), parent) {
    SetCurrentMeasureUnit(LocaleMeasureUnit());

    auto* width = new QLineEdit(this);
    SetItemId(width, kWidthId);
    width->setMaxLength(64);
    connect(width, &QLineEdit::textEdited, this, [this] { SetModified(); });
    auto* widthLabel = new QLabel(QStringLiteral("Printed board &width:"), this);
    widthLabel->setBuddy(width);
    auto* form = new QFormLayout;
    form->addRow(widthLabel, width);

    auto* columns = new QGroupBox(QStringLiteral("Columns"), this);
    auto* one = new QRadioButton(QStringLiteral("&One column"), columns);
    auto* two = new QRadioButton(QStringLiteral("&Two columns"), columns);
    SetItemId(one, kOneColumnId);
    SetItemId(two, kTwoColumnsId);
    for (const auto& [button, count] : {std::pair{one, 1}, std::pair{two, 2}})
        connect(button, &QRadioButton::clicked, this, [this, count = count] {
            m_columns = count;
            SetModified();
        });
    auto* columnLayout = new QVBoxLayout(columns);
    columnLayout->addWidget(one);
    columnLayout->addWidget(two);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(columns);
    layout->addStretch(1);
}

bool CBgMatchLogPrintOptsPage::OnInitDialog() {
    const CMatchLogPrintSettings settings = CMatchLogPrintSettings::Load();
    m_imageWidth = settings.imageWidth;
    m_columns = settings.columns == 2 ? 2 : 1;
    platform::PropertyPage::OnInitDialog();
    SetModified(false);
    return true;
}

void CBgMatchLogPrintOptsPage::DoDataExchange(platform::DataExchange& dx) {
    int columnIndex = m_columns == 2 ? 1 : 0;
    dx.Radio({kOneColumnId, kTwoColumnsId}, columnIndex);
    m_columns = columnIndex == 1 ? 2 : 1;
    if (!dx.saving()) {
        SetItemText(kWidthId, FormatMeasurement(m_imageWidth));
        return;
    }
    const QString text = GetItemText(kWidthId).left(64).trimmed();
    int twips = 0;
    if (!ParseMeasurement(text, twips)) {
        dx.Fail(kWidthId, QStringLiteral("Invalid unit of measurement"));
        return;
    }
    // Shown rounded, kept as shown.
    ParseMeasurement(FormatMeasurement(twips), twips);
    if (twips < kMinWidth || twips > kMaxWidth) {
        dx.Fail(kWidthId, QStringLiteral("The measurement must be between %1 and %2.")
                              .arg(FormatMeasurement(kMinWidth), FormatMeasurement(kMaxWidth)));
        return;
    }
    m_imageWidth = twips;
}

bool CBgMatchLogPrintOptsPage::OnApply() {
    if (!UpdateData(true))
        return false;
    return platform::PropertyPage::OnApply();
}

void CBgMatchLogPrintOptsPage::OnOK() {
    CMatchLogPrintSettings settings = CMatchLogPrintSettings::Load();
    settings.imageWidth = m_imageWidth;
    settings.columns = m_columns;
    settings.Save();
}
