#include "session/ServiceName.h"
#include "session/GameModule.h"

#include <gtest/gtest.h>

namespace {

TEST(ServiceName, PartsOfAGameRoom) {
    const CServiceName name(".gb.Ann.Bob");
    EXPECT_EQ(name.GetFirstPart(), "gb");
    EXPECT_EQ(name.GetPart(-1), "gb");
    EXPECT_EQ(name.GetPart(0), "Ann");
    EXPECT_EQ(name.GetPart(1), "Bob");
    EXPECT_EQ(name.GetPart(2), "");
    EXPECT_EQ(name.CountParts(), 2);
    EXPECT_EQ(name.FindPart("BOB"), 1);
    EXPECT_EQ(name.FindPart("carol"), -1);
    EXPECT_TRUE(name.HasPart("ann"));
    EXPECT_EQ(name.GetPartList(), (QStringList{"Ann", "Bob"}));
    EXPECT_EQ(name.GetPartsText(), "Ann Bob ");
    EXPECT_EQ(CServiceName::ConstructFromList("gb", {"me", "you"}).GetText(), ".gb.me.you");
}

TEST(ServiceName, HiddenTailIsNotAPart) {
    const CServiceName name(".gb.Ann.Bob.$17#x");
    EXPECT_EQ(name.GetBaseName(), ".gb.Ann.Bob");
    EXPECT_EQ(name.CountParts(), 2);
    EXPECT_TRUE(name.IsSameService(CServiceName(".GB.ann.bob")));
    EXPECT_EQ(CServiceName(".gb.a.#9").GetBaseName(), ".gb.a");
    EXPECT_EQ(CServiceName(".gb.a$b").GetBaseName(), ".gb.a$b"); // '$' only after a dot
}

TEST(ServiceName, EmptyPartsDoNotCount) {
    const CServiceName name(".gb..Bob");
    EXPECT_EQ(name.CountParts(), 1);
    EXPECT_EQ(name.GetPart(0), "");
    EXPECT_EQ(name.FindPart("Bob"), 1);
    EXPECT_EQ(CServiceName(".mb").CountParts(), 0);
    EXPECT_EQ(CServiceName("").GetFirstPart(), "");
}

TEST(ServiceName, DisplayNames) {
    EXPECT_EQ(CServiceName(".mb").GetDisplayName(), "Backgammon Lobby");
    EXPECT_EQ(CServiceName(".gb.Ann.Bob").GetDisplayName(), "Ann vs. Bob");
    EXPECT_EQ(CServiceName(".Private").GetDisplayName(), "Private Match");
    EXPECT_EQ(CServiceName(".gb.CONTEST_ID.42").GetDisplayName(), "Contest 42");
    EXPECT_EQ(CServiceName(".gp.Ann.Bob").GetDisplayName(), "Proposition: Ann vs. Bob");
}

TEST(GameModule, BuiltInAnswersUntilAModuleRegisters) {
    EXPECT_EQ(GetGameModuleInfo().GetServiceWord(), "gb");
    EXPECT_TRUE(GetGameModuleInfo().HidesPrivateScore());
    EXPECT_EQ(GetGameModuleInfo().GetScoreText(".gb.a.b", "7 2 3"), "");
    struct Module : CBuiltInGameModuleInfo {
        QString GetScoreText(const QString& location, const QString& descriptor) const override {
            return location + "|" + descriptor;
        }
    } module;
    SetGameModuleInfo(&module);
    EXPECT_EQ(GetGameModuleInfo().GetScoreText(".gb.a.b", "7 2 3"), ".gb.a.b|7 2 3");
    SetGameModuleInfo(nullptr);
    EXPECT_EQ(GetGameModuleInfo().GetScoreText(".gb.a.b", "7 2 3"), "");
}

} // namespace
