#include "mail/MailHeaderView.h"

#include "mail/MessageHeader.h"
#include "mail/MessagingSubDocument.h"
#include "mail/MailWindowIds.h"
#include "support/SettingsStore.h"

#include <QHeaderView>
#include <QIcon>
#include <QPixmap>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QTextDocument>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kSection = QStringLiteral("CMsgMailHeaderView");
// Wide enough for a stamp like "2026/12/07:0930" and the longest status in the default font.
constexpr int kDefaultWidths[CMailHeaderModel::kColumnCount] = {200, 100, 90, 125, 110};

QString widthName(int column) { return QStringLiteral("nCol%1").arg(column); }

// A small round mark in the colour of a status: new mail stands out, sent mail is green.
QIcon statusIcon(int status) {
    static QIcon icons[5];
    const int index = status >= kStatusNew && status <= kStatusAcknowledged ? status : kStatusReadyToSend;
    if (icons[index].isNull()) {
        static const QColor colours[5] = {QColor(0x1f, 0x6f, 0xd0), QColor(0xa0, 0xa0, 0xa0), QColor(0xe0, 0x90, 0x20),
                                          QColor(0x30, 0xa0, 0x40), QColor(0x20, 0x70, 0x30)};
        QPixmap pixmap(12, 12);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(colours[index].darker(140));
        painter.setBrush(colours[index]);
        painter.drawEllipse(QRectF(1.5, 1.5, 9, 9));
        icons[index] = QIcon(pixmap);
    }
    return icons[index];
}

int compareText(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive); }

} // namespace

// ---- Model

int CMailHeaderModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(m_rows.size()); }

int CMailHeaderModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant CMailHeaderModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const Row& row = m_rows[size_t(index.row())];
    switch (role) {
    case Qt::ToolTipRole: {
        // A tip would read markup in another member's text: it gets the text as plain text.
        const QString text = data(index, Qt::DisplayRole).toString();
        return text.isEmpty() ? QVariant() : QVariant(Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap));
    }
    case Qt::DisplayRole:
        switch (index.column()) {
        case kSubject: return row.subject;
        case kFrom: return row.from;
        case kTo: return row.to;
        case kDate: return row.date;
        case kStatus: return CMessageHeader::StatusText(row.status);
        default: return {};
        }
        return {};
    case Qt::DecorationRole:
        return index.column() == kStatus ? QVariant(statusIcon(row.status)) : QVariant();
    case Qt::FontRole:
        if (row.status == kStatusNew) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    default:
        return {};
    }
}

QVariant CMailHeaderModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const titles[kColumnCount] = {"Subject", "From", "To", "Date", "Status"};
    return section >= 0 && section < kColumnCount ? QString::fromLatin1(titles[section]) : QString();
}

CMailHeaderModel::Row CMailHeaderModel::MakeRow(const CMessageHeader& header) {
    Row row;
    row.key = {header.GetFolderName(), header.GetMessageId()};
    row.subject = header.GetSubject();
    row.from = header.GetFrom();
    row.to = header.GetTo();
    row.date = header.GetFolderName() == QLatin1String(CMessagingSubDocument::kInbox) ? header.GetDateReceived()
                                                                                      : header.GetDateSent();
    row.status = header.m_status;
    return row;
}

int CMailHeaderModel::Compare(const Row& a, const Row& b) const {
    int result = 0;
    switch (m_column) {
    case kSubject: result = compareText(a.subject, b.subject); break;
    case kFrom: result = compareText(a.from, b.from); break;
    case kTo: result = compareText(a.to, b.to); break;
    case kDate: result = QString::compare(a.date, b.date); break; // "%Y/%m/%d:%H%M" sorts by time
    case kStatus: {
        // Unknown values read "Ready to send" and sort with it.
        const auto rank = [](int s) { return s >= kStatusNew && s <= kStatusAcknowledged ? s : kStatusReadyToSend; };
        result = rank(a.status) < rank(b.status) ? -1 : rank(a.status) > rank(b.status) ? 1 : 0;
        break;
    }
    default: break;
    }
    return result;
}

void CMailHeaderModel::sortRows() {
    // Rows that compare equal stay in arrival order upwards, and come latest first downwards.
    std::stable_sort(m_rows.begin(), m_rows.end(), [this](const Row& a, const Row& b) { return Compare(a, b) < 0; });
    if (!m_ascending)
        std::reverse(m_rows.begin(), m_rows.end());
}

