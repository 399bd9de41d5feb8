#include "prefs/PrefPane.h"

#include "platform/LogFont.h"
#include "prefs/KWColorDlg.h"
#include "support/controls/ColorButton.h"
#include "support/controls/FamilyComboBox.h"
#include "support/controls/FontComboBox.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>

// ---- CFontSizeComboBox -------------------------------------------------------------------------

CFontSizeComboBox::CFontSizeComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    lineEdit()->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,4}")), this));
}

void CFontSizeComboBox::AddSize(int points) { addItem(QString::number(points), points); }

void CFontSizeComboBox::AddStandardSizes() {
    for (int points : {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48})
        AddSize(points);
}

void CFontSizeComboBox::SelectHeight(int height, int dpi) {
    const QString text = QString::number(platform::HeightToPointSize(height, dpi));
    const int index = findText(text);
    setCurrentIndex(index);
    if (index < 0)
        setEditText(text);
}

int CFontSizeComboBox::GetSize() const {
    bool ok = false;
    const int typed = currentText().trimmed().toInt(&ok);
    if (!ok || typed < kMinPoints)
        return kDefaultPoints;
    return qMin(typed, kMaxPoints);
}

// ---- CPrefPane ---------------------------------------------------------------------------------

CPrefPane::CPrefPane(const Values& values, QWidget* parent) : Dialog(parent), m_values(values) {
    if (parent)
        EmbedIn(parent);
    m_font = new CKWFontComboBox(this);
    m_size = new CFontSizeComboBox(this);
    m_style = new CKWFamilyComboBox(this);
    m_text = new CColorButton(this);
    m_background = new CColorButton(this);
    m_highlight = new CColorButton(this);
    m_highlightText = new CColorButton(this);
    auto* windowsDefault = new QPushButton(tr("&Windows Default"), this);
    m_watermark = new QCheckBox(tr("Show Watermark"), this);
    auto* highlightLabel = new QLabel(tr("&Highlight Color:"), this);
    auto* highlightTextLabel = new QLabel(tr("H&ighlight Text Color:"), this);

    SetItemId(m_font, IDC_FONT);
    SetItemId(m_size, IDC_SIZE);
    SetItemId(m_style, IDC_STYLE);
    SetItemId(m_text, IDC_TEXT_COLOR);
    SetItemId(m_background, IDC_BACKGROUND_COLOR);
    SetItemId(m_highlight, IDC_HIGHLIGHT_COLOR);
    SetItemId(m_highlightText, IDC_HIGHLIGHT_TEXT_COLOR);
    SetItemId(highlightLabel, IDC_HIGHLIGHT_COLOR_LABEL);
    SetItemId(highlightTextLabel, IDC_HIGHLIGHT_TEXT_COLOR_LABEL);
    SetItemId(windowsDefault, IDC_WINDOWS_DEFAULT);
    SetItemId(m_watermark, IDC_SHOW_WATERMARK);

    auto label = [this](const QString& text, QWidget* buddy) {
        auto* result = new QLabel(text, this);
        result->setBuddy(buddy);
        return result;
    };
    highlightLabel->setBuddy(m_highlight);
    highlightTextLabel->setBuddy(m_highlightText);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(label(tr("&Font:"), m_font), 0, 0);
    grid->addWidget(m_font, 0, 1, 1, 3);
    grid->addWidget(label(tr("Font &Size:"), m_size), 1, 0);
    grid->addWidget(m_size, 1, 1);
    grid->addWidget(label(tr("St&yle"), m_style), 1, 2);
    grid->addWidget(m_style, 1, 3);
    grid->addWidget(label(tr("&Text Color:"), m_text), 2, 0);
    grid->addWidget(m_text, 2, 1);
    grid->addWidget(label(tr("&Background Color:"), m_background), 2, 2);
    grid->addWidget(m_background, 2, 3);
    grid->addWidget(highlightLabel, 3, 0);
    grid->addWidget(m_highlight, 3, 1);
    grid->addWidget(highlightTextLabel, 3, 2);
    grid->addWidget(m_highlightText, 3, 3);
    grid->addWidget(windowsDefault, 4, 0, 1, 2, Qt::AlignLeft);
    grid->addWidget(m_watermark, 4, 2, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    connect(m_font, &QComboBox::currentTextChanged, this, [this] { OnChange(); });
    connect(m_size, &QComboBox::currentTextChanged, this, [this] { OnChange(); });
    connect(m_style, &QComboBox::currentIndexChanged, this, [this] { OnChange(); });
    connect(m_watermark, &QCheckBox::toggled, this, [this] { OnChange(); });
    for (CColorButton* button : {m_text, m_background, m_highlight, m_highlightText})
        connect(button, &QPushButton::clicked, this, [this, button] { ChooseButtonColor(button); });
    connect(windowsDefault, &QPushButton::clicked, this, [this] {
        if (m_onWindowsDefault)
            m_onWindowsDefault();
    });
}

bool CPrefPane::IsColorDisplay() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return !screen || screen->depth() >= 8;
}

