#pragma once

#include <QComboBox>
#include <QStringList>

namespace platform {
class DataExchange;
}

// An editable combo box whose list holds what was typed into it before, kept under a history key
// ("CBGSelectRankingDlg.Names") in the settings section "History", newest first.
class CHistoryEdit : public QComboBox {
    Q_OBJECT
public:
    static constexpr int kMaxEntries = 20;

    explicit CHistoryEdit(QWidget* parent = nullptr);

    // Loading fills the list from the key's history and sets the text to value; saving takes the
    // text into value and puts it at the head of the history (a repeated entry moves up, an empty
    // text is not kept).
    void ExchangeWithHistory(platform::DataExchange& dx, QString& value, const QString& key);

    // The stored history of a key, newest first.
    static QStringList LoadHistory(const QString& key);
    // Puts text at the head of the key's history -> the history as stored.
    static QStringList AddToHistory(const QString& key, const QString& text);
};
