#pragma once

#include "mail/MessagingSubDocument.h"
#include "platform/Object.h"
#include "support/PersistentFont.h"

#include <QAbstractTableModel>
#include <QString>
#include <QWidget>

#include <vector>

class CMessageHeader;
class CMessagingSubDocument;
class QLabel;
class QTreeView;

// The rows of one folder: a copy of each header's shown texts, keyed by message id, kept in the order
// the user chose (a column and a direction; new rows land where that order puts them).
class CMailHeaderModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kSubject, kFrom, kTo, kDate, kStatus, kColumnCount };
    struct Row {
        MailKey key;
        QString subject, from, to, date;
        int status = -1;
    };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The row of a header (the date column shows DateReceived in "Inbox", DateSent elsewhere).
    static Row MakeRow(const CMessageHeader& header);
    void SetRows(std::vector<Row> rows);
    void Clear() { SetRows({}); }
    // Adds a row where the current order puts it; nothing when a row has that id -> its index.
    int AddRow(const Row& row);
    // Refreshes the texts of the row with that id -> whether there was one.
    bool UpdateRow(const Row& row);
    int FindRow(const QString& id) const;
    const Row& RowAt(int row) const { return m_rows[size_t(row)]; }

    // The order: a column and whether it runs upwards (A before Z, oldest before newest).
    void SetOrder(int column, bool ascending);
    int OrderColumn() const { return m_column; }
    bool OrderAscending() const { return m_ascending; }
    // Compares two rows on the order's column, upwards (<0: a before b).
    int Compare(const Row& a, const Row& b) const;

private:
    void sortRows();

    std::vector<Row> m_rows;
    int m_column = kDate;
    bool m_ascending = false; // newest first
};

// The right pane of the mailbox: a caption ("Contents of 'Inbox'") over the sortable list of the
// headers of one folder. Rows are taken from the mail service's folder objects; the list keeps its
// column widths in the settings ("nCol0" to "nCol4" of section "CMsgMailHeaderView").
class CMsgMailHeaderView : public QWidget, public platform::Object {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CMsgMailHeaderView, platform::Object)
public:
    static constexpr char kNoFolderCaption[] = "(no folder selected)";

    CMsgMailHeaderView(CMessagingSubDocument& mail, QWidget* parent = nullptr);
    ~CMsgMailHeaderView() override;

    // Shows a folder by storage name; nothing for an empty name, the folder already shown or a
    // folder that does not exist.
    void ShowFolder(const QString& storageName);
    // Shows the folder afresh; the same folder keeps its selected messages, or when they have gone,
    // the place of the first.
    void Redisplay(const QString& storageName);
    void AddHeaderRow(const CMessageHeader& header);
    void RedrawHeaderRow(const CMessageHeader& header);

    const QString& GetCurrentFolder() const { return m_currentFolder; }
    // The selected messages, in list order.
    std::vector<MailKey> GetSelectedMessages() const;
    int GetSelectedCount() const;
    bool GetMessageAt(int row, MailKey& key) const;
    void SelectRow(int row, bool add = false);

    // A click on a column's title: the same column again turns its direction round.
    void OnColumnClick(int column);
    // The colour of every other row, made from the list's background.
    static QColor ShadeColour(const QColor& background);

    // Applies the font of the section again (after the font preferences changed).
    void ReloadFont();

    QString GetCaption() const;
    QTreeView* List() const { return m_list; }
    CMailHeaderModel* Model() const { return m_model; }

signals:
    // The selection changed, or the shown folder did.
    void selectionChanged();
    // Enter or a double click (View), the Delete key (Delete): the mailbox's command id.
    void commandRequested(int id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setCaption(const QString& text);
    void saveWidths() const;

    CMessagingSubDocument& m_mail;
    QLabel* m_caption;
    QTreeView* m_list;
    CMailHeaderModel* m_model;
    CPersistentFont m_font;
    QString m_currentFolder;
    bool m_ascending[CMailHeaderModel::kColumnCount] = {true, true, true, true, true};
};
