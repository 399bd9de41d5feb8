#include "session/Nickname.h"

bool SameNickname(QStringView a, QStringView b) {
    return a.size() == b.size() && FoldNickname(a) == FoldNickname(b);
}
