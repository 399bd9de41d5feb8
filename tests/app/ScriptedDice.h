#pragma once

#include <deque>
#include <functional>

namespace testenv {

// Dice a test deals through the development server's referee: each roll takes the next number of
// the list, a 3 once it is empty.
inline std::function<int()> ScriptedDice(std::deque<int>& dice) {
    return [&dice] {
        if (dice.empty())
            return 3;
        const int die = dice.front();
        dice.pop_front();
        return die;
    };
}

} // namespace testenv
