#include "lobby/RankingDlg.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/SessionFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"
#include "support/controls/SpinButton.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <climits>

namespace {

const QString kSection = QString::fromLatin1(CBGDisplayRankingDlg::kQuerySection);

class RankingDlgTest : public testenv::SessionTest {
protected:
    void SetUp() override {
        testenv::SessionTest::SetUp();
        ASSERT_TRUE(Login(QStringLiteral("alice")));
        session->SetPlayerInfoHandler([this](const QString& name) { infoShown.append(name); });
    }
    void TearDown() override {
        testenv::scriptedUi().SetDialogHandler(nullptr);
        if (CBGDisplayRankingDlg* open = CBGDisplayRankingDlg::GetOpen())
            delete open;
        testenv::SessionTest::TearDown();
    }

    // Opens the window through its filter, answered with OK after the given show option.
    CBGDisplayRankingDlg* OpenWith(int option, int entries = 10) {
        testenv::scriptedUi().SetDialogHandler([=](QDialog* dialog) {
            auto* filter = dynamic_cast<CBGSelectRankingDlg*>(dialog);
            if (!filter)
                return int(platform::IDCANCEL);
            filter->CheckItem(CBGSelectRankingDlg::ShowOptionIds()[option]);
            filter->SetItemText(CBGSelectRankingDlg::kIdEntries, QString::number(entries));
            return filter->Press(platform::IDOK);
        });
        return CBGDisplayRankingDlg::Open(session.get(), nullptr);
    }

    // The next frame must be the ranking request -> its text.
    QString ExpectRequest() {
        const auto frame = server->Expect(CBGDisplayRankingDlg::kPacketRequest);
        if (!frame)
            return QString();
        EXPECT_EQ(frame->Destination(), QStringLiteral(".rt"));
        return frame->Text();
    }

    void Reply(const QString& rows) { ServerRoute(QStringLiteral(".rt"), 240, rows); }

