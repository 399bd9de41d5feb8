#include "UnfinishedMatchStore.h"

#include <gtest/gtest.h>

namespace {

TEST(UnfinishedMatchStoreTest, TransferTextsNameTheKeyTheyEnd) {
    const std::pair<const char*, const char*> cases[] = {
        {".gb.ann.bob ResumeMatch M3 @.gb.ann.bob left", "M3"},
        {".gb.ann.bob !M4 11 0 1 1", "M4"},
        {".gb.ann.bob 11 0 1 1", ""},
        {".gb.ann.bob", ""},
        {".gb.ann.bob ResumeMatch", ""},
        {"", ""},
    };
    for (const auto& [text, key] : cases)
        EXPECT_EQ(CUnfinishedMatchStore::KeyOfTransfer(QString::fromLatin1(text)), key) << text;
}

TEST(UnfinishedMatchStoreTest, AMatchLeftIsListedForItsPlayersUntilItEnds) {
    CUnfinishedMatchStore store;
    EXPECT_EQ(store.FormatList("ann"), "~ ann = ");
    EXPECT_EQ(store.MatchLeft(CServiceName(".gb.ann.bob.$1")), QStringList({"ann", "bob"}));
    // The second player leaving does not list it twice.
    EXPECT_TRUE(store.MatchLeft(CServiceName(".gb.ann.bob")).isEmpty());
    store.MatchLeft(CServiceName(".gb.cy.ann"));
    const QString list = store.FormatList("ANN");
    EXPECT_TRUE(list.startsWith("~ ANN = M1 .gb.ann.bob left at ")) << list.toStdString();
    EXPECT_EQ(list.count('\t'), 1);
    EXPECT_TRUE(store.FormatList("bob").contains("M1 .gb.ann.bob"));
    EXPECT_FALSE(store.FormatList("bob").contains("M2"));
    EXPECT_EQ(store.CountFor("Ann"), 2);
    EXPECT_EQ(store.CountFor("bob"), 1);
    EXPECT_EQ(store.Remove("M1"), QStringList({"ann", "bob"}));
    EXPECT_TRUE(store.Remove("M1").isEmpty());
    EXPECT_EQ(store.FormatList("bob"), "~ bob = ");

    // More than one frame holds: those that fit are listed, whole, and the rest counted.
    for (int i = 0; i < 1500; ++i)
        store.MatchLeft(CServiceName(QStringLiteral(".gb.ann.partner%1").arg(i)), "7 3 2");
    int left = -1;
    const QString full = store.FormatList("ann", CUnfinishedMatchStore::kLongestList, &left);
    EXPECT_LE(full.size(), CUnfinishedMatchStore::kLongestList);
    EXPECT_EQ(full.count('\t') + 1 + left, store.CountFor("ann"));
    EXPECT_TRUE(store.FormatList("ann", 1 << 30).contains(full.section('\t', -1) + '\t')) << full.right(80).toStdString();
    EXPECT_EQ(store.FormatList("ann", 10, &left), "~ ann = ");
    EXPECT_EQ(left, store.CountFor("ann"));
}

} // namespace
