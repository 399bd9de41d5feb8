#include "records/BGPropositionDlg.h"

#include "game/PropRuleOptions.h"
#include "lobby/invite/InviteData.h"
#include "platform/Archive.h"
#include "platform/Ui.h"
#include "support/controls/FittingScrollArea.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

class Dialog : public CBGPropositionDlg {
public:
    Dialog(bool received)
        : CBGPropositionDlg(nullptr, nullptr, CInviteData(1, CServiceName(QStringLiteral(".gb.alice.bob"))),
                            received) {}
    using CBGPropositionDlg::ApplyRulesText;
    using CBGPropositionDlg::GetRulesText;
};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A board text from side 1 with the given counts of positions -1..26, its cube and side on roll.
QString PositionText(const std::vector<int>& counts, int cube = 1, int owner = 0, int roll = 1) {
    QStringList parts;
    for (int c : counts)
        parts << QString::number(c);
    return QString("1.0 %1 %2 %3 %4 0 0 0 0").arg(parts.join(' ')).arg(cube).arg(owner).arg(roll);
}

// Positions no game can be played from: White has borne everything off; both sides sit on the bar
// against a closed board.
std::vector<int> AllOff() {
    std::vector<int> v(28, 0);
    v[0] = 15, v[20] = -15;
    return v;
}
std::vector<int> BothClosedOut() {
    std::vector<int> v(28, 0);
    v[26] = 3, v[1] = -3;
    for (int point = 1; point <= 6; ++point)
        v[point + 1] = 2, v[25 - point + 1] = -2;
    return v;
}

QStringList MessagesAsked() {
    QStringList texts;
    for (const auto& asked : testenv::scriptedUi().asked())
        texts << asked.text;
    return texts;
}

std::vector<int> Opening() {
    std::vector<int> v(28, 0);
    v[25] = 2, v[14] = 5, v[9] = 3, v[7] = 5;
    v[2] = -2, v[13] = -5, v[18] = -3, v[20] = -5;
    return v;
}

class PropositionDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        testenv::scriptedUi().clear();
        ASSERT_TRUE(folder.isValid());
        GetSettingsStore().WriteString("PathNames", "PropositionDir", folder.path());
    }
    std::unique_ptr<Dialog> Open(bool received) {
        auto dialog = std::make_unique<Dialog>(received);
        dialog->CreateDialogWindow(CBGPropositionDlg::kTemplateId, nullptr);
        return dialog;
    }
    // Shown, for the tests that click and type as the user does.
    std::unique_ptr<Dialog> Show(bool received) {
        auto dialog = Open(received);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }
    QTemporaryDir folder;
};

TEST(PropositionDlgRules, NamesNumbersAndReserves) {
    const QString dir = "/props/";
    struct PathCase {
        QString name, expected;
    } paths[] = {
        {"Opening", "/props/Opening.bgp"},
        {"Race.BGP", "/props/Race.BGP"},
        {"../../home/x/.bashrc", "/props/.bashrc.bgp"},
        {"C:\\Games\\evil.bgp", "/props/evil.bgp"},
        {"a\x01" "b", "/props/ab.bgp"},
        {"..", ""},
        {"dir/", ""},
        {"", ""},
    };
    for (const auto& c : paths)
        EXPECT_EQ(CBGPropositionDlg::PropositionPath(dir, c.name), c.expected) << c.name.toStdString();

    // Typed considerations keep exact hundredths and are brought into 0..100 points.
    const std::pair<QString, int> typed[] = {{"0.29", 29}, {"1", 100}, {"150", 10000}, {"100", 10000},
                                             {"-3", 0},     {"", 0},    {"abc", 0},      {"99.99", 9999}};
    for (const auto& [text, hundredths] : typed)
        EXPECT_EQ(CBGPropositionDlg::ParseConsideration(text), hundredths) << text.toStdString();
    // The spin never passes 99.9 nor goes below 0.
    EXPECT_EQ(CBGPropositionDlg::StepConsideration(28, 1), 29);
    EXPECT_EQ(CBGPropositionDlg::StepConsideration(9990, 1), 9990);
    EXPECT_EQ(CBGPropositionDlg::StepConsideration(10000, 1), 9990);
    EXPECT_EQ(CBGPropositionDlg::StepConsideration(0, -1), 0);

    // The reserve is 1 to 16 whole stakes.
    const int reserves[][3] = {{100, 50, 100}, {100, 2000, 1600}, {100, 350, 300}, {100, 1600, 1600}, {0, 70, 70}};
    for (const auto& r : reserves)
        EXPECT_EQ(CBGPropositionDlg::ReserveForStake(r[0], r[1]), r[2]) << r[0] << ' ' << r[1];
}

