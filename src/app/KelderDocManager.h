#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <vector>

class CBackgammonDoc;
class CMultiPaneFrame;
class CSessionDoc;

// Opens saved files in windows of their own. The leading room name of a file says what it holds: a
// backgammon match (".gb.") opens for review in the match's window set, the board beside its log; a
// proposition (".gp.") opens on its editing board.
class CKelderDocManager : public QObject {
    Q_OBJECT
public:
    explicit CKelderDocManager(QObject* parent = nullptr);
    ~CKelderDocManager() override;

    // The file chooser's filter of the files it opens.
    static QString FileFilter();
    // Opens the file -> the window, null when it cannot be read (error says why).
    CMultiPaneFrame* OpenDocumentFile(const QString& path, QString* error = nullptr);
    int GetOpenCount() const;

protected:
    // Closing a proposition window with changes asks whether to save them first.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Review;
    void forget(QObject* frame);

    std::vector<std::unique_ptr<Review>> m_reviews;
};
