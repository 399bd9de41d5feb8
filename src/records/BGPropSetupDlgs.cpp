#include "records/BGPropSetupDlgs.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int kMaxPropCube = 32;
} // namespace

int StepCubeValue(int delta, int value) {
    if (delta >= 0) {
        value /= 2;
        return value < 1 ? kMaxPropCube : value;
    }
    value *= 2;
    return value > kMaxPropCube || value < 1 ? 1 : value;
}

bool IsValidPropCubeValue(int value) {
    return value >= 1 && value <= kMaxPropCube && (value & (value - 1)) == 0;
}

void ValidateCubeValue(platform::DataExchange& dx, int id, int value) {
    if (dx.saving() && !dx.failed() && !IsValidPropCubeValue(value))
        dx.Fail(id, QStringLiteral("Cube value must be between 1 and 32 and be a power of 2."));
}

QWidget* MakeCubeSpin(platform::Dialog* dialog, int spinId, int editId, std::function<void()> changed) {
    auto* spin = new QWidget(dialog);
    auto* layout = new QVBoxLayout(spin);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const auto step = [dialog, editId, changed](int delta) {
        bool ok = false;
        const int value = dialog->GetItemText(editId).trimmed().toInt(&ok);
        dialog->SetItemText(editId, QString::number(StepCubeValue(delta, ok ? value : 1)));
        if (changed)
            changed();
    };
    for (const bool up : {true, false}) {
        auto* button = new QToolButton(spin);
        button->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
        button->setAutoRepeat(true);
        button->setFixedSize(18, 11);
        button->setObjectName(up ? QStringLiteral("up") : QStringLiteral("down"));
        QObject::connect(button, &QToolButton::clicked, dialog, [step, up] { step(up ? -1 : 1); });
        layout->addWidget(button);
    }
    dialog->SetItemId(spin, spinId);
    return spin;
}

// ---- Set Cube ------------------------------------------------------------------------------------

CBGPropSetCube::CBGPropSetCube(QWidget* parent) : platform::Dialog(parent) {
    setWindowTitle(QStringLiteral("Set Cube"));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("Cube Ownership:"), this);
    auto* radios = new QHBoxLayout(group);
    const std::pair<int, const char*> owners[] = {{kIdNone, "&None"}, {kIdWhite, "&White"}, {kIdBlack, "&Black"}};
    for (const auto& [id, text] : owners) {
        auto* radio = new QRadioButton(QString::fromLatin1(text), group);
        SetItemId(radio, id);
        connect(radio, &QRadioButton::toggled, this, [this] { UpdateValueEnabled(); });
        radios->addWidget(radio);
    }
    layout->addWidget(group);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Cube &Value:"), this);
    auto* edit = new QLineEdit(this);
    edit->setMaxLength(2);
    edit->setFixedWidth(48);
    label->setBuddy(edit);
    SetItemId(edit, kIdValue);
    row->addWidget(label);
    row->addWidget(edit);
    row->addWidget(MakeCubeSpin(this, kIdSpin, kIdValue));
    row->addStretch(1);
    layout->addLayout(row);
    layout->addWidget(CreateButtonBox());
}

bool CBGPropSetCube::OnInitDialog() {
    const bool result = platform::Dialog::OnInitDialog();
    UpdateValueEnabled();
    return result;
}

void CBGPropSetCube::UpdateValueEnabled() {
    const bool owned = !IsItemChecked(kIdNone);
    EnableItem(kIdValue, owned);
    EnableItem(kIdSpin, owned);
}

void CBGPropSetCube::DoDataExchange(platform::DataExchange& dx) {
    dx.Radio({kIdNone, kIdWhite, kIdBlack}, m_ownerIndex);
    // A centred cube has no value to type: whatever the edit holds, it stays 1.
    if (dx.saving() && m_ownerIndex <= 0)
        return;
    dx.Text(kIdValue, m_cubeValue);
    ValidateCubeValue(dx, kIdValue, m_cubeValue);
}

// ---- Set Turn ------------------------------------------------------------------------------------

CBGPropSetTurn::CBGPropSetTurn(QWidget* parent) : platform::Dialog(parent) {
    setWindowTitle(QStringLiteral("Set Turn"));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("Select Player On Turn:"), this);
    auto* radios = new QHBoxLayout(group);
    const std::pair<int, const char*> sides[] = {{kIdWhite, "&White"}, {kIdBlack, "&Black"}};
    for (const auto& [id, text] : sides) {
        auto* radio = new QRadioButton(QString::fromLatin1(text), group);
        SetItemId(radio, id);
        radios->addWidget(radio);
    }
    layout->addWidget(group);
    layout->addWidget(CreateButtonBox());
}

void CBGPropSetTurn::DoDataExchange(platform::DataExchange& dx) {
    dx.Radio({kIdWhite, kIdBlack}, m_index);
}
