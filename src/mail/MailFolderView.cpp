#include "mail/MailFolderView.h"

#include "mail/MessageHeader.h"
#include "mail/MessagingSubDocument.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

int newCount(const CMsgFolderObject& folder) {
    return int(std::count_if(folder.Headers().begin(), folder.Headers().end(),
                             [](const CMessageHeader* h) { return h->m_status == kStatusNew; }));
}

} // namespace

QIcon CMsgMailFolderView::FolderIcon(bool full) {
    static QIcon icons[2];
    QIcon& icon = icons[full ? 1 : 0];
    if (icon.isNull()) {
        QPixmap pixmap = QApplication::style()->standardIcon(QStyle::SP_DirIcon).pixmap(20, 20);
        if (pixmap.isNull()) {
            pixmap = QPixmap(20, 20);
            pixmap.fill(Qt::transparent);
        }
        if (full) {
            // A letter in the folder.
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            const QRectF letter(8.5, 9.5, 10, 7);
            painter.setPen(QColor(0x40, 0x40, 0x40));
            painter.setBrush(QColor(0xff, 0xfb, 0xe8));
            painter.drawRect(letter);
            painter.drawLine(letter.topLeft(), letter.center());
            painter.drawLine(letter.topRight(), letter.center());
        }
        icon = QIcon(pixmap);
    }
    return icon;
}

CMsgMailFolderView::CMsgMailFolderView(CMessagingSubDocument& mail, QWidget* parent)
    : QWidget(parent), m_mail(mail), m_tree(new QTreeWidget(this)) {
    setObjectName(QString::fromLatin1(kClassName));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);
    m_tree->setObjectName(QStringLiteral("tree"));
    m_tree->setColumnCount(1);
    m_tree->setHeaderLabels({QStringLiteral("Message folders")});
    m_tree->header()->setSectionsClickable(false);
    m_tree->header()->setStretchLastSection(true);
    m_tree->setRootIsDecorated(false);
    m_tree->setIconSize(QSize(20, 20));
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setDragDropMode(QAbstractItemView::NoDragDrop);
    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, &CMsgMailFolderView::onSelectionChanged);
}

void CMsgMailFolderView::FillTree() {
    m_filling = true;
    m_tree->clear();
    for (const auto& folder : m_mail.GetFolderObjects()) {
        auto* item = new QTreeWidgetItem(m_tree);
        item->setData(0, kNameRole, CMessagingSubDocument::ToShownFolderName(folder->GetName()));
    }
    m_filling = false;
    UpdateCounts();
}

void CMsgMailFolderView::UpdateCounts() {
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_tree->topLevelItem(i);
        const QString shown = item->data(0, kNameRole).toString();
        const CMsgFolderObject* folder = m_mail.FindFolder(CMessagingSubDocument::ToStorageFolderName(shown));
        const int fresh = folder ? newCount(*folder) : 0;
        const bool full = folder && !folder->Headers().empty();
        item->setText(0, fresh > 0 ? QStringLiteral("%1 (%2)").arg(shown).arg(fresh) : shown);
        QFont font = m_tree->font();
        font.setBold(fresh > 0);
        item->setFont(0, font);
        item->setIcon(0, FolderIcon(full));
        item->setData(0, kFullRole, full);
        item->setData(0, kNewCountRole, fresh);
    }
}

QString CMsgMailFolderView::RefreshTree() {
    const QString selected = GetSelectedFolderName();
    FillTree();
    return SelectFolder(selected) ? selected : QString();
}

QString CMsgMailFolderView::GetSelectedFolderName() const {
    const QList<QTreeWidgetItem*> items = m_tree->selectedItems();
    return items.isEmpty() ? QString() : items.front()->data(0, kNameRole).toString();
}

bool CMsgMailFolderView::SelectFolder(const QString& shownName) {
    if (shownName.isEmpty())
        return false;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_tree->topLevelItem(i);
        if (item->data(0, kNameRole).toString() == shownName) {
            m_tree->setCurrentItem(item);
            item->setSelected(true);
            return true;
        }
    }
    return false;
}

void CMsgMailFolderView::SelectFirst() {
    if (m_tree->topLevelItemCount() > 0) {
        m_tree->setCurrentItem(m_tree->topLevelItem(0));
        m_tree->topLevelItem(0)->setSelected(true);
    }
}

void CMsgMailFolderView::onSelectionChanged() {
    if (m_filling)
        return;
    const QString shown = GetSelectedFolderName();
    if (!shown.isEmpty())
        emit folderSelected(CMessagingSubDocument::ToStorageFolderName(shown));
}
