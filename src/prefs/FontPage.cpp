#include "prefs/FontPage.h"

#include "platform/Color.h"
#include "support/PersistentFont.h"
#include "support/SettingsStore.h"
#include "support/WindowBroadcast.h"
#include "support/controls/FontComboBox.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

using platform::COLORREF;
using platform::kNoColor;
using platform::LogFont;

namespace {
const QString kFontValue = QStringLiteral("Font");
}

// One preview sample; the page paints it.
class CFontSample : public QWidget {
public:
    CFontSample(CFontPage* page, bool selected) : QWidget(page), m_page(page), m_selected(selected) {
        setMinimumSize(120, 48);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        m_page->PaintSample(painter, rect(), m_selected);
    }

private:
    CFontPage* m_page;
    bool m_selected;
};

CFontPage::CFontPage(int initialKind, QWidget* parent)
    : PropertyPage(tr("Font"), parent),
      m_selectedKind(initialKind >= 0 && initialKind < kFontWindowKindCount ? initialKind : 0) {
    const CSettingsStore& store = GetSettingsStore();
    for (int kind = 0; kind < kFontWindowKindCount; ++kind) {
        const FontWindowKindInfo info = GetFontWindowKind(kind);
        Entry& entry = m_entries[size_t(kind)];
        entry.section = info.section;
        entry.label = tr(info.label);
        entry.hasWatermarkOption = info.hasWatermarkOption;
        entry.hasHighlightColors = info.hasHighlightColors;
        entry.colors = CTextWindowColors::Load(entry.section);
        entry.logFont = DefaultPageFont();
        const QString text = store.GetString(entry.section, kFontValue);
        if (!text.isEmpty()) {
            ReadFontDescriptionLeniently(text, entry.logFont);
            if (entry.logFont.height == 0)
                entry.logFont.height = -13;
        }
        entry.face = entry.logFont.faceName;
    }

    m_kindList = new QListWidget(this);
    SetItemId(m_kindList, IDC_KIND_LIST);
    m_panePlace = new QWidget(this);
    SetItemId(m_panePlace, IDC_PANE_PLACE);
    m_unselectedSample = new CFontSample(this, false);
    m_selectedSample = new CFontSample(this, true);
    m_unselectedSample->setObjectName(QStringLiteral("UnselectedSample"));
    m_selectedSample->setObjectName(QStringLiteral("SelectedSample"));
    auto* defaultAll = new QPushButton(tr("Windows Default &All"), this);
    SetItemId(defaultAll, IDC_WINDOWS_DEFAULT_ALL);

    auto* samples = new QHBoxLayout;
    samples->addWidget(m_unselectedSample);
    samples->addWidget(m_selectedSample);
    auto* right = new QVBoxLayout;
    right->addWidget(m_panePlace);
    right->addLayout(samples, 1);
    right->addWidget(defaultAll, 0, Qt::AlignRight);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_kindList);
    layout->addLayout(right, 1);

    connect(m_kindList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            SelectKind(row);
    });
    connect(defaultAll, &QPushButton::clicked, this, [this] { SetWindowsDefaultAll(); });
    m_previewFont = FontFromLogFont(GetEntry(m_selectedKind).logFont);
}

CFontPage::~CFontPage() = default;

bool CFontPage::OnInitDialog() {
    PropertyPage::OnInitDialog();
    {
        const QSignalBlocker blocker(m_kindList);
        for (const Entry& entry : m_entries)
            m_kindList->addItem(entry.label);
        m_kindList->setCurrentRow(m_selectedKind);
    }
    // Wide enough for every label without a scroll bar.
    m_kindList->setFixedWidth(m_kindList->sizeHintForColumn(0) + 2 * m_kindList->frameWidth() + 8);
    m_pane = new CPrefPane(PaneValuesOf(GetEntry(m_selectedKind)), m_panePlace);
    auto* paneLayout = new QVBoxLayout(m_panePlace);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    paneLayout->addWidget(m_pane);
    m_pane->EnsureInitialized();
    m_panePlace->updateGeometry(); // the page's layout measured the place while it was empty
    m_pane->SetChangeHandler([this] { ReadPane(); });
    m_pane->SetWindowsDefaultHandler([this] { SetWindowsDefault(); });
    m_kindList->setFocus(Qt::OtherFocusReason);
    UpdatePreview();
    return false;
}

CPrefPane::Values CFontPage::PaneValuesOf(const Entry& entry) {
    CPrefPane::Values values;
    values.showWatermark = entry.colors.showWatermark;
    values.textColor = entry.colors.text;
    values.backgroundColor = entry.colors.background;
    values.highlightColor = entry.colors.selectedBackground;
    values.highlightTextColor = entry.colors.selectedText;
    values.height = entry.logFont.height;
    values.italic = entry.logFont.italic != 0;
    values.weight = entry.logFont.weight;
    values.face = entry.face;
    values.hasWatermarkOption = entry.hasWatermarkOption;
    values.hasHighlightColors = entry.hasHighlightColors;
    return values;
}