bool CPrefPane::OnInitDialog() {
    Dialog::OnInitDialog();
    m_loading = true;
    m_font->FillFontList();
    m_size->AddStandardSizes();
    m_loading = false;
    LoadControls();
    return true;
}

void CPrefPane::SetValues(const Values& values) {
    m_values = values;
    if (IsInitialized())
        LoadControls();
}

void CPrefPane::LoadControls() {
    m_loading = true;
    m_text->SetColor(m_values.textColor);
    m_background->SetColor(m_values.backgroundColor);
    m_highlight->SetColor(m_values.highlightColor);
    m_highlightText->SetColor(m_values.highlightTextColor);
    m_size->SelectHeight(m_values.height);
    for (int id : {IDC_HIGHLIGHT_COLOR, IDC_HIGHLIGHT_TEXT_COLOR, IDC_HIGHLIGHT_COLOR_LABEL, IDC_HIGHLIGHT_TEXT_COLOR_LABEL})
        ShowItem(id, m_values.hasHighlightColors);
    m_watermark->setVisible(m_values.hasWatermarkOption);
    m_watermark->setEnabled(IsColorDisplay());
    m_watermark->setChecked(IsColorDisplay() && m_values.showWatermark);
    // A stored face the desktop lacks is shown as it is; picking the first family instead would
    // replace the user's font at the next change of anything in the pane.
    if (!m_values.face.isEmpty() && !m_font->SelectFace(m_values.face))
        m_font->setCurrentIndex(m_font->AddFace(m_values.face));
    m_style->FillStyles(m_font->GetSelectedFace());
    m_style->SelectStyle(m_values.weight, m_values.italic);
    m_loading = false;
}

bool CPrefPane::OnChange() {
    if (m_loading)
        return false;
    Values next = m_values;
    // The height follows the size box only when the size shown changed: a stored height between two
    // point sizes stays as it is when only a colour changes.
    const int points = m_size->GetSize();
    if (points != platform::HeightToPointSize(m_values.height))
        next.height = platform::PointSizeToHeight(points);
    next.textColor = m_text->GetColor();
    next.backgroundColor = m_background->GetColor();
    next.highlightColor = m_highlight->GetColor();
    next.highlightTextColor = m_highlightText->GetColor();
    next.face = m_font->GetSelectedFace();
    m_style->GetSelectedStyle(next.weight, next.italic);
    if (IsColorDisplay())
        next.showWatermark = m_watermark->isChecked();
    if (next == m_values)
        return false;
    m_values = next;
    if (m_onChanged)
        m_onChanged();
    m_loading = true;
    m_style->FillStyles(m_values.face);
    m_style->SelectStyle(m_values.weight, m_values.italic);
    m_loading = false;
    return true;
}

void CPrefPane::ChooseButtonColor(CColorButton* button) {
    platform::COLORREF color = button->GetColor();
    if (!CKWColorDlg::ChooseColor(color, this))
        return;
    button->SetColor(color);
    OnChange();
}

// The page (and through it the sheet) around the pane.
QDialog* CPrefPane::OwningDialog() const {
    for (QWidget* owner = parentWidget(); owner; owner = owner->parentWidget())
        if (auto* dialog = qobject_cast<QDialog*>(owner))
            return dialog;
    return nullptr;
}

void CPrefPane::OnOK() {
    if (QDialog* owner = OwningDialog())
        owner->accept();
}

void CPrefPane::OnCancel() {
    if (QDialog* owner = OwningDialog())
        owner->reject();
}
