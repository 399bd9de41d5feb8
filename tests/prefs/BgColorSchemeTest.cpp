#include "prefs/BgColorScheme.h"

#include "support/QtPrinters.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"

#include <QMap>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

const QString kDefault0 =
    "0 1 0 0 10941436 16777215 0 16777215 \"\" 0 0 2319291 14938623 0 16777215 \"\" 0 0 337254 0 0 16777215 "
    "\"\" "
    "0 0 8612185 0 0 16777215 \"\" 0 0 8305367 0 0 16777215 \"\" 0 0 328457 196611 0 16777215 \"\" "
    "0 0 328457 0 0 16777215 \"\" 0 0 9831 14938623 0 16777215 \"\" 0 0 10941436 0 0 0 \"\" "
    "16777215 0 16777215 \"MS Serif\" 400 0 0 0 3421236 12632256 0 0 \"\"";
const QString kPellVegas =
    "0 1 1 1 202 16777215 0 16777215 \"FELSOM3.BMP\" 1 1 11587308 14938623 0 16777215 \"FELSOM3.BMP\" "
    "1 1 77402 0 0 16777215 \"leather256.bmp\" 0 0 138 0 0 16777215 \"\" 0 0 0 0 0 16777215 \"\" "
    "1 1 1803568 0 0 16777215 \"Copper256.bmp\" 1 1 22272 0 0 16777215 \"marble.bmp\" "
    "0 0 225 14938623 0 0 \"\" 0 0 10473471 0 0 0 \"\" 16777215 0 16777215 \"MS Serif\" 400 0 "
    "0 0 3421236 12632256 0 0 \"\"";

QString section(int set) {
    return CBgColorScheme::SchemeSection(set);
}
QString dirSection(int set) {
    return CBgColorScheme::DirectorySection(set);
}
CSettingsStore& store() {
    return GetSettingsStore();
}

