// Rule options and league records as invitations carry them: whatever reads and is valid writes back
// to a text that reads to the same values.

#include "FuzzTarget.h"

#include "game/LeagueInviteInfo.h"
#include "game/RuleOptions.h"

NORVALE_FUZZ_TARGET(rule_options)(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const uint8_t mode = input.TakeByte();
    const QString text = QString::fromLatin1(input.TakeRest());

    if (mode % 2 == 0) {
        CBGBaseRuleOptions base;
        if (base.ParseText(text) && base.IsValid()) {
            const QString written = base.FormatText();
            CBGBaseRuleOptions again;
            fuzz::Check(again.ParseText(written) && again.IsEqual(base), "base options do not read back", written);
            fuzz::Check(again.GetText() == base.GetText(), "the text part does not read back", written);
            (void)base.FormatMatchStartCommand();
        }
        bool ok = false;
        const CBGRuleOptions invited = CBGRuleOptions::CBGRuleOptionsFromText(text, &ok);
        if (ok) {
            fuzz::Check(invited.IsValid(), "options reported good are not valid");
            bool again = false;
            const CBGRuleOptions back = CBGRuleOptions::CBGRuleOptionsFromText(invited.FormatText(), &again);
            fuzz::Check(again && back.IsEqual(invited), "invitation options do not read back", invited.FormatText());
        }
        return;
    }

    const std::unique_ptr<CBackgammonLeagueInviteInfo> league = CBackgammonLeagueInviteInfo::FromText(text);
    if (!league)
        return;
    const QString written = league->WriteText();
    const std::unique_ptr<CBackgammonLeagueInviteInfo> back = CBackgammonLeagueInviteInfo::FromText(written);
    fuzz::Check(back != nullptr, "a league record does not read back", written);
    fuzz::Check(back->WriteText() == written, "a league record changes when read back", written);
    CBGRuleOptions options;
    league->ApplyTo(options);
    for (int option = 0; option < 10; ++option)
        (void)league->FixesOption(option);
}
