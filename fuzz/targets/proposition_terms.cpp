// Proposition terms as a peer sends them in an invitation. Terms that read and are valid write back to
// the same terms; terms taken after correction are valid, have a position a game can be played from
// with a cube of the proposition's rules and a name that names no folder, need no second correction,
// and start a game on a board.

#include "FuzzTarget.h"
#include "BoardChecks.h"

#include "game/PropRuleOptions.h"

NORVALE_FUZZ_TARGET(proposition_terms)(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const QString text = QString::fromLatin1(input.TakeRest());

    bool ok = false;
    const CPropRuleOptions read = CPropRuleOptions::FromText(text, &ok);
    if (ok) {
        bool again = false;
        const CPropRuleOptions back = CPropRuleOptions::FromText(read.FormatText(), &again);
        fuzz::Check(again && back.IsEqual(read), "valid terms do not read back", read.FormatText());
    }
    (void)CPropRuleOptions::CheckPosition(read.GetTerms().position);

    CPropRuleOptions corrected;
    if (!CPropRuleOptions::CorrectPeerText(text, corrected))
        return;
    const QString written = corrected.FormatText();
    const CPropRuleOptions::Terms& terms = corrected.GetTerms();
    fuzz::Check(corrected.IsValid(), "corrected terms are not valid", written);
    fuzz::Check(CPropRuleOptions::CheckPosition(terms.position) == CPropRuleOptions::PositionFault::kNone,
                "corrected terms hold a position that cannot be played", written);
    fuzz::Check(!terms.name.contains(u'/') && !terms.name.contains(u'\\') && terms.name != QLatin1String("..") &&
                    terms.name.size() <= CPropRuleOptions::kMaxNameLength,
                "a corrected name names a folder or is too long", written);
    CPropRuleOptions twice;
    bool changed = true;
    fuzz::Check(CPropRuleOptions::CorrectPeerText(written, twice, &changed) && !changed && twice.IsEqual(corrected),
                "corrected terms are corrected again", written);

    // The room's board starts from the terms, and the first game opens with a game to play.
    CBackgammonBoard board;
    const QString start = corrected.FormatPropositionStartCommand();
    fuzz::Check(!start.isEmpty() && board.ApplyCommand(start) == 1, "corrected terms start no match", start);
    fuzz::Check(board.GetCubeValue() <= CPropRuleOptions::kMaxCubeValue, "a cube beyond the rules", start);
    fuzz::Check(board.ApplyCommand(QStringLiteral("n")) == 1 && board.IsGameInProgress(),
                "the first game is over before it began", start);
    CheckBoardSound(board, start);
}