// A first run makes "Default.bgp" with the opening position; a folder with propositions of its own
// gets none unless the wanted one is missing.
TEST_F(PropositionDlgTest, FolderListing) {
    const QString dir = folder.path() + "/new/";
    QStringList names = CBGPropositionDlg::ListPropositions(dir);
    ASSERT_EQ(names, QStringList{"Default.bgp"});
    EXPECT_EQ(LoadBoardFileText(dir + "Default.bgp"), PositionText(Opening()));

    const QString other = folder.path() + "/own/";
    CBackgammonBoard board;
    board.SetupPosition();
    ASSERT_TRUE(QDir().mkpath(other));
    ASSERT_TRUE(board.SaveToFile(other + "race.BGP"));
    EXPECT_EQ(CBGPropositionDlg::ListPropositions(other, "race.bgp"), QStringList{"race.BGP"});
    EXPECT_EQ(CBGPropositionDlg::ListPropositions(other, "gone.bgp"), (QStringList{"Default.bgp", "race.BGP"}));
}

// The offering side: set up by dragging, saved under a typed name inside the folder (a path in the
// name goes nowhere else), reopened unchanged, and the terms carry it.
TEST_F(PropositionDlgTest, OfferSetUpSaveAndReopen) {
    auto dialog = Open(false);
    EXPECT_EQ(dialog->windowTitle(), "Backgammon Proposition");
    EXPECT_EQ(dialog->GetPropositionName(), "Default.bgp");
    EXPECT_TRUE(dialog->Item(CBGPropositionDlg::kIdSave)->isEnabled());
    ASSERT_TRUE(dialog->OnBoardCommand("c 24/20"));
    EXPECT_FALSE(dialog->Item(CBGPropositionDlg::kIdDragHint)->isVisibleTo(dialog.get()));
    EXPECT_FALSE(dialog->OnBoardCommand("r 3 4"));
    const QString position = dialog->GetPositionText();
    EXPECT_NE(position, PositionText(Opening()));

    dialog->SetItemText(CBGPropositionDlg::kIdConsideration, "0.29");
    dialog->SetItemText(CBGPropositionDlg::kIdNameList, "../../escape");
    ASSERT_TRUE(dialog->OnSave());
    const QString saved = folder.path() + "/escape.bgp";
    ASSERT_TRUE(QFileInfo::exists(saved));
    EXPECT_FALSE(QFileInfo::exists(folder.path() + "/../../escape.bgp"));
    EXPECT_EQ(LoadBoardFileText(saved), position);
    auto& store = GetSettingsStore();
    EXPECT_EQ(store.GetString("CBGPropositionDlg", "strPropositionName"), "escape.bgp");
    EXPECT_EQ(store.GetIntEx("CBGPropositionDlg", "fConsideration", -1), 29);

    // Saved again, the file stays byte for byte the same.
    const QByteArray bytes = ReadAll(saved);
    ASSERT_TRUE(dialog->OnSave());
    EXPECT_EQ(ReadAll(saved), bytes);

    bool ok = false;
    const CPropRuleOptions terms = CPropRuleOptions::FromText(dialog->GetRulesText(), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(terms.GetTerms().name, "escape.bgp");
    EXPECT_EQ(terms.GetTerms().position, position);
    EXPECT_EQ(terms.GetTerms().considerationHundredths, 29);

    // A new dialog picks the saved proposition up from the settings.
    auto again = Open(false);
    EXPECT_EQ(again->GetPropositionName(), "escape.bgp");
    EXPECT_EQ(again->GetPositionText(), position);
    EXPECT_EQ(again->GetConsiderationHundredths(), 29);
}

// The cube field always says what the preview shows: a value the board cannot take is put back.
TEST_F(PropositionDlgTest, TheCubeFieldFollowsThePreview) {
    auto dialog = Open(false);
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    auto* field = dialog->ItemAs<QLineEdit>(CBGPropositionDlg::kIdCubeValue);
    const struct {
        const char* typed;
        int cube;
    } cases[] = {{"4", 4}, {"3", 4}, {"64", 4}, {"x", 4}, {"32", 32}, {"1", 1}};
    for (const auto& c : cases) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, c.typed);
        QTest::keyClick(field, Qt::Key_Tab);
        EXPECT_EQ(dialog->GetPreviewBoard().GetCubeValue(), c.cube) << c.typed;
        EXPECT_EQ(field->text(), QString::number(c.cube)) << c.typed;
    }
}

