#pragma once

#include <QString>
#include <QStringList>

// The name of a service or room as text: a leading dot, the service word, then parts each after a dot
// (the players of a game room): ".mb" is the lobby, ".gb.Ann.Bob" a backgammon match between Ann and
// Bob. A "hidden tail" (a dot followed by '$' or '#' and more) names an instance of a room and is not
// one of its parts. Parts compare without regard to the case of letters (a-z only).
class CServiceName {
public:
    static constexpr char kLobbyWord[] = "mb";

    CServiceName() = default;
    explicit CServiceName(QString text) : m_text(std::move(text)) {}

    // "." + base, then "." + each string of the list in order.
    static CServiceName ConstructFromList(const QString& base, const QStringList& list);

    const QString& GetText() const { return m_text; }
    bool IsEmpty() const { return m_text.isEmpty(); }

    // The service word ("gb", "mb"); the same as GetPart(-1).
    QString GetFirstPart() const;
    // The name without its hidden tail.
    QString GetBaseName() const;
    // Part n after the service word (-1: the service word); empty past the end.
    QString GetPart(int index) const;
    // The number of non-empty parts after the service word.
    int CountParts() const;
    // The index of word among the parts after the service word, -1 when absent.
    int FindPart(const QString& word) const;
    bool HasPart(const QString& word) const { return FindPart(word) >= 0; }
    // Parts 0, 1, 2 ... in order.
    QStringList GetPartList() const;
    // The parts each followed by a blank ("Ann Bob ").
    QString GetPartsText() const;

    // The name shown for the service: "Private Match", "Backgammon Lobby", "Ann vs. Bob" and so on.
    QString GetDisplayName() const;

    // Whole names compare like their parts, without regard to the case of letters.
    bool IsSameService(const CServiceName& other) const;

private:
    // The dot-separated pieces of the base name after the leading dot: the service word first.
    QStringList pieces() const;

    QString m_text;
};
