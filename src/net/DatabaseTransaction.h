#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class CPacketCursor;

// A request or response record of the database service: a decimal code, then its fields.
class CDatabaseTransaction {
public:
    explicit CDatabaseTransaction(int code) : m_code(code) {}
    virtual ~CDatabaseTransaction() = default;

    int GetCode() const { return m_code; }
    // The text form: the code, then the fields.
    virtual QString FormatRequest() const = 0;
    // Reads the fields after the code -> false when the text is malformed.
    virtual bool ReadFields(CPacketCursor& cursor) = 0;

private:
    int m_code;
};

// Code 70: asks the database service about the money terms of an invitation. Sent as packet 251 to
// ".db".
class CUserMoneyInviteRequest : public CDatabaseTransaction {
public:
    static constexpr int kCode = 70;

    CUserMoneyInviteRequest() : CDatabaseTransaction(kCode) {}
    CUserMoneyInviteRequest(QString first, QString second, QString third, int firstNumber, int secondNumber,
                            QString fourth);

    // 70 "first" "second" "third" firstNumber secondNumber "fourth"
    QString FormatRequest() const override;
    bool ReadFields(CPacketCursor& cursor) override;

    const QString& GetFirst() const { return m_first; }
    const QString& GetSecond() const { return m_second; }
    const QString& GetThird() const { return m_third; }
    int GetFirstNumber() const { return m_firstNumber; }
    int GetSecondNumber() const { return m_secondNumber; }
    const QString& GetFourth() const { return m_fourth; }

private:
    QString m_first;
    QString m_second;
    QString m_third;
    int m_firstNumber = 0;
    int m_secondNumber = 0;
    QString m_fourth;
};

// Code 71: the database service's answer to a money invitation request. Every field is a quoted text:
// 71 "user" "result code" "first amount" "second amount" "factor" "increment list".
class CUserMoneyInviteResponse : public CDatabaseTransaction {
public:
    static constexpr int kCode = 71;

    CUserMoneyInviteResponse() : CDatabaseTransaction(kCode) {}

    QString FormatRequest() const override;
    bool ReadFields(CPacketCursor& cursor) override;

    QString m_userName;
    QString m_resultCode;
    QString m_firstAmount;  // dollars as a decimal text
    QString m_secondAmount; // dollars as a decimal text
    QString m_factor;       // decimal text
    QString m_increments;   // blank-separated pairs of dollar amounts
};

// Code 126: the user's unfinished matches: 126 "user" count, then that many quoted entries.
class CUnfinishedMatchesResponse : public CDatabaseTransaction {
public:
    static constexpr int kCode = 126;

    CUnfinishedMatchesResponse() : CDatabaseTransaction(kCode) {}

    QString FormatRequest() const override;
    bool ReadFields(CPacketCursor& cursor) override;

    QString m_userName;
    QStringList m_entries;
};

// Builds the transaction a text names by its leading code (70, 71, 126) -> null for other codes or a
// malformed text. The caller owns the result.
std::unique_ptr<CDatabaseTransaction> CreateDatabaseTransaction(const QString& text);