// The receiving side takes the peer's terms corrected, never lets the name choose a file, and
// refuses a position that is not fifteen checkers a side.
TEST_F(PropositionDlgTest, ReceivedTermsAreCorrected) {
    auto dialog = Open(true);
    EXPECT_FALSE(dialog->Item(CBGPropositionDlg::kIdSave)->isEnabled());
    EXPECT_FALSE(dialog->Item(CBGPropositionDlg::kIdNameList)->isEnabled());

    std::vector<int> race = Opening();
    race[25] = 0, race[24] = 2; // side 1's back checkers one pip on
    // Terms as a peer writes them, the consideration as text.
    const auto text = [](const QString& name, const std::vector<int>& counts, const QString& points, int control) {
        QString t = CPropRuleOptions("", name, PositionText(counts), 7, 29, control, 1, false, 0, 0).FormatText();
        return t.replace("\"0.29\"", "\"" + points + "\"");
    };
    EXPECT_TRUE(dialog->ApplyRulesText(text("race", race, "1.5", 0)));
    EXPECT_EQ(dialog->GetPropositionName(), "race");
    EXPECT_EQ(dialog->GetConsiderationHundredths(), 150);
    EXPECT_EQ(dialog->GetContractLength(), 7);
    EXPECT_EQ(dialog->GetPlayingIndex(), 1); // the peer plays side index 0: we play the other
    EXPECT_EQ(dialog->GetPayeeIndex(), 1);
    EXPECT_EQ(dialog->GetPositionText(), PositionText(race));

    std::vector<int> sixteen = Opening();
    sixteen[7] = 6;
    std::vector<int> negative = Opening();
    negative[0] = -1;
    struct Case {
        const char* what;
        QString text;
        bool taken;
        QString name;
        int hundredths;
        int playing;
    } cases[] = {
        {"path in the name", text("../../../tmp/evil", race, "0.5", 0), true, "evil", 50, 1},
        {"consideration too large", text("big", race, "150", 1), true, "big", 10000, 0},
        {"side out of range", text("side", race, "0.5", 7), true, "side", 50, 1},
        {"sixteen checkers", text("sixteen", sixteen, "0.5", 0), false, "side", 50, 1},
        {"negative count", text("neg", negative, "0.5", 0), false, "side", 50, 1},
        {"no terms at all", "5 1 garbage", false, "side", 50, 1},
        {"all borne off", text("off", AllOff(), "0.5", 0), false, "side", 50, 1},
        {"both closed out", text("closed", BothClosedOut(), "0.5", 0), false, "side", 50, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString before = dialog->GetPositionText();
        EXPECT_FALSE(dialog->ApplyRulesText(c.text));
        EXPECT_EQ(dialog->GetPropositionName(), c.name);
        EXPECT_EQ(dialog->GetConsiderationHundredths(), c.hundredths);
        EXPECT_EQ(dialog->GetPlayingIndex(), c.playing);
        if (!c.taken) {
            EXPECT_EQ(dialog->GetPositionText(), before);
        }
        EXPECT_TRUE(CPropRuleOptions::IsCompletePosition(dialog->GetPositionText()));
    }
    // Cubes a proposition cannot have are brought within its rules, and the box shows what is offered.
    const struct {
        int cube, owner, value, ownerAfter;
    } cubes[] = {{3, 1, 2, 1}, {64, 2, 32, 2}, {4096, 1, 32, 1}, {1, 2, 1, 0}};
    for (const auto& c : cubes) {
        SCOPED_TRACE(c.cube);
        QString t = CPropRuleOptions("", "cube", PositionText(race, c.cube, c.owner), 7, 29, 0, 1, false, 0, 0).FormatText();
        EXPECT_FALSE(dialog->ApplyRulesText(t)) << "corrected terms go back";
        CBackgammonBoard offered;
        ASSERT_TRUE(offered.ReadBoardText(CPropRuleOptions::FromText(dialog->GetRulesText()).GetTerms().position, 1));
        EXPECT_EQ(offered.GetCubeValue(), c.value);
        EXPECT_EQ(offered.GetCubeOwner(), c.ownerAfter);
        EXPECT_EQ(dialog->GetItemText(CBGPropositionDlg::kIdCubeValue), QString::number(c.value));
    }
    EXPECT_TRUE(testenv::scriptedUi().asked().empty()) << "a peer raises no box";

    EXPECT_FALSE(dialog->OnSave());
    EXPECT_TRUE(QDir(folder.path()).entryList({"*.bgp"}, QDir::Files).isEmpty());
    EXPECT_TRUE(QDir("/tmp").entryList({"evil*"}, QDir::Files).isEmpty());
    EXPECT_EQ(GetSettingsStore().GetString("CBGPropositionDlg", "strPropositionName"), "");
}

// A folder where "Default.bgp" cannot be made and whose only file has a name too long to offer: the
// user is told, and the dialog opens usable with the position it has.
TEST_F(PropositionDlgTest, AFolderWithoutADefaultAndALongNameOpensUsable) {
    ASSERT_TRUE(QDir(folder.path()).mkdir("Default.bgp"));
    CBackgammonBoard board;
    board.SetupPosition();
    const QString longName = QString(70, 'p') + ".bgp";
    ASSERT_TRUE(board.SaveToFile(folder.path() + "/" + longName));

    auto dialog = Open(false);
    EXPECT_TRUE(MessagesAsked().contains("Proposition names cannot be more than 60 characters"));
    EXPECT_NE(dialog->GetPropositionName(), longName);
    EXPECT_TRUE(CPropRuleOptions::IsCompletePosition(dialog->GetPositionText()));
    EXPECT_TRUE(dialog->Item(CBGPropositionDlg::kIdNameList)->isEnabled());
    EXPECT_TRUE(dialog->isVisible() || !dialog->IsClosed());
    // Choosing the long name again tells the user again, and nothing else changes.
    testenv::scriptedUi().clear();
    auto* list = dialog->ItemAs<QComboBox>(CBGPropositionDlg::kIdNameList);
    emit list->textActivated(longName);
    EXPECT_EQ(MessagesAsked(), QStringList{"Proposition names cannot be more than 60 characters"});
    EXPECT_NE(dialog->GetPropositionName(), longName);
}

// A file that cannot be read is named in a message, and the proposition chosen before stays chosen:
// the name offered always belongs to the position offered. No FIFO is ever opened.
TEST_F(PropositionDlgTest, AnUnreadableFileLeavesThePreviousPropositionChosen) {
    std::vector<int> race = Opening();
    race[25] = 0, race[24] = 2;
    CBackgammonBoard board;
    ASSERT_TRUE(board.ReadBoardText(PositionText(race), 1));
    ASSERT_TRUE(board.SaveToFile(folder.path() + "/race.bgp"));
    GetSettingsStore().WriteString("CBGPropositionDlg", "strPropositionName", "race.bgp");
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(folder.path() + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    platform::ArchiveWriter other;
    other.WriteString(".gp.Black.White");
    other.WriteString("2.0 " + PositionText(race).mid(4));
    write("version.bgp", other.data());
    platform::ArchiveWriter fourteen;
    fourteen.WriteString(".gp.Black.White");
    std::vector<int> short14 = race;
    short14[7] = 4;
    fourteen.WriteString(PositionText(short14));
    write("fourteen.bgp", fourteen.data());
    write("truncated.bgp", other.data().left(20));
    ASSERT_EQ(mkfifo(QFile::encodeName(folder.path() + "/pipe.bgp").constData(), 0600), 0);

    auto dialog = Open(false);
    ASSERT_EQ(dialog->GetPropositionName(), "race.bgp");
    auto* list = dialog->ItemAs<QComboBox>(CBGPropositionDlg::kIdNameList);
    for (const QString name : {"version.bgp", "fourteen.bgp", "truncated.bgp", "pipe.bgp"}) {
        SCOPED_TRACE(name.toStdString());
        testenv::scriptedUi().clear();
        emit list->textActivated(name);
        ASSERT_EQ(MessagesAsked().size(), 1);
        EXPECT_TRUE(MessagesAsked()[0].contains(name)) << MessagesAsked()[0].toStdString();
        EXPECT_EQ(dialog->GetPropositionName(), "race.bgp");
        EXPECT_EQ(list->currentText(), "race.bgp");
        EXPECT_EQ(dialog->GetPositionText(), PositionText(race));
    }
    // The same through "...".
    testenv::scriptedUi().clear();
    testenv::scriptedUi().QueueFileAnswer(folder.path() + "/fourteen.bgp");
    QTest::mouseClick(dialog->ItemAs<QAbstractButton>(CBGPropositionDlg::kIdBrowse), Qt::LeftButton);
    EXPECT_EQ(dialog->GetPropositionName(), "race.bgp");
    EXPECT_EQ(list->currentText(), "race.bgp");
}

// A typed cube value that is not allowed is told and put back; the box shows what is offered.
TEST_F(PropositionDlgTest, ATypedCubeThatIsNotAllowedIsPutBack) {
    auto dialog = Show(false);
    auto* cube = dialog->ItemAs<QLineEdit>(CBGPropositionDlg::kIdCubeValue);
    const auto type = [&](const QString& text) {
        testenv::scriptedUi().clear();
        cube->setFocus();
        cube->selectAll();
        QTest::keyClicks(cube, text);
        QTest::keyClick(cube, Qt::Key_Return);
    };
    type("8");
    EXPECT_TRUE(MessagesAsked().isEmpty()) << MessagesAsked().join('|').toStdString();
    EXPECT_EQ(dialog->GetPreviewBoard().GetCubeValue(), 8);
    for (const QString bad : {"3", "64", "40", "0"}) {
        type(bad);
        EXPECT_EQ(MessagesAsked(), QStringList{CBGPropositionDlg::kBadCube}) << bad.toStdString();
        EXPECT_EQ(cube->text(), "8");
        CPropRuleOptions terms = CPropRuleOptions::FromText(dialog->GetRulesText());
        CBackgammonBoard offered;
        ASSERT_TRUE(offered.ReadBoardText(terms.GetTerms().position, 1));
        EXPECT_EQ(offered.GetCubeValue(), 8);
    }
}

// A position no game can be played from is not offered, and the dialog says why.
TEST_F(PropositionDlgTest, APositionNoGameCanBePlayedFromIsNotOffered) {
    for (const auto& [name, counts] : {std::pair{"off.bgp", AllOff()}, std::pair{"closed.bgp", BothClosedOut()}}) {
        CBackgammonBoard board;
        ASSERT_TRUE(board.ReadBoardText(PositionText(counts), 1));
        ASSERT_TRUE(board.SaveToFile(folder.path() + "/" + name));
    }
    GetSettingsStore().WriteString("CBGPropositionDlg", "strPropositionName", "off.bgp");
    auto dialog = Open(false);
    ASSERT_EQ(dialog->GetPropositionName(), "off.bgp");
    EXPECT_FALSE(dialog->CanInvite());
    dialog->UpdateButtons();
    EXPECT_EQ(dialog->ItemAs<QLabel>(CBGPropositionDlg::kIdNotice)->text().toStdString(),
              CPropRuleOptions::DescribeFault(CPropRuleOptions::PositionFault::kAlreadyWon).toStdString());
    emit dialog->ItemAs<QComboBox>(CBGPropositionDlg::kIdNameList)->textActivated("closed.bgp");
    ASSERT_EQ(dialog->GetPropositionName(), "closed.bgp");
    dialog->UpdateButtons();
    EXPECT_EQ(dialog->ItemAs<QLabel>(CBGPropositionDlg::kIdNotice)->text().toStdString(),
              CPropRuleOptions::DescribeFault(CPropRuleOptions::PositionFault::kNoMoves).toStdString());
}

// Offered and received, the dialog lies on its screen (ctest runs this at 1024 x 700 and at scale 2 too): the
// players, the terms and the board scroll, the wager and the buttons stay in sight below them.
TEST_F(PropositionDlgTest, BothSidesFitTheScreenWithTheWagerAndTheButtonsInSight) {
    for (const bool received : {false, true}) {
        auto dialog = Show(received);
        EXPECT_TRUE(dialog->screen()->availableGeometry().contains(dialog->frameGeometry())) << received;
        for (int id : {CInvitationDlg::kIdInvite, CInvitationDlg::kIdPlay, CInvitationDlg::kIdNoThanks,
                       CInvitationDlg::kIdCancel, CWagerInviteDlg::kIdWager, CWagerInviteDlg::kIdStake,
                       CWagerInviteDlg::kIdReserve}) {
            QWidget* control = dialog->Item(id);
            if (control->isVisibleTo(dialog.get())) {
                EXPECT_TRUE(dialog->rect().contains(QRect(control->mapTo(dialog.get(), QPoint()), control->size())));
                EXPECT_FALSE(dialog->GetBody()->isAncestorOf(control)) << id << " scrolls";
            }
        }
        // What does not fit scrolls: the board can be brought into sight.
        QWidget* board = dialog->Item(CBGPropositionDlg::kIdBoard);
        dialog->GetBody()->ensureWidgetVisible(board, 0, 0);
        EXPECT_TRUE(dialog->GetBody()->IsWhollyInSight(board)) << received;
        EXPECT_FALSE(dialog->GetBody()->horizontalScrollBar()->isVisible()) << "no sideways scrolling";
    }
}

// The hint goes after the first drag, and the board stays where the mouse is.
TEST_F(PropositionDlgTest, TheBoardStaysPutWhenTheHintGoes) {
    auto dialog = Show(false);
    QWidget* board = dialog->Item(CBGPropositionDlg::kIdBoard);
    QWidget* hint = dialog->Item(CBGPropositionDlg::kIdDragHint);
    ASSERT_TRUE(hint->isVisible());
    const QPoint before = board->mapTo(dialog.get(), QPoint());
    ASSERT_TRUE(dialog->OnBoardCommand("c 24/20"));
    QApplication::processEvents();
    EXPECT_FALSE(hint->isVisible());
    EXPECT_EQ(board->mapTo(dialog.get(), QPoint()), before);
}

} // namespace
