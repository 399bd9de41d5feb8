#pragma once

#include <QtGlobal>

// The packet numbers and rights that the client and the servers (tools/devserver, the tests' fake
// server) share: each is written here once, and every side takes it from here (docs/protocol.md says
// what each packet carries).

// The routed packet types of chat.
namespace ChatPacket {
constexpr int System = 168;
constexpr int Notify = 193;
constexpr int Whisper = 194;
constexpr int Shout = 200;
constexpr int Said = 203;
constexpr int Emote = 207;
constexpr int Tell = 212;
constexpr int Talk = 213;
} // namespace ChatPacket

// The service's other packets. Below 128 plain, 128 and above routed.
namespace ServicePacket {
// A money session's answer to the next game (player) and its offer (server).
constexpr int ContinueAnswer = 36;
constexpr int ContinueOffer = 37;
// A command line's raw command to the server (match privacy, the replay's steps).
constexpr int Command = 58;
constexpr int LeagueInfo = 77;
constexpr int RatingRequest = 91;
constexpr int RatingReply = 93;
// The lobby directory: arrivals, departures, changes.
constexpr int UsersArrived = 97;
constexpr int UsersLeft = 98;
constexpr int UsersChanged = 110;
constexpr int BoardQuery = 108;
constexpr int WatchRequest = 112;
constexpr int BearOffRequest = 167;
constexpr int BearOffReply = 169;
constexpr int Stop = 176;
constexpr int Go = 177;
constexpr int VersionQuery = 182;
constexpr int VersionReply = 183;
// Where players are: the answer to a watch request.
constexpr int WatchReply = 184;
constexpr int FriendChange = 206;
constexpr int Kick = 208;
constexpr int Undeliverable = 215;
constexpr int Move = 217;
constexpr int MoveRefused = 218;
constexpr int UnfinishedMatches = 233;
constexpr int RankingRequest = 239;
constexpr int RankingReply = 240;
// A database transaction (money limits, e-mail and password changes) and the money limits' answer.
constexpr int Database = 251;
constexpr int MoneyResponse = 253;
} // namespace ServicePacket

// The bits of a member's rights mask (the login's acceptance carries it).
namespace MemberRight {
constexpr quint32 Propositions = 0x1;
constexpr quint32 Examine = 0x10;
constexpr quint32 Notify = 0x20;
constexpr quint32 Kick = 0x40;
constexpr quint32 DisableAccount = 0x80;
constexpr quint32 EnableAccount = 0x100;
constexpr quint32 DisableMachine = 0x200;
constexpr quint32 EnableMachine = 0x400;
constexpr quint32 Disable = 0x1000;
constexpr quint32 Enable = 0x2000;
constexpr quint32 Shout = 0x10000;
constexpr quint32 RobotInvite = 0x40000;
} // namespace MemberRight