void CMailHeaderModel::SetRows(std::vector<Row> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    sortRows();
    endResetModel();
}

int CMailHeaderModel::AddRow(const Row& row) {
    if (const int existing = FindRow(row.key.id); existing >= 0)
        return existing;
    // A new row is the latest arrival: upwards it goes after the rows equal to it, downwards before.
    const auto it = std::find_if(m_rows.begin(), m_rows.end(), [&](const Row& other) {
        const int result = Compare(row, other);
        return m_ascending ? result < 0 : result >= 0;
    });
    const int index = int(it - m_rows.begin());
    beginInsertRows(QModelIndex(), index, index);
    m_rows.insert(it, row);
    endInsertRows();
    return index;
}

bool CMailHeaderModel::UpdateRow(const Row& row) {
    const int index = FindRow(row.key.id);
    if (index < 0)
        return false;
    m_rows[size_t(index)] = row;
    emit dataChanged(this->index(index, 0), this->index(index, kColumnCount - 1));
    return true;
}

int CMailHeaderModel::FindRow(const QString& id) const {
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].key.id == id)
            return int(i);
    }
    return -1;
}

void CMailHeaderModel::SetOrder(int column, bool ascending) {
    if (column < 0 || column >= kColumnCount)
        return;
    m_column = column;
    m_ascending = ascending;
    emit layoutAboutToBeChanged();
    sortRows();
    emit layoutChanged();
}

// ---- View

CMsgMailHeaderView::CMsgMailHeaderView(CMessagingSubDocument& mail, QWidget* parent)
    : QWidget(parent), m_mail(mail), m_caption(new QLabel(this)), m_list(new QTreeView(this)),
      m_model(new CMailHeaderModel(this)) {
    setObjectName(QString::fromLatin1(kClassName));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_caption->setTextFormat(Qt::PlainText);
    m_caption->setFrameShape(QFrame::StyledPanel);
    m_caption->setFrameShadow(QFrame::Raised);
    m_caption->setContentsMargins(4, 2, 4, 2);
    m_caption->setObjectName(QStringLiteral("caption"));
    layout->addWidget(m_caption);
    layout->addWidget(m_list, 1);

    m_list->setObjectName(QStringLiteral("list"));
    m_list->setModel(m_model);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setItemsExpandable(false);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setTextElideMode(Qt::ElideRight);
    m_list->setAlternatingRowColors(true);
    QPalette palette = m_list->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::AlternateBase, ShadeColour(Qt::white));
    m_list->setPalette(palette);
    QHeaderView* header = m_list->header();
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(CMailHeaderModel::kDate, Qt::DescendingOrder);
    CSettingsStore& settings = GetSettingsStore();
    for (int column = 0; column < CMailHeaderModel::kColumnCount; ++column) {
        const int width = settings.GetIntEx(kSection, widthName(column), kDefaultWidths[column]);
        header->resizeSection(column, std::clamp(width, 10, 2000));
    }
    connect(header, &QHeaderView::sectionClicked, this, &CMsgMailHeaderView::OnColumnClick);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CMsgMailHeaderView::selectionChanged);
    connect(m_list, &QTreeView::doubleClicked, this, [this] { emit commandRequested(MailCommand::kView); });
    m_list->installEventFilter(this);
    ReloadFont();
    setCaption(QString::fromLatin1(kNoFolderCaption));
}

CMsgMailHeaderView::~CMsgMailHeaderView() { saveWidths(); }

void CMsgMailHeaderView::saveWidths() const {
    CSettingsStore& settings = GetSettingsStore();
    for (int column = 0; column < CMailHeaderModel::kColumnCount; ++column)
        settings.WriteInt(kSection, widthName(column), m_list->header()->sectionSize(column));
}

void CMsgMailHeaderView::ReloadFont() {
    m_font.Load(kSection);
    m_list->setFont(m_font.GetFont());
}

QColor CMsgMailHeaderView::ShadeColour(const QColor& background) {
    int channels[3] = {background.red(), background.green(), background.blue()};
    const bool dark = std::all_of(std::begin(channels), std::end(channels), [](int c) { return c <= 96; });
    for (int& c : channels) {
        if (dark)
            c += c > 64 ? 32 : 64;
        else if (c > 96)
            c -= c >= 128 ? 16 : 32;
    }
    return QColor(channels[0], channels[1], channels[2]);
}

void CMsgMailHeaderView::setCaption(const QString& text) { m_caption->setText(text); }

QString CMsgMailHeaderView::GetCaption() const { return m_caption->text(); }