void CFontPage::SelectKind(int kind) {
    if (kind < 0 || kind >= kFontWindowKindCount)
        return;
    m_selectedKind = kind;
    if (m_kindList->currentRow() != kind) {
        const QSignalBlocker blocker(m_kindList);
        m_kindList->setCurrentRow(kind);
    }
    LoadPane();
    UpdatePreview();
}

void CFontPage::LoadPane() {
    if (m_pane)
        m_pane->SetValues(PaneValuesOf(GetEntry(m_selectedKind)));
}

void CFontPage::ReadPane() {
    if (!m_pane)
        return;
    Entry& entry = m_entries[size_t(m_selectedKind)];
    const CPrefPane::Values& values = m_pane->GetValues();
    entry.colors.text = values.textColor;
    entry.colors.selectedBackground = values.highlightColor;
    entry.colors.selectedText = values.highlightTextColor;
    entry.colors.background = values.backgroundColor;
    entry.colors.showWatermark = values.showWatermark;
    entry.face = values.face;
    LogFont font = m_pane->FontList()->GetItemFontInfo(-1);
    font.height = values.height;
    font.weight = values.weight;
    font.italic = values.italic ? 1 : 0;
    entry.logFont = font;
    UpdatePreview();
    SetModified(true);
}

void CFontPage::SetWindowsDefault() {
    if (!m_pane)
        return;
    Entry defaults = GetEntry(m_selectedKind);
    const bool showWatermark = defaults.colors.showWatermark;
    defaults.colors = CTextWindowColors::SystemDefaults();
    defaults.colors.showWatermark = showWatermark;
    defaults.logFont = DefaultPageFont();
    defaults.face = defaults.logFont.faceName;
    m_pane->SetValues(PaneValuesOf(defaults));
    ReadPane();
}

void CFontPage::SetWindowsDefaultAll() {
    const LogFont font = DefaultPageFont();
    for (Entry& entry : m_entries) {
        const bool showWatermark = entry.colors.showWatermark;
        entry.colors = CTextWindowColors::SystemDefaults();
        entry.colors.showWatermark = showWatermark;
        entry.logFont = font;
        entry.face = font.faceName;
    }
    LoadPane();
    UpdatePreview();
    SetModified(true);
}

void CFontPage::UpdatePreview() {
    const Entry& entry = GetEntry(m_selectedKind);
    LogFont font = m_pane ? m_pane->FontList()->GetItemFontInfo(-1) : entry.logFont;
    font.height = entry.logFont.height;
    font.weight = entry.logFont.weight;
    font.italic = entry.logFont.italic;
    font.width = 0;
    font.outPrecision = platform::OUT_STRING_PRECIS;
    font.clipPrecision = platform::CLIP_STROKE_PRECIS;
    font.quality = platform::PROOF_QUALITY;
    m_previewFont = FontFromLogFont(font);
    m_unselectedSample->update();
    m_selectedSample->update();
}

CFontPage::SampleLook CFontPage::SampleLookFor(const Entry& entry, bool selected) {
    const CTextWindowColors& colors = entry.colors;
    if (!selected)
        return {colors.background, colors.text};
    return {colors.selectedBackground != kNoColor ? colors.selectedBackground : colors.background,
            colors.selectedText};
}

void CFontPage::PaintSample(QPainter& painter, const QRect& rect, bool selected) const {
    const SampleLook look = SampleLookFor(GetEntry(m_selectedKind), selected);
    if (look.fill != kNoColor)
        painter.fillRect(rect, platform::ToQColor(look.fill));
    if (look.text == kNoColor)
        return;
    const QString text = QString::fromLatin1(selected ? kSelectedSample : kUnselectedSample);
    const QFontMetrics metrics(m_previewFont);
    const int width = metrics.horizontalAdvance(text);
    const int x = width < rect.width() ? rect.left() + (rect.width() - width) / 2 : rect.left();
    const int y = rect.top() + (rect.height() - metrics.height()) / 2;
    painter.save();
    painter.setClipRect(rect);
    painter.setFont(m_previewFont);
    painter.setPen(platform::ToQColor(look.text));
    painter.drawText(QPoint(x, y + metrics.ascent()), text);
    painter.restore();
}

QString CFontPage::DescriptionOf(const Entry& entry) {
    LogFont font = entry.logFont;
    font.faceName = entry.face;
    font.outPrecision = platform::OUT_STRING_PRECIS;
    font.clipPrecision = platform::CLIP_STROKE_PRECIS;
    font.quality = platform::PROOF_QUALITY;
    font.pitchAndFamily = 0;
    return FormatFontDescription(font);
}

void CFontPage::OnOK() {
    CSettingsStore& store = GetSettingsStore();
    for (const Entry& entry : m_entries) {
        entry.colors.Save(entry.section);
        if (!entry.face.isEmpty())
            store.WriteString(entry.section, kFontValue, DescriptionOf(entry));
    }
    store.WriteString(QString::fromLatin1(kCommandLineViewSection), kFontValue, DescriptionOf(m_entries[0]));
    BroadcastToApplicationWindows(QString::fromLatin1(kFontPropertiesChanged));
}