int tokenCount(const QString& text) {
    // Blanks inside quoted names do not separate tokens.
    static const QRegularExpression token(R"re("(?:[^"\\]|\\.)*"|[^ ]+)re");
    int n = 0;
    for (auto it = token.globalMatch(text); it.hasNext(); it.next())
        ++n;
    return n;
}

class BgColorSchemeTest : public ::testing::Test {
protected:
    void SetUp() override { testenv::ResetSettings(); }
    void TearDown() override { testenv::ResetSettings(); }
};

TEST(BgColorSchemeText, BuiltInRowsGivenInFullAreStoredExactly) {
    struct Case {
        int set;
        const char* name;
        QString text;
    } cases[] = {
        {0, "Default", kDefault0},
        {0, "(Current)", kDefault0},
        {0, "Zone", kDefault0},
        {0, "Pell Vegas", kPellVegas},
        {2, "Default",
         "2 1 0 0 10941436 14938623 0 16777215 \"\" 0 0 2319291 14938623 0 16777215 \"\" 0 0 337254 16243 0 "
         "16777215 "
         "\"\" 0 0 8612185 21371 0 16777215 \"\" 0 0 8305367 5261364 0 16777215 \"\" 0 0 328457 328457 0 "
         "16777215 "
         "\"\" 0 0 328457 0 0 16777215 \"\" 0 0 9831 16777215 0 16777215 \"\" 0 0 10941436 0 0 16777215 \"\" "
         "16777215 0 12632256 \"Perpetua\" 400 1 0 0 3421236 8421504 0 0 \"\""},
        {10, "Default",
         "0 1 1 1 16777215 16777215 0 16777215 \"\" 1 1 0 16777215 0 16777215 \"\" 1 1 16777215 0 0 16777215 "
         "\"\" "
         "0 0 12632256 16777215 4294967295 16777215 \"\" 0 0 8421504 0 4294967295 16777215 \"\" "
         "0 0 16777215 0 0 16777215 \"\" 0 0 6400 0 0 16777215 \"\" 0 0 16777215 0 0 0 \"\" "
         "0 0 0 0 4294967295 16777215 \"\" 16777215 0 0 \"Arial\" 700 0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuiltInSchemeText(c.set, c.name), c.text) << c.set << " " << c.name;
    EXPECT_EQ(BuiltInSchemeText(10, "Grayscale"), BuiltInSchemeText(10, "Default"));
    EXPECT_EQ(BuiltInSchemeText(2, "Zone"), BuiltInSchemeText(2, "(Current)"));
}

TEST(BgColorSchemeText, TheTableHasFortyOneWholeRowsInSetOrder) {
    int count = 0;
    const BgBuiltInScheme* rows = BuiltInSchemes(&count);
    ASSERT_EQ(count, 41);
    QMap<int, int> perSet;
    for (int i = 0; i < count; ++i) {
        const QString text = QString::fromLatin1(rows[i].text);
        ++perSet[rows[i].set];
        EXPECT_EQ(tokenCount(text), rows[i].set == 10 ? 71 : 78) << rows[i].name;
        EXPECT_TRUE(text.startsWith(rows[i].set == 2 ? "2 1 " : "0 1 ")) << rows[i].name;
        // A parsed row writes back to the same text: nothing is lost or cut.
        if (rows[i].set != 10) {
            CBgColorScheme parsed;
            parsed.ParseText(text);
            EXPECT_EQ(parsed.WriteText(), text) << rows[i].name;
        }
    }
    EXPECT_EQ(perSet.value(0), 19);
    EXPECT_EQ(perSet.value(2), 18);
    EXPECT_EQ(perSet.value(10), 4);
    EXPECT_EQ(QString(rows[18].name), "Pell Vegas");
    EXPECT_EQ(QString(rows[19].name), "(Current)");
    EXPECT_EQ(rows[19].set, 10);
}

TEST(BgColorSchemeText, ParsingReadsWhatItReachesAndKeepsTheRest) {
    const CBgColorScheme fresh;
    struct Case {
        const char* text;
        qint32 style, version, textured0, weight;
        quint32 color1;
        const char* face;
    } cases[] = {
        {"0 1", 0, 1, 0, 700, 192, "Arial"},
        {"5 x 1", 5, 6, 0, 700, 192, "Arial"},           // a letter ends all reading
        {"5 -x 1 1 7", 5, 6, 0, 700, 192, "Arial"},      // so does a minus before a letter
        {"  -3   4 -1 0 9", -3, 4, -1, 700, 9, "Arial"}, // runs of blanks, negative values
        {"\t1 1", 2, 6, 0, 700, 192, "Arial"},           // only the blank is skipped
        {"0 1 0 0 4294967295", 0, 1, 0, 700, 4294967295u, "Arial"},
        {"0 1 0 0 4294967296", 0, 1, 0, 700, 0, "Arial"}, // wraps at 32 bits
        {"", 2, 6, 0, 700, 192, "Arial"},
    };
    for (const Case& c : cases) {
        CBgColorScheme s;
        s.ParseText(c.text);
        EXPECT_EQ(s.m_style, c.style) << c.text;
        EXPECT_EQ(s.m_version, c.version) << c.text;
        EXPECT_EQ(s.m_elements[0].textured, c.textured0) << c.text;
        EXPECT_EQ(s.m_elements[0].color1, c.color1) << c.text;
        EXPECT_EQ(s.m_labelWeight, c.weight) << c.text;
        EXPECT_EQ(s.m_labelFace, c.face) << c.text;
        EXPECT_TRUE(s.m_elements[9].IsEqual(fresh.m_elements[9])) << c.text;
    }
}

TEST(BgColorSchemeText, StringsAreTakenOnlyWhenClosedWithinTheLimit) {
    struct Case {
        QString text;
        QString expected; // the texture of Checker Set 1 afterwards
    } cases[] = {
        {R"(0 1 1 1 0 0 0 0 "a b")", "a b"},
        {R"(0 1 1 1 0 0 0 0 "say \"hi\"")", "say \"hi\""},
        {R"(0 1 1 1 0 0 0 0 "C:\\tex\\x.bmp")", "C:\\tex\\x.bmp"},
        {R"(0 1 1 1 0 0 0 0 "open)", "keep"},
        {R"(0 1 1 1 0 0 0 0 "ends in \)", "keep"},
        {"0 1 1 1 0 0 0 0 \"" + QString(511, 'n') + "\"", QString(511, 'n')},
        {"0 1 1 1 0 0 0 0 \"" + QString(512, 'n') + "\"", "keep"},
        {"0 1 1 1 0 0 0 0 no quote at all", "keep"},
    };
    for (const Case& c : cases) {
        CBgColorScheme s;
        s.m_elements[0].texture = "keep";
        s.ParseText(c.text);
        EXPECT_EQ(s.m_elements[0].texture, c.expected) << c.text.left(40).toStdString();
    }
}

TEST(BgColorSchemeText, NamesWithQuotesAndBackslashesSurviveARoundTrip) {
    const QString names[] = {"plain", "",   "with \"quote\"", "back\\slash", "ends in \\",
                             "\\\"",  "\"", "\\\\\\"};
    for (const QString& name : names) {
        CBgColorScheme s;
        s.m_labelFace = name;
        s.m_elements[CBgColorScheme::kBackground].texture = name + "bg";
        s.m_elements[CBgColorScheme::kDice2].texture = name;
        s.m_elements[CBgColorScheme::kCheckerSet1].textured = -1;
        s.m_elements[CBgColorScheme::kPoints1].outline = 0xFFFFFFFF;
        s.m_labelItalic = 1;
        const QString text = s.WriteText();
        CBgColorScheme back(2, std::optional<QString>(QString("9")));
        back.ParseText(text);
        EXPECT_TRUE(back.IsEqual(s)) << text.toStdString();
        EXPECT_EQ(tokenCount(text), 78) << text.toStdString();
    }
    CBgColorScheme s;
    s.m_elements[CBgColorScheme::kPoints1].outline = 0xFFFFFFFF;
    s.m_elements[CBgColorScheme::kCheckerSet1].textured = -1;
    EXPECT_TRUE(s.WriteText().contains(" 4294967295 "));
    EXPECT_TRUE(s.WriteText().startsWith("2 6 -1 0 192 "));
}

TEST(BgColorSchemeText, EqualityLooksAtEveryField) {
    using Change = void (*)(CBgColorScheme&);
    const Change changes[] = {
        [](CBgColorScheme& s) { s.m_version = 1; },
        [](CBgColorScheme& s) { s.m_elements[6].highlight = 1; },
        [](CBgColorScheme& s) { s.m_elements[9].texture = "x"; },
        [](CBgColorScheme& s) { s.m_elements[3].tinted = 1; },
        [](CBgColorScheme& s) { s.m_colorA = 1; },
        [](CBgColorScheme& s) { s.m_colorB = 1; },
        [](CBgColorScheme& s) { s.m_labelColor = 1; },
        [](CBgColorScheme& s) { s.m_labelFace = "arial"; },
        [](CBgColorScheme& s) { s.m_labelWeight = 400; },
        [](CBgColorScheme& s) { s.m_labelItalic = 1; },
        [](CBgColorScheme& s) { s.m_style = 0; },
    };
    const CBgColorScheme base;
    EXPECT_TRUE(base.IsEqual(CBgColorScheme()));
    for (Change change : changes) {
        CBgColorScheme other;
        change(other);
        EXPECT_FALSE(base.IsEqual(other)) << other.WriteText().toStdString();
    }
}

TEST_F(BgColorSchemeTest, LoadingFallsBackStepByStep) {
    CBgColorScheme named;
    named.m_labelFace = "Named";
    CBgColorScheme current;
    current.m_labelFace = "Current";
    CBgColorScheme def;
    def.m_labelFace = "Default";

    struct Case {
        const char* what;
        int set;
        const char* name;
        bool withNamed, withCurrent, withDefault;
        QString face;
        qint32 style;
    } cases[] = {
        {"named", 2, "Mine", true, true, true, "Named", 2},
        {"missing name", 2, "Absent", true, true, true, "Current", 2},
        {"no current", 2, "Absent", false, false, true, "Default", 2},
        {"empty store, screen set", 2, "Absent", false, false, false, "MS Serif", 0},
        {"empty store, print set", 10, "(Current)", false, false, false, "Arial", 0},
    };
    for (const Case& c : cases) {
        testenv::ResetSettings();
        if (c.withNamed)
            named.Save(c.set, "Mine");
        if (c.withCurrent)
            current.Save(c.set, "(Current)");
        if (c.withDefault)
            def.Save(c.set, "Default");
        CBgColorScheme s;
        s.Load(c.set, c.name);
        EXPECT_EQ(s.m_labelFace, c.face) << c.what;
        EXPECT_EQ(s.m_style, c.style) << c.what;
    }
    testenv::ResetSettings();
    CBgColorScheme fallback;
    fallback.Load(0, "Nothing");
    EXPECT_EQ(fallback.WriteText(), kPellVegas);
}

TEST_F(BgColorSchemeTest, TheWorkingCopyGoesToBothTreesAndNamedSchemesToTheRecentOne) {
    store().SetUser("alice");
    CBgColorScheme s;
    s.m_labelFace = "Saved";
    s.Save(0, "(Current)");
    s.Save(0, "Mine");
    EXPECT_EQ(store().GetString(section(0), "(Current)", QString(), true), s.WriteText());
    EXPECT_EQ(store().GetRecentString(section(0), "(Current)", QString()), s.WriteText());
    EXPECT_TRUE(store().GetString(section(0), "Mine", QString(), true).isEmpty());
    EXPECT_EQ(store().GetRecentString(section(0), "Mine", QString()), s.WriteText());

    // The constructor without a text loads the working copy of the stored style, and keeps that style.
    store().WriteInt("BgColorPrefs", "nStyle", 0);
    CBgColorScheme loaded(-1);
    EXPECT_EQ(loaded.m_labelFace, "Saved");
    EXPECT_EQ(loaded.m_style, 0);
    EXPECT_EQ(CBgColorScheme(2, QString("0 1")).m_style, 2);
}

TEST_F(BgColorSchemeTest, DeletingKeepsTheProtectedNames) {
    CBgColorScheme s;
    const QString names[] = {"(Current)", "Default", "default", "(current)", "Mine", "Other"};
    for (const QString& name : names)
        s.Save(2, name);
    CBgColorScheme::DeleteNamed(2, "Mine");
    CBgColorScheme::DeleteNamed(2, "default");
    CBgColorScheme::DeleteNamed(2, "(CURRENT)");
    CBgColorScheme::DeleteNamed(2, "Absent");
    EXPECT_TRUE(store().GetRecentString(section(2), "Mine", QString()).isEmpty());
    EXPECT_FALSE(store().GetRecentString(section(2), "Other", QString()).isEmpty());
    EXPECT_FALSE(store().GetRecentString(section(2), "Default", QString()).isEmpty());
    EXPECT_FALSE(store().GetRecentString(section(2), "(Current)", QString()).isEmpty());
}

TEST_F(BgColorSchemeTest, AFreshStartInstallsTheTableAndDrawsInTwoDimensions) {
    InitColorSchemeStore();
    EXPECT_EQ(store().GetRecentInt("BgColorPrefs", "nVersion", 0), 6);
    EXPECT_EQ(store().GetIntEx("BgColorPrefs", "nStyle", -1), 0);
    const struct {
        int set, items;
        const char* last;
    } sets[] = {{0, 19, "Pell Vegas"}, {2, 18, "Pell Vegas"}, {10, 4, "Grayscale"}};
    for (const auto& s : sets) {
        EXPECT_EQ(store().GetRecentInt(dirSection(s.set), "nItems", 0), s.items);
        EXPECT_EQ(store().GetRecentString(dirSection(s.set), "0", QString()), "(Current)");
        EXPECT_EQ(store().GetRecentString(dirSection(s.set), QString::number(s.items - 1), QString()),
                  s.last);
        EXPECT_EQ(store().GetRecentString(dirSection(s.set), "strCurrentScheme", QString()), "Default");
    }
    int count = 0;
    const BgBuiltInScheme* rows = BuiltInSchemes(&count);
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(store().GetRecentString(section(rows[i].set), rows[i].name, QString()), rows[i].text);
}

TEST_F(BgColorSchemeTest, TheCapabilityDecidesTheScreenStyle) {
    struct Case {
        int capability;
        bool installed; // the table is already in place
        int expectedStyle;
    } cases[] = {
        {0, false, 2}, {1, false, 0}, {2, false, 0}, {3, false, 0}, {4, false, 0},
        {0, true, 2},  {1, true, 0},  {2, true, 2},  {3, true, 0},  {4, true, 0},
    };
    for (const Case& c : cases) {
        testenv::ResetSettings();
        if (c.installed) {
            InitColorSchemeStore([] { return 0; });
            store().WriteInt("BgColorPrefs", "nStyle", 2); // the user chose the 3D board
        }
        InitColorSchemeStore([&] { return c.capability; });
        EXPECT_EQ(store().GetIntEx("BgColorPrefs", "nStyle", -1), c.expectedStyle)
            << c.capability << (c.installed ? " again" : " first");
    }
}

TEST_F(BgColorSchemeTest, AnInstalledTableIsLeftAlone) {
    InitColorSchemeStore([] { return 0; });
    CBgColorScheme mine;
    mine.m_labelFace = "Mine";
    mine.Save(0, "Default");
    store().WriteRecentString(dirSection(0), "strCurrentScheme", "Oak");
    InitColorSchemeStore([] { return 0; });
    EXPECT_EQ(store().GetRecentString(section(0), "Default", QString()), mine.WriteText());
    EXPECT_EQ(store().GetRecentString(dirSection(0), "strCurrentScheme", QString()), "Oak");
}

TEST_F(BgColorSchemeTest, AnUpgradeCarriesTheOldChoiceOver) {
    CBgColorScheme old;
    old.m_labelFace = "Old Face";
    const QString oldText = old.WriteText();
    struct Case {
        const char* what;
        int style;
        const char* chosen;
        bool withNamedText, withCurrentText;
        int version;
        const char* expectedName; // null: nothing carried over
    } cases[] = {
        {"old Default", 0, "Default", true, false, 0, "Pell Vegas"},
        {"own name", 2, "My Board", true, false, 0, "My Board"},
        {"working copy only", 0, "My Board", false, true, 5, "My Board"},
        {"no text", 0, "My Board", false, false, 0, nullptr},
        {"style unknown", 1, "My Board", true, true, 0, nullptr},
        {"no name", 2, "", true, true, 0, nullptr},
    };
    for (const Case& c : cases) {
        testenv::ResetSettings();
        store().WriteRecentInt("BgColorPrefs", "nVersion", c.version);
        store().WriteInt("BgColorPrefs", "nStyle", c.style);
        store().WriteString(dirSection(c.style), "strCurrentScheme", c.chosen);
        if (c.withNamedText)
            store().WriteString(section(c.style), c.chosen, oldText);
        if (c.withCurrentText)
            store().WriteString(section(c.style), "(Current)", oldText);
        InitColorSchemeStore([] { return 0; });
        EXPECT_EQ(store().GetRecentInt("BgColorPrefs", "nVersion", 0), 6) << c.what;
        if (!c.expectedName) {
            EXPECT_EQ(store().GetIntEx("BgColorPrefs", "nStyle", -1), 2) << c.what;
            EXPECT_EQ(store().GetRecentString(dirSection(2), "strCurrentScheme", QString()), "Default")
                << c.what;
            continue;
        }
        EXPECT_EQ(store().GetIntEx("BgColorPrefs", "nStyle", -1), c.style) << c.what;
        EXPECT_EQ(store().GetRecentString(dirSection(c.style), "strCurrentScheme", QString()), c.expectedName)
            << c.what;
        EXPECT_EQ(store().GetRecentString(section(c.style), "(Current)", QString()), oldText) << c.what;
        EXPECT_EQ(CBgColorScheme(c.style).m_labelFace, "Old Face") << c.what;
    }
}

} // namespace