void CMsgMailHeaderView::ShowFolder(const QString& storageName) {
    if (storageName.isEmpty() || storageName == m_currentFolder)
        return;
    const CMsgFolderObject* folder = m_mail.FindFolder(storageName);
    if (!folder)
        return;
    m_currentFolder = storageName;
    std::vector<CMailHeaderModel::Row> rows;
    rows.reserve(folder->Headers().size());
    for (const CMessageHeader* header : folder->Headers())
        rows.push_back(CMailHeaderModel::MakeRow(*header));
    m_model->SetRows(std::move(rows));
    QString caption = QStringLiteral("Contents of '") + CMessagingSubDocument::ToShownFolderName(storageName) + "'";
    if (folder->Headers().empty())
        caption += QStringLiteral(" ... (empty)");
    setCaption(caption);
    emit selectionChanged();
}

void CMsgMailHeaderView::Redisplay(const QString& storageName) {
    const std::vector<MailKey> selected = GetSelectedMessages();
    const QModelIndexList selectedRows = m_list->selectionModel()->selectedRows();
    int firstSelected = -1;
    for (const QModelIndex& index : selectedRows)
        firstSelected = firstSelected < 0 ? index.row() : std::min(firstSelected, index.row());
    const bool same = storageName == m_currentFolder;
    m_currentFolder.clear();
    m_model->Clear();
    if (storageName.isEmpty()) {
        setCaption(QString::fromLatin1(kNoFolderCaption));
        emit selectionChanged();
        return;
    }
    ShowFolder(storageName);
    if (!same)
        return;
    // The same messages stay selected when new mail moved them down; when they have gone (deleted or
    // moved away), the row that took the first one's place is selected.
    bool kept = false;
    for (const MailKey& key : selected) {
        const int row = m_model->FindRow(key.id);
        if (row >= 0) {
            SelectRow(row, kept);
            kept = true;
        }
    }
    if (!kept && firstSelected >= 0)
        SelectRow(std::min(firstSelected, m_model->rowCount() - 1));
}

void CMsgMailHeaderView::AddHeaderRow(const CMessageHeader& header) {
    if (header.GetFolderName() != m_currentFolder)
        return;
    m_model->AddRow(CMailHeaderModel::MakeRow(header));
}

void CMsgMailHeaderView::RedrawHeaderRow(const CMessageHeader& header) {
    if (header.GetFolderName() == m_currentFolder)
        m_model->UpdateRow(CMailHeaderModel::MakeRow(header));
}

std::vector<MailKey> CMsgMailHeaderView::GetSelectedMessages() const {
    QModelIndexList selected = m_list->selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<MailKey> keys;
    for (const QModelIndex& index : selected)
        keys.push_back(m_model->RowAt(index.row()).key);
    return keys;
}

int CMsgMailHeaderView::GetSelectedCount() const { return int(m_list->selectionModel()->selectedRows().size()); }

bool CMsgMailHeaderView::GetMessageAt(int row, MailKey& key) const {
    if (row < 0 || row >= m_model->rowCount())
        return false;
    key = m_model->RowAt(row).key;
    return true;
}

void CMsgMailHeaderView::SelectRow(int row, bool add) {
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex index = m_model->index(row, 0);
    auto flags = QItemSelectionModel::Rows | (add ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect);
    m_list->selectionModel()->select(index, flags);
    m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

void CMsgMailHeaderView::OnColumnClick(int column) {
    if (column < 0 || column >= CMailHeaderModel::kColumnCount)
        return;
    // Each column keeps its own direction (upwards at first): the first click on a column uses it, a
    // click on the column the list is sorted by turns it round. The list starts sorted newest first
    // by date with that column's direction still upwards, so the first click on Date turns it round
    // and keeps newest first; the second sorts oldest first.
    const std::vector<MailKey> selected = GetSelectedMessages();
    if (column == m_model->OrderColumn())
        m_ascending[column] = !m_ascending[column];
    const bool ascending = m_ascending[column];
    m_model->SetOrder(column, ascending);
    m_list->header()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    m_list->selectionModel()->clearSelection();
    for (const MailKey& key : selected)
        SelectRow(m_model->FindRow(key.id), true);
}

bool CMsgMailHeaderView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress && GetSelectedCount() > 0) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            emit commandRequested(MailCommand::kView);
            return true;
        }
        if (key == Qt::Key_Delete) {
            emit commandRequested(MailCommand::kDelete);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
