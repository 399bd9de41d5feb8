#include "board/BgSchemePanes.h"

#include "platform/Paths.h"
#include "prefs/KWColorDlg.h"
#include "support/controls/ColorButton.h"
#include "support/controls/ColorLB.h"
#include "support/controls/FamilyComboBox.h"
#include "support/controls/FontComboBox.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

namespace {

struct TextureRow {
    const char* name;
    const char* file;
    int kind;
};

const TextureRow kBoardRows[] = {
    {"<none>", "", 1},
    {"Alligator Skin", "BumpySkin256.bmp", 2},
    {"Birdseye Maple", "birdseye.bmp", 0},
    {"Concrete", "Concrete256.bmp", 2},
    {"Copper", "Copper256.bmp", 2},
    {"Fumed Oak", "FumedOak.bmp", 0},
    {"Leather", "leather256.bmp", 2},
    {"Leather 2", "Leather2256.bmp", 2},
    {"Linen", "Linen256.bmp", 2},
    {"Mahogany", "mahog.bmp", 0},
    {"Marble", "marble.bmp", 2},
    {"Wood", "Wood3.bmp", 2},
};

const TextureRow kCheckerRows[] = {
    {"<none>", "", 1},
    {"Felsoid #1", "FELSOM1.BMP", 2},
    {"Felsoid #2", "FELSOM2.BMP", 2},
    {"Felsoid #3", "FELSOM3.BMP", 2},
    {"Wood", "MAHOG.BMP", 2},
    {"Concrete", "Concrete256.bmp", 2},
};

const TextureRow kDiceRows[] = {
    {"<none>", "", 2},
};

QLabel* labelFor(QWidget* parent, const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

std::vector<CBgTextureChoice> BgTextureChoices(int listId) {
    const TextureRow* rows = kBoardRows;
    size_t count = std::size(kBoardRows);
    if (listId == kCheckerTextures) {
        rows = kCheckerRows;
        count = std::size(kCheckerRows);
    } else if (listId == kDiceTextures) {
        rows = kDiceRows;
        count = std::size(kDiceRows);
    }
    std::vector<CBgTextureChoice> choices;
    for (size_t i = 0; i < count; ++i) {
        const QString file = QString::fromLatin1(rows[i].file);
        // A texture the installation lacks would be drawn as a plain colour: not offered.
        if (!file.isEmpty() && platform::FindResourceFile(QStringLiteral("textures/") + file).isEmpty())
            continue;
        choices.push_back({QString::fromLatin1(rows[i].name), file, rows[i].kind});
    }
    return choices;
}

// ---- CBgSchemePane -------------------------------------------------------------------------------

CBgSchemePane::CBgSchemePane(CBgSchemeEditor* owner, QWidget* parent) : Dialog(parent), m_owner(owner) {
    if (parent)
        EmbedIn(parent);
}

void CBgSchemePane::Edited() {
    if (m_owner)
        m_owner->SetModified(true);
}

void CBgSchemePane::ShowScheme() {
    if (m_owner)
        m_owner->OnSchemeChanged();
}

void CBgSchemePane::OnOK() {
    for (QWidget* owner = parentWidget(); owner; owner = owner->parentWidget())
        if (auto* dialog = qobject_cast<QDialog*>(owner))
            return dialog->accept();
}

void CBgSchemePane::OnCancel() {
    for (QWidget* owner = parentWidget(); owner; owner = owner->parentWidget())
        if (auto* dialog = qobject_cast<QDialog*>(owner))
            return dialog->reject();
}

// ---- CTexturePane --------------------------------------------------------------------------------

CTexturePane::CTexturePane(CBgSchemeElement* element, int listId, CBgSchemeEditor* owner, QWidget* parent)
    : CBgSchemePane(owner, parent), m_element(element), m_choices(BgTextureChoices(listId)),
      m_texture(new QComboBox(this)), m_color1(new CColorButton(this)), m_color2(new CColorButton(this)),
      m_grid(new QGridLayout(this)) {
    auto* textureLabel = labelFor(this, tr("Te&xture:"), m_texture);
    auto* color1Label = labelFor(this, tr("Color &1:"), m_color1);
    auto* color2Label = labelFor(this, tr("Color &2:"), m_color2);
    SetItemId(m_texture, IDC_TEXTURE);
    SetItemId(textureLabel, IDC_TEXTURE_LABEL);
    SetItemId(m_color1, IDC_COLOR1);
    SetItemId(color1Label, IDC_COLOR1_LABEL);
    SetItemId(m_color2, IDC_COLOR2);
    SetItemId(color2Label, IDC_COLOR2_LABEL);
    m_color1->setMinimumWidth(72);
    m_color2->setMinimumWidth(72);
    m_grid->setContentsMargins(0, 0, 0, 0);
    m_grid->addWidget(textureLabel, 0, 0);
    m_grid->addWidget(m_texture, 0, 1);
    m_grid->addWidget(color1Label, 1, 0);
    m_grid->addWidget(m_color1, 1, 1, Qt::AlignLeft);
    m_grid->addWidget(color2Label, 2, 0);
    m_grid->addWidget(m_color2, 2, 1, Qt::AlignLeft);
    m_grid->setColumnStretch(1, 1);
    // Only a choice of the user edits the scheme (activated, not currentIndexChanged).
    connect(m_texture, &QComboBox::activated, this, [this] { ApplyTexture(); });
    connect(m_color1, &QPushButton::clicked, this, [this] { ChooseColor(1); });
    connect(m_color2, &QPushButton::clicked, this, [this] { ChooseColor(2); });
}

bool CTexturePane::OnInitDialog() {
    CBgSchemePane::OnInitDialog();
    const QString current = m_element->textured ? m_element->texture : QString();
    int selected = -1;
    for (size_t i = 0; i < m_choices.size(); ++i)
        if (selected < 0 && m_choices[i].file.compare(current, Qt::CaseInsensitive) == 0)
            selected = int(i);
    if (selected < 0) {
        // A texture this installation does not offer stays the element's own, under its file name.
        m_choices.push_back({current, current, m_element->tinted ? 2 : 0});
        selected = int(m_choices.size()) - 1;
    }
    for (const CBgTextureChoice& choice : m_choices)
        m_texture->addItem(choice.name);
    m_texture->setCurrentIndex(selected);
    const bool choosable = m_choices.size() >= 2;
    EnableItem(IDC_TEXTURE, choosable);
    EnableItem(IDC_TEXTURE_LABEL, choosable);
    m_color1->SetColor(m_element->color1);
    m_color2->SetColor(m_element->color2);
    ShowColorRows(SelectedKind());
    return true;
}

int CTexturePane::SelectedKind() const {
    const int index = m_texture->currentIndex();
    return index >= 0 && index < int(m_choices.size()) ? m_choices[size_t(index)].kind : 0;
}

void CTexturePane::ShowColorRows(int kind) {
    ShowItem(IDC_COLOR1_LABEL, kind >= 1);
    ShowItem(IDC_COLOR1, kind >= 1);
    ShowItem(IDC_COLOR2_LABEL, kind == 2);
    ShowItem(IDC_COLOR2, kind == 2);
}

void CTexturePane::ApplyTexture() {
    const int index = std::max(m_texture->currentIndex(), 0);
    if (m_choices.empty())
        return;
    const CBgTextureChoice& choice = m_choices[size_t(index)];
    const bool textured = !choice.file.isEmpty();
    bool changed = false;
    if (choice.file.compare(m_element->texture, Qt::CaseInsensitive) != 0 ||
        qint32(textured) != m_element->textured) {
        m_element->texture = choice.file;
        m_element->textured = textured ? 1 : 0;
        changed = true;
    }
    const qint32 tinted = textured && choice.kind == 2 ? 1 : 0;
    if (tinted != m_element->tinted) {
        m_element->tinted = tinted;
        changed = true;
    }
    ShowColorRows(choice.kind);
    if (changed) {
        Edited();
        ShowScheme();
    }
}

void CTexturePane::ChooseColor(int which) {
    quint32& color = which == 1 ? m_element->color1 : m_element->color2;
    platform::COLORREF chosen = color;
    if (!CKWColorDlg::ChooseColor(chosen, this))
        return;
    (which == 1 ? m_color1 : m_color2)->SetColor(chosen);
    if (chosen == color)
        return;
    color = chosen;
    Edited();
    ShowScheme();
}

// ---- C2DTexturePane ------------------------------------------------------------------------------

C2DTexturePane::C2DTexturePane(CBgSchemeElement* element, int listId, bool checker, CBgSchemeEditor* owner,
                               QWidget* parent)
    : CTexturePane(element, listId, owner, parent), m_checker(checker), m_outline(new CColorLB(this)),
      m_highlight(new CColorLB(this)) {
    auto* outlineLabel = labelFor(this, tr("&Outline:"), m_outline);
    auto* highlightLabel = labelFor(this, tr("&Highlight:"), m_highlight);
    SetItemId(m_outline, IDC_OUTLINE);
    SetItemId(outlineLabel, IDC_OUTLINE_LABEL);
    SetItemId(m_highlight, IDC_HIGHLIGHT);
    SetItemId(highlightLabel, IDC_HIGHLIGHT_LABEL);
    Grid()->addWidget(outlineLabel, 3, 0);
    Grid()->addWidget(m_outline, 3, 1);
    Grid()->addWidget(highlightLabel, 4, 0);
    Grid()->addWidget(m_highlight, 4, 1);
    Grid()->setRowStretch(5, 1);
    connect(m_outline, &QComboBox::activated, this, [this] { ApplyLines(); });
    connect(m_highlight, &QComboBox::activated, this, [this] { ApplyLines(); });
}

bool C2DTexturePane::OnInitDialog() {
    CTexturePane::OnInitDialog();
    m_outline->AddStandardColors(true);
    m_highlight->AddStandardColors(true);
    m_outline->SelectColor(m_element->outline);
    m_highlight->SelectColor(m_element->highlight);
    ShowItem(IDC_HIGHLIGHT, m_checker);
    ShowItem(IDC_HIGHLIGHT_LABEL, m_checker);
    return true;
}

void C2DTexturePane::ApplyLines() {
    const quint32 outline = m_outline->GetSelectedColor();
    const quint32 highlight = m_checker ? m_highlight->GetSelectedColor() : m_element->highlight;
    if (outline == m_element->outline && highlight == m_element->highlight)
        return;
    m_element->outline = outline;
    m_element->highlight = highlight;
    Edited();
    ShowScheme();
}

// ---- CLineArtPane --------------------------------------------------------------------------------

CLineArtPane::CLineArtPane(int rows, CBgSchemeElement* element, CBgSchemeEditor* owner, int labelId,
                           QWidget* parent)
    : CBgSchemePane(owner, parent), m_rows(std::clamp(rows, 1, 3)), m_element(element),
      m_fill(new CColorButton(this)), m_outline(new CColorLB(this)), m_highlight(new CColorLB(this)) {
    auto* highlightLabel = labelFor(
        this, labelId == kSpotColorLabel ? tr("S&pot Color:") : tr("&Highlight:"), m_highlight);
    SetItemId(m_fill, IDC_FILL);
    SetItemId(m_outline, IDC_OUTLINE);
    SetItemId(m_highlight, IDC_HIGHLIGHT);
    SetItemId(highlightLabel, IDC_HIGHLIGHT_LABEL);
    m_fill->setMinimumWidth(72);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    QWidget* cells[] = {labelFor(this, tr("&Fill:"), m_fill), m_fill,
                        labelFor(this, tr("&Outline:"), m_outline), m_outline, highlightLabel, m_highlight};
    for (int i = 0; i < 6; ++i) {
        grid->addWidget(cells[i], i / 2, i % 2, i == 1 ? Qt::AlignLeft : Qt::Alignment());
        cells[i]->setVisible(i < m_rows * 2);
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);
    connect(m_fill, &QPushButton::clicked, this, [this] { ChooseFill(); });
    connect(m_outline, &QComboBox::activated, this, [this] { Apply(); });
    connect(m_highlight, &QComboBox::activated, this, [this] { Apply(); });
}

bool CLineArtPane::OnInitDialog() {
    CBgSchemePane::OnInitDialog();
    m_fill->SetColor(m_element->color1);
    m_outline->AddStandardColors(true);
    m_highlight->AddStandardColors(true);
    m_outline->SelectColor(m_element->outline);
    m_highlight->SelectColor(m_element->highlight);
    return true;
}

void CLineArtPane::ChooseFill() {
    platform::COLORREF color = m_fill->GetColor();
    if (!CKWColorDlg::ChooseColor(color, this))
        return;
    m_fill->SetColor(color);
    Apply();
}

void CLineArtPane::Apply() {
    const quint32 fill = m_fill->GetColor();
    const quint32 outline = m_outline->GetSelectedColor();
    const quint32 highlight = m_highlight->GetSelectedColor();
    if (fill == m_element->color1 && outline == m_element->outline && highlight == m_element->highlight)
        return;
    m_element->color1 = fill;
    m_element->outline = outline;
    m_element->highlight = highlight;
    Edited();
    ShowScheme();
}

// ---- CFontPane -----------------------------------------------------------------------------------

CFontPane::CFontPane(CBgColorScheme* scheme, CBgSchemeEditor* owner, QWidget* parent)
    : CBgSchemePane(owner, parent), m_scheme(scheme), m_face(new CKWFontComboBox(this)),
      m_style(new CKWFamilyComboBox(this)), m_color(new CColorLB(this)) {
    SetItemId(m_face, IDC_FONT);
    SetItemId(m_style, IDC_STYLE);
    SetItemId(m_color, IDC_COLOR);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(labelFor(this, tr("&Font:"), m_face), 0, 0);
    grid->addWidget(m_face, 0, 1);
    grid->addWidget(labelFor(this, tr("St&yle:"), m_style), 1, 0);
    grid->addWidget(m_style, 1, 1);
    grid->addWidget(labelFor(this, tr("&Color:"), m_color), 2, 0);
    grid->addWidget(m_color, 2, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);
    connect(m_face, &QComboBox::activated, this, [this] { Apply(); });
    connect(m_style, &QComboBox::activated, this, [this] { Apply(); });
    connect(m_color, &QComboBox::activated, this, [this] { Apply(); });
}

bool CFontPane::OnInitDialog() {
    CBgSchemePane::OnInitDialog();
    m_loading = true;
    m_face->FillFontList();
    // A face the desktop lacks ("MS Serif") stays the scheme's own: shown as an extra entry.
    if (!m_face->SelectFace(m_scheme->m_labelFace))
        m_face->setCurrentIndex(m_face->AddFace(m_scheme->m_labelFace));
    m_style->FillStyles(m_face->GetSelectedFace());
    m_style->SelectStyle(m_scheme->m_labelWeight, m_scheme->m_labelItalic != 0);
    m_color->AddStandardColors(true);
    m_color->SelectColor(m_scheme->m_labelColor);
    m_loading = false;
    return true;
}

void CFontPane::Apply() {
    if (m_loading)
        return;
    const QString face = m_face->GetSelectedFace();
    int weight = 400;
    bool italic = false;
    if (face != m_scheme->m_labelFace) {
        // Another face: its styles, keeping the chosen one where the face has it.
        m_style->GetSelectedStyle(weight, italic);
        m_loading = true;
        m_style->FillStyles(face);
        m_style->SelectStyle(weight, italic);
        m_loading = false;
    }
    m_style->GetSelectedStyle(weight, italic);
    const quint32 color = m_color->GetSelectedColor();
    // A face that only differs in case from the stored one is the same face.
    const QString keptFace = face.compare(m_scheme->m_labelFace, Qt::CaseInsensitive) == 0 ? m_scheme->m_labelFace : face;
    if (keptFace == m_scheme->m_labelFace && weight == m_scheme->m_labelWeight &&
        quint8(italic) == m_scheme->m_labelItalic && color == m_scheme->m_labelColor)
        return;
    m_scheme->m_labelFace = keptFace;
    m_scheme->m_labelWeight = weight;
    m_scheme->m_labelItalic = italic ? 1 : 0;
    m_scheme->m_labelColor = color;
    Edited();
    ShowScheme();
}
