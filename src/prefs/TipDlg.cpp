#include "prefs/TipDlg.h"

#include "game/ClientGameFactory.h"
#include "platform/Paths.h"
#include "platform/Win32Codes.h"
#include "support/SettingsStore.h"
#include "support/dialogs/DeferredMessageBox.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kSection = QStringLiteral("Tip");
const QString kStartUp = QStringLiteral("StartUp");
const QString kFilePos = QStringLiteral("FilePos");
const QString kTimeStamp = QStringLiteral("TimeStamp");

// The white band over the tip: a light bulb and "Did you know...".
class TipHeader : public QWidget {
public:
    explicit TipHeader(QWidget* parent) : QWidget(parent) { setMinimumHeight(52); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(rect(), Qt::white);
        const QRect bulb(8, (height() - 40) / 2, 28, 40);
        paintBulb(painter, bulb);
        QFont font = this->font();
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 1.5);
        painter.setFont(font);
        painter.setPen(Qt::black);
        const QRect text(bulb.right() + 12, 0, width() - bulb.right() - 16, height());
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         QString::fromLatin1(CTipDlg::kDidYouKnow));
    }

private:
    static void paintBulb(QPainter& painter, const QRect& r) {
        const qreal glassHeight = r.height() * 0.68;
        QRadialGradient glow(r.center().x() - r.width() * 0.15, r.top() + glassHeight * 0.35, r.width() * 0.7);
        glow.setColorAt(0, QColor(255, 255, 210));
        glow.setColorAt(1, QColor(250, 210, 40));
        QPainterPath glass;
        glass.addEllipse(QRectF(r.left(), r.top(), r.width(), glassHeight));
        painter.setPen(QPen(QColor(150, 110, 0), 1.2));
        painter.setBrush(glow);
        painter.drawPath(glass);
        const QRectF base(r.left() + r.width() * 0.28, r.top() + glassHeight - 2, r.width() * 0.44,
                          r.height() - glassHeight + 2);
        painter.setBrush(QColor(160, 160, 165));
        painter.setPen(QPen(QColor(90, 90, 95), 1));
        painter.drawRoundedRect(base, 2, 2);
        for (int i = 1; i <= 2; ++i) {
            const qreal y = base.top() + base.height() * i / 3.0;
            painter.drawLine(QPointF(base.left(), y), QPointF(base.right(), y));
        }
    }
};

} // namespace

CTipDlg::CTipDlg(QWidget* parent, const QString& tipsPath) : CStickyDialog(kTemplateId, parent, true, true) {
    setWindowTitle(QStringLiteral("Tip of the Day"));

    auto* header = new TipHeader(this);
    SetItemId(header, kIdHeader);
    auto* tip = new QLabel(this);
    tip->setTextFormat(Qt::PlainText);
    tip->setWordWrap(true);
    tip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    tip->setMargin(10);
    tip->setMinimumSize(360, 110);
    tip->setAutoFillBackground(true);
    QPalette white = tip->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    tip->setPalette(white);
    SetItemId(tip, kIdTip);

    auto* startUp = new QCheckBox(QStringLiteral("&Show Tips on StartUp"), this);
    SetItemId(startUp, kIdStartUp);
    auto* next = new QPushButton(QStringLiteral("&Next Tip"), this);
    SetItemId(next, kIdNextTip);
    connect(next, &QPushButton::clicked, this, &CTipDlg::OnNextTip);
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setDefault(true);
    SetItemId(close, platform::IDOK);

    auto* panel = new QVBoxLayout;
    panel->setSpacing(0);
    panel->addWidget(header);
    panel->addWidget(tip, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(startUp);
    buttons->addStretch(1);
    buttons->addWidget(next);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(panel, 1);
    layout->addLayout(buttons);

    CSettingsStore& store = GetSettingsStore();
    m_startUp = store.GetIntEx(kSection, kStartUp, 0) <= 0;
    qint64 position = store.GetIntEx(kSection, kFilePos, 0);

    if (!m_file.Open(tipsPath.isEmpty() ? DefaultTipsPath() : tipsPath)) {
        m_tip = QString::fromLatin1(kNoFile);
        return;
    }
    const QString stamp = m_file.ModificationTimeText();
    if (stamp != store.GetString(kSection, kTimeStamp)) {
        // A new or changed file starts again at its first tip.
        position = 0;
        store.WriteString(kSection, kTimeStamp, stamp);
    }
    if (!m_file.Seek(position)) {
        DoMessageBox(QString::fromLatin1(kTrouble), platform::MB_OK | platform::MB_ICONEXCLAMATION);
        // Rather than an empty dialog: the first tip.
        if (!m_file.Seek(0))
            return;
    }
    readNextTip();
}

CTipDlg::~CTipDlg() {
    if (m_file.IsOpen()) {
        const qint64 position = m_file.Pos();
        GetSettingsStore().WriteInt(kSection, kFilePos, position <= INT32_MAX ? int(position) : 0);
        m_file.Close();
    }
}

QString CTipDlg::DefaultTipsPath() {
    return platform::FindResourceFile(CClientGameFactory::GetFactory().GetTipsFileName());
}

bool CTipDlg::ShowAtStartUp() { return GetSettingsStore().GetIntEx(kSection, kStartUp, 0) <= 0; }

void CTipDlg::readNextTip() {
    QString tip;
    switch (m_file.NextTip(tip)) {
    case CTipsFile::Result::Tip:
        m_tip = tip;
        m_hasTips = true;
        break;
    case CTipsFile::Result::NoTips:
        m_tip = QString::fromLatin1(kNoTips);
        m_hasTips = false;
        break;
    case CTipsFile::Result::ReadError:
        DoMessageBox(QString::fromLatin1(kTrouble), platform::MB_OK | platform::MB_ICONEXCLAMATION);
        break;
    }
}

bool CTipDlg::OnInitDialog() {
    const bool focus = CStickyDialog::OnInitDialog();
    if (!m_file.IsOpen() || !m_hasTips)
        DisableDlgItem(kIdNextTip);
    return focus;
}

void CTipDlg::DoDataExchange(platform::DataExchange& dx) {
    dx.Check(kIdStartUp, m_startUp);
    dx.Text(kIdTip, m_tip);
}

void CTipDlg::OnNextTip() {
    if (!m_file.IsOpen())
        return;
    readNextTip();
    SetItemText(kIdTip, m_tip);
    EnableDlgItem(kIdNextTip, m_hasTips);
}

void CTipDlg::OnOK() {
    if (!UpdateData(true))
        return;
    GetSettingsStore().WriteInt(kSection, kStartUp, m_startUp ? 0 : 1);
    EndDialog(platform::IDOK);
}
