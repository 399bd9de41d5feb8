#pragma once

#include "support/Utilities.h"

#include <QStringView>

// Whether two nicknames are the same user: letters a-z compare without regard to case, every other
// character is itself.
bool SameNickname(QStringView a, QStringView b);
