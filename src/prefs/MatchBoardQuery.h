#pragma once

#include <QString>
#include <QtGlobal>

// Which players of the lobby the match board shows: the user's query, kept in the settings (section
// "CSessionDoc"), edited on the "Filter" and "Groups" pages of the lobby settings and sent to the
// server as the text of packet 108. A plain record, copied by value.
class CMatchBoardQuery {
public:
    // Bits of the masks.
    static constexpr quint32 kAny = 0x8000;           // any action / any status
    static constexpr quint32 kActionPlaying = 0x2 | 0x8;
    static constexpr quint32 kActionWatching = 0x4;
    static constexpr quint32 kStatusAway = 0x8;
    static constexpr quint32 kStatusReady = 0x2;

    // The smallest number of players a query may ask for.
    static constexpr int kMinSize = 4;
    static constexpr int kDefaultSize = 125;

    static constexpr char kSection[] = "CSessionDoc";

    CMatchBoardQuery() = default;

    // Reads the query from the settings. The size is kept within kMinSize .. MaxSize(). With groups,
    // the group flags are read and in force; without, they are all 0 and nothing more is read.
    void Load(bool withGroups);
    // Writes everything but "nMaxQuerySize", which the server's setting fills.
    void Save() const;

    // The query as the server reads it (packet 108): the quoted centre, the size, origin and masks,
    // then the fourteen group words; the same text under every locale.
    QString ToText() const;

    // The centre is the text's decimal value; 0 when it is not a finite number a float can hold.
    void SetCentreFromText(const QString& text);
    // A float as "%f" prints it in the C locale ("1500.000000").
    static QString FormatFloatValue(float value);

    // The largest size the settings allow ("nMaxQuerySize", 125 when unset); never below kMinSize,
    // so that a query of the smallest size can always be confirmed.
    static int MaxSize();

    int size = kDefaultSize;
    int origin = 0;                // 0 around the user's own rating, 1 around the centre
    float centre = 1073741824.0f;  // 2 to the power 30
    int trackAllGroups = 0;
    int friends = 0;               // "bAffinityList"
    int guides = 1;
    int leagueMembers = 0;
    int memberHelp = 1;
    int robots = 1;
    int self = 1;
    int trackGroups = 1;           // the group flags are in force; not stored
    int support = 1;
    int sysops = 1;
    int tournamentStaff = 1;
    int unfinishedMatch = 0;
    int moneyPlayers = 1;          // the Tallybank players
    int clubMembers = 0;
    quint32 actionMask = kAny;
    quint32 statusMask = kAny;
};
