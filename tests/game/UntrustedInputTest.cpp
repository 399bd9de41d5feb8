#include "BoardTestUtil.h"

#include <random>

namespace {

// What must hold after anything: the variant's checkers a side, no point shared, a known state.
void ExpectSound(const CBackgammonBoard& board, const QString& after) {
    const int checkers = board.GetVariant() == CBackgammonBoard::kHypergammon ? 3 : 15;
    for (int side = 1; side <= 2; ++side)
        ASSERT_EQ(board.GetTotalCheckers(side), checkers) << after.toStdString();
    for (int position = 1; position <= 24; ++position)
        ASSERT_FALSE(board.GetCheckers(1, position) > 0 && board.GetCheckers(2, position) > 0)
            << after.toStdString();
    for (int position = -1; position <= 26; ++position) {
        ASSERT_GE(board.GetCheckers(1, position), 0);
        ASSERT_GE(board.GetCheckers(2, position), 0);
    }
    const int state = board.GetState();
    ASSERT_TRUE(state == 1 || state == 2 || state == 4 || state == 9 || state == 10 || state == 11);
    ASSERT_TRUE(board.GetSideOnRoll() == 1 || board.GetSideOnRoll() == 2);
    const int cube = board.GetCubeValue();
    ASSERT_TRUE(cube >= 1 && cube <= CBackgammonBoard::kMaxCubeValue && (cube & (cube - 1)) == 0);
}

} // namespace

TEST(UntrustedInput, RandomCommandsNeverBreakTheBoard) {
    std::mt19937 random(99);
    const auto number = [&] {
        static const int interesting[] = {-2, -1, 0, 1, 2, 3, 5, 6, 7, 12, 13, 24, 25, 26, 27, 99999, -99999};
        return random() % 3 == 0 ? int(random() % 28) - 1 : interesting[random() % std::size(interesting)];
    };
    const char letters[] = "snrcmdakxyuzqS ";
    int applied = 0;
    for (int game = 0; game < 40; ++game) {
        CBackgammonBoard board;
        board.SetLogging(game % 2 == 0);
        board.SetUncheckedStep(game % 5 == 0);
        if (game % 7 == 0) {
            board.SetState(CBackgammonBoard::kStateEdit);
            board.SetEditingAllowed(true);
        }
        for (int i = 0; i < 400; ++i) {
            QString command(QChar(letters[random() % (sizeof letters - 1)]));
            const int args = random() % 5;
            for (int a = 0; a < args; ++a) {
                command += ' ';
                if (random() % 2)
                    command += QString::number(number()) + '/' + QString::number(number());
                else
                    command += QString::number(number());
            }
            applied += board.ApplyCommand(command);
            ExpectSound(board, command);
            board.PopLogRecord();
            (void)board.FormatPlayText();
            (void)board.GetLegalDestinations(number());
        }
    }
    EXPECT_GT(applied, 100) << "the random commands should reach a fair number of legal ones";
}

TEST(UntrustedInput, DamagedBoardTextsAreRefusedOrSound) {
    std::mt19937 random(5);
    CBackgammonBoard source;
    ASSERT_EQ(source.ApplyCommand("n 6 2"), 1);
    const QString good = source.GetSavedBoardText(1);
    int accepted = 0;
    for (int i = 0; i < 3000; ++i) {
        QString text = good;
        const int edits = 1 + random() % 3;
        for (int e = 0; e < edits; ++e) {
            const int at = 4 + random() % (text.size() - 4);
            switch (random() % 4) {
            case 0:
                text[at] = QChar(char("0123456789- x"[random() % 13]));
                break;
            case 1:
                text.insert(at, QChar(char("0123456789- "[random() % 12])));
                break;
            case 2:
                text.remove(at, 1);
                break;
            default:
                text.insert(at, QStringLiteral(" 15"));
                break;
            }
        }
        CBackgammonBoard board;
        const QString before = board.GetSavedBoardText(1);
        if (board.ReadBoardText(text, 1 + random() % 2)) {
            ++accepted;
            for (int side = 1; side <= 2; ++side) {
                ASSERT_GE(board.GetTotalCheckers(side), 1) << text.toStdString();
                ASSERT_LE(board.GetTotalCheckers(side), 15) << text.toStdString();
            }
        } else {
            ASSERT_EQ(board.GetSavedBoardText(1), before) << text.toStdString();
        }
    }
    EXPECT_GT(accepted, 0);
}
