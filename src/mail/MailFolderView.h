#pragma once

#include "platform/Object.h"

#include <QIcon>
#include <QString>
#include <QWidget>

class CMessagingSubDocument;
class QTreeWidget;

// The left pane of the mailbox: the tree of message folders under the caption "Message folders".
// Each folder shows its shown name ("Sent Items" for the stored "Outbox") with the number of new
// messages it holds, and a full or an empty folder picture.
class CMsgMailFolderView : public QWidget, public platform::Object {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CMsgMailFolderView, platform::Object)
public:
    static constexpr int kNameRole = Qt::UserRole;       // the shown name
    static constexpr int kFullRole = Qt::UserRole + 1;   // whether the folder holds messages
    static constexpr int kNewCountRole = Qt::UserRole + 2;

    explicit CMsgMailFolderView(CMessagingSubDocument& mail, QWidget* parent = nullptr);

    // One item per folder of the mail service, in its order.
    void FillTree();
    // Fills the tree again and selects the folder of the same shown name -> that name (empty when it
    // has gone; nothing is selected then).
    QString RefreshTree();
    // Brings the counts and pictures up to date without rebuilding the tree.
    void UpdateCounts();
    QString GetSelectedFolderName() const;
    bool SelectFolder(const QString& shownName);
    // The first folder's item selected (shown in the header view through folderSelected).
    void SelectFirst();

    QTreeWidget* Tree() const { return m_tree; }
    static QIcon FolderIcon(bool full);

signals:
    // The user (or the code) selected a folder: its storage name.
    void folderSelected(const QString& storageName);

private:
    void onSelectionChanged();

    CMessagingSubDocument& m_mail;
    QTreeWidget* m_tree;
    bool m_filling = false;
};
