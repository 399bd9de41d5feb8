#pragma once

#include <QString>
#include <QStringView>

// Nicknames compare without regard to the case of letters a-z; every other character is itself.
QString FoldNickname(QStringView name);
bool SameNickname(QStringView a, QStringView b);
