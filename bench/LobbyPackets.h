#pragma once

#include "platform/Cp1252.h"

#include <QString>

#include <functional>

// The directory packets the lobby benchmarks feed: texts of the server's user lists.
namespace benchpackets {

// Users "user0".. arriving, with the group flags groupsOf(i); varied: every third user away and every
// fifth playing, else all ready and idle.
inline QByteArray ArrivalsText(int users, const std::function<int(int)>& groupsOf, bool varied = true) {
    QString body = QStringLiteral("%1 %1\n").arg(users);
    for (int i = 0; i < users; ++i)
        body += QStringLiteral("\"user%1\" %2 16777247 %3 %4 \"%5.5\" %6 \".mb\" \"Club %7\"\n")
                    .arg(i)
                    .arg(groupsOf(i))
                    .arg(varied && i % 3 == 0 ? 8 : 2)
                    .arg(varied && i % 5 == 0 ? 8 : 2)
                    .arg(1400 + i % 300)
                    .arg(i % 2000)
                    .arg(i % 40);
    return platform::cp1252::encode(body);
}

// One packet of size changes of presence and activity (and of rating when asked) among users,
// spread over the whole list and different for each packet number.
inline QByteArray ChangesText(int users, int packet, int size, int groups, bool rating) {
    QString body = QStringLiteral("%1 %2\n").arg(users).arg(size);
    for (int i = 0; i < size; ++i) {
        const int who = (packet * 389 + i * 53) % users;
        const int presence = (packet + i) % 3 == 0 ? 8 : 2;
        const int activity = (packet + i) % 4 == 0 ? 8 : ((packet + i) % 4 == 1 ? 4 : 2);
        const QString newRating =
            rating ? QStringLiteral("\"%1.25\"").arg(1300 + (packet * 7 + i * 11) % 500) : QString();
        body += QStringLiteral("\"USER%1\" %2 %3 %4 %5 %6\n")
                    .arg(who)
                    .arg(groups)
                    .arg(rating ? 7 : 3)
                    .arg(presence)
                    .arg(activity)
                    .arg(newRating);
    }
    return platform::cp1252::encode(body);
}

} // namespace benchpackets