    QStringList infoShown;
};

TEST_F(RankingDlgTest, EachShowOptionAsksForItsPageAndDescribesIt) {
    GetSettingsStore().WriteInt(QStringLiteral("CBGSelectRankingDlg"), QStringLiteral("nNumberedRanking"), 40);
    GetSettingsStore().WriteString(QStringLiteral("CBGSelectRankingDlg"), QStringLiteral("strNamedRanking"),
                                   QStringLiteral("bob"));
    struct Case {
        int option;
        QString request;
        QString description;
    } cases[] = {
        {0, "BGRankingDialogCookie 10 0 0 0 \"bob\"", "Showing the 10 highest ranked players"},
        {1, "BGRankingDialogCookie 10 1 0 2147483647 \"bob\"", "Showing the 10 lowest ranked players"},
        {2, "BGRankingDialogCookie 10 2 1 39 \"alice\"", "Showing the 10 players closest to my ranking"},
        {3, "BGRankingDialogCookie 10 2 1 39 \"bob\"", "Showing the 10 players closest to bob"},
        {4, "BGRankingDialogCookie 10 0 0 39 \"bob\"", "Showing the 10 players starting at 40"},
    };
    for (const Case& c : cases) {
        CBGDisplayRankingDlg* window = OpenWith(c.option);
        ASSERT_NE(window, nullptr) << c.option;
        EXPECT_EQ(ExpectRequest(), c.request) << c.option;
        EXPECT_EQ(window->GetItemText(CBGDisplayRankingDlg::kIdDescription), c.description) << c.option;
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Backgammon Rankings"));
        EXPECT_EQ(window->CellText(0, 0), QStringLiteral("Working..."));
        EXPECT_FALSE(window->Item(CBGDisplayRankingDlg::kIdPlayerInfo)->isEnabled());
        delete window;
    }
    // Choosing oneself by name reads as "my ranking" too; the filter remembers its choice.
    GetSettingsStore().WriteString(QStringLiteral("CBGSelectRankingDlg"), QStringLiteral("strNamedRanking"),
                                   QStringLiteral("alice"));
    CBGDisplayRankingDlg* window = OpenWith(3, 5);
    EXPECT_EQ(ExpectRequest(), QStringLiteral("BGRankingDialogCookie 5 2 1 39 \"alice\""));
    EXPECT_EQ(window->GetItemText(CBGDisplayRankingDlg::kIdDescription),
              QStringLiteral("Showing the 5 players closest to my ranking"));
    EXPECT_EQ(window->GetItemText(CBGDisplayRankingDlg::kIdNext), QStringLiteral("&Next 5"));
    EXPECT_EQ(window->GetItemText(CBGDisplayRankingDlg::kIdPrevious), QStringLiteral("&Previous 5"));
    EXPECT_EQ(GetSettingsStore().GetIntEx(QStringLiteral("CBGSelectRankingDlg"), QStringLiteral("nShowOption"), -1), 3);
    // A second "Rankings..." brings up the same window without asking again.
    testenv::scriptedUi().SetDialogHandler([](QDialog*) -> int {
        ADD_FAILURE() << "the filter ran again";
        return platform::IDCANCEL;
    });
    EXPECT_EQ(CBGDisplayRankingDlg::Open(session.get(), nullptr), window);
}

TEST_F(RankingDlgTest, AnswersFillThePagesAndThePagingButtonsFollow) {
    CBGDisplayRankingDlg* window = OpenWith(0);
    ASSERT_NE(window, nullptr);
    ExpectRequest();
    EXPECT_FALSE(window->Item(CBGDisplayRankingDlg::kIdPrevious)->isEnabled());

    // Another requester's answer is left alone.
    Reply(QStringLiteral("OtherCookie 1 0 \"x\" \"1\" 1"));
    EXPECT_EQ(window->CellText(0, 0), QStringLiteral("Working..."));

    Reply(QStringLiteral("BGRankingDialogCookie 2 0 \"ann\" \"1623.456\" 312 1 \"bob\" \"1500\" 7"));
    ASSERT_EQ(window->RowCount(), 2);
    const QStringList first{window->CellText(0, 0), window->CellText(0, 1), window->CellText(0, 2),
                            window->CellText(0, 3)};
    EXPECT_EQ(first, (QStringList{"ann", "1623.46", "312", "1"}));
    EXPECT_EQ(window->CellText(1, 1), QStringLiteral("1500.00"));
    EXPECT_FALSE(window->Item(CBGDisplayRankingDlg::kIdPrevious)->isEnabled());
    EXPECT_FALSE(window->Item(CBGDisplayRankingDlg::kIdNext)->isEnabled()) << "2 players of 10: the last page";

    // Next asks from the place after this page; the answer there enables Previous.
    window->OnNext();
    EXPECT_EQ(ExpectRequest(), QStringLiteral("BGRankingDialogCookie 10 0 0 10 \"UserName\""));
    EXPECT_EQ(window->GetItemText(CBGDisplayRankingDlg::kIdDescription),
              QStringLiteral("Showing the 10 players starting at 11"));
    Reply(QStringLiteral("BGRankingDialogCookie 1 5 \"carl\" \"1400.5\" 3"));
    EXPECT_EQ(window->GetFirstPlace(), 5);
    EXPECT_TRUE(window->Item(CBGDisplayRankingDlg::kIdPrevious)->isEnabled());
    // From place 5 a page of 10 back starts at the top.
    window->OnPrevious();
    EXPECT_EQ(ExpectRequest(), QStringLiteral("BGRankingDialogCookie 10 0 0 0 \"UserName\""));
    Reply(QStringLiteral("BGRankingDialogCookie 1 0 \"ann\" \"1623.456\" 312"));
    window->OnPrevious(); // on the first page: nothing
    EXPECT_TRUE(server->NothingReceived());

    window->OnNext();
    ExpectRequest();
    Reply(QStringLiteral("BGRankingDialogCookie 0"));
    ASSERT_EQ(window->RowCount(), 1);
    EXPECT_EQ(window->CellText(0, 0), QStringLiteral("- No players in range -"));
}

TEST_F(RankingDlgTest, DamagedAnswersShowWhatCameBeforeTheDamage) {
    CBGDisplayRankingDlg* window = OpenWith(0);
    ASSERT_NE(window, nullptr);
    ExpectRequest();
    struct Case {
        QString answer;
        QStringList nicknames;
    } cases[] = {
        {"BGRankingDialogCookie 3 0 \"ann\" \"1600\" 1 1 \"bob\"", {"ann"}},
        {"BGRankingDialogCookie 999999999 0 \"ann\" \"x\" 1", {"ann"}},
        {"BGRankingDialogCookie", {"- No players in range -"}},
        {"BGRankingDialogCookie -4", {"- No players in range -"}},
        {"BGRankingDialogCookie 1 zero \"ann\" \"1\" 1", {"- No players in range -"}},
    };
    for (const Case& c : cases) {
        Reply(c.answer);
        QStringList shown;
        for (int row = 0; row < window->RowCount(); ++row)
            shown << window->CellText(row, 0);
        EXPECT_EQ(shown, c.nicknames) << c.answer.toStdString();
    }
    EXPECT_EQ(window->CellText(0, 1), QString()) << "no rating for a message row";
}

TEST_F(RankingDlgTest, PlayerInfoOpensForAListedPlayerOnly) {
    CBGDisplayRankingDlg* window = OpenWith(0);
    ASSERT_NE(window, nullptr);
    ExpectRequest();
    QWidget* info = window->Item(CBGDisplayRankingDlg::kIdPlayerInfo);
    window->SelectRow(0); // "Working..."
    EXPECT_FALSE(info->isEnabled());
    Reply(QStringLiteral("BGRankingDialogCookie 2 0 \"ann\" \"1600\" 1 1 \"bob\" \"1500\" 2"));
    EXPECT_FALSE(info->isEnabled());
    window->SelectRow(1);
    EXPECT_TRUE(info->isEnabled());
    qobject_cast<QPushButton*>(info)->click();
    EXPECT_EQ(infoShown, QStringList{"bob"});
    Reply(QStringLiteral("BGRankingDialogCookie 0"));
    window->SelectRow(0);
    EXPECT_FALSE(info->isEnabled());
    window->OnPlayerInfo();
    EXPECT_EQ(infoShown, QStringList{"bob"});
}

TEST_F(RankingDlgTest, TheFilterRefusesValuesOutOfRangeAndCancelOpensNothing) {
    struct Case {
        int id;
        QString text;
    } cases[] = {
        {CBGSelectRankingDlg::kIdEntries, "0"},
        {CBGSelectRankingDlg::kIdEntries, "31"},
        {CBGSelectRankingDlg::kIdNames, "abcdefghijklmnopqrstuvwxyz"},
        {CBGSelectRankingDlg::kIdPlaces, "0"},
        {CBGSelectRankingDlg::kIdPlaces, "10000000"},
        {CBGSelectRankingDlg::kIdPlaces, "first"},
    };
    for (const Case& c : cases) {
        testenv::scriptedUi().clear();
        CBGSelectRankingDlg filter(QStringLiteral("alice"), nullptr);
        filter.EnsureInitialized();
        if (auto* names = filter.ItemAs<QComboBox>(CBGSelectRankingDlg::kIdNames))
            names->lineEdit()->setMaxLength(100); // as if pasted past the box's limit
        filter.SetItemText(c.id, c.text);
        EXPECT_EQ(filter.Press(platform::IDOK), 0) << c.text.toStdString();
        EXPECT_FALSE(filter.HasEnded());
        EXPECT_EQ(testenv::scriptedUi().asked().size(), 1u) << c.text.toStdString();
    }
    EXPECT_EQ(GetSettingsStore().GetIntEx(QStringLiteral("CBGSelectRankingDlg"), QStringLiteral("nEntries"), -1), -1);

    // The combo boxes follow the option.
    CBGSelectRankingDlg filter(QStringLiteral("alice"), nullptr);
    filter.EnsureInitialized();
    // The arrows stop at 10; a typed 30 is still taken.
    EXPECT_EQ(filter.ItemAs<CSpinButton>(CBGSelectRankingDlg::kIdSpin)->Maximum(), 10);
    EXPECT_FALSE(filter.Item(CBGSelectRankingDlg::kIdNames)->isEnabled());
    qobject_cast<QAbstractButton*>(filter.Item(CBGSelectRankingDlg::kIdClosestTo))->click();
    EXPECT_TRUE(filter.Item(CBGSelectRankingDlg::kIdNames)->isEnabled());
    EXPECT_FALSE(filter.Item(CBGSelectRankingDlg::kIdPlaces)->isEnabled());
    qobject_cast<QAbstractButton*>(filter.Item(CBGSelectRankingDlg::kIdStartingAt))->click();
    EXPECT_FALSE(filter.Item(CBGSelectRankingDlg::kIdNames)->isEnabled());
    EXPECT_TRUE(filter.Item(CBGSelectRankingDlg::kIdPlaces)->isEnabled());

    testenv::scriptedUi().SetDialogHandler([](QDialog*) { return int(platform::IDCANCEL); });
    EXPECT_EQ(CBGDisplayRankingDlg::Open(session.get(), nullptr), nullptr);
    EXPECT_TRUE(server->NothingReceived());
}

} // namespace
