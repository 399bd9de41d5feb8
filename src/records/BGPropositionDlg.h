#pragma once

#include "game/BackgammonBoard.h"
#include "lobby/invite/WagerInviteDlg.h"

#include <QStringList>

class CBackgammonBoardCtl;
class CEdit100ths;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Makes the game factory create the proposition dialog for invitations of game kind 1.
void RegisterPropositionDialog();

// "Backgammon Proposition": the invitation of game kind 1. The offering player picks a saved
// proposition (a ".bgp" of the proposition folder) or sets one up by dragging checkers on the preview
// board, and gives its terms: the consideration one side pays the other, the side he plays, the cube,
// the side on roll, the number of games and the wager per point. The invited player sees the terms,
// may change them, but never names a file: his name is shown as text and Save stays disabled.
class CBGPropositionDlg : public CWagerInviteDlg {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CBGPropositionDlg, CWagerInviteDlg)
public:
    static constexpr int kTemplateId = 322;
    static constexpr int kIdNameList = 1344;
    static constexpr int kIdBrowse = 1404;
    static constexpr int kIdNameText = 1416;
    static constexpr int kIdConsideration = 1002;
    static constexpr int kIdConsiderationSpin = 1019;
    static constexpr int kIdPayeeWhite = 1423;
    static constexpr int kIdPayeeBlack = 1424;
    static constexpr int kIdPlayingWhite = 1389;
    static constexpr int kIdPlayingBlack = 1390;
    static constexpr int kIdCubeValue = 1431;
    static constexpr int kIdCubeSpin = 1430;
    static constexpr int kIdOwnerWhite = 1393;
    static constexpr int kIdOwnerBlack = 1394;
    static constexpr int kIdRollWhite = 1395;
    static constexpr int kIdRollBlack = 1396;
    static constexpr int kIdGames = 1405;
    static constexpr int kIdGamesSpin = 1406;
    static constexpr int kIdDragHint = 1449;
    static constexpr int kIdBoard = 1172;
    static constexpr int kIdSave = 1398;
    static constexpr int kIdBearoff = 33030;
    static constexpr int kIdNotice = 1519;
    static constexpr char kSection[] = "CBGPropositionDlg";
    static constexpr char kDefaultFile[] = "Default.bgp";
    static constexpr char kNoProposition[] = "No proposition could be opened.";
    static constexpr char kNameTooLong[] = "Proposition names cannot be more than %1 characters";
    static constexpr char kUnableToOpen[] = "Unable to open file %1";
    static constexpr char kNeedAccounts[] = "Both players must have Tallybanks\naccounts to play propositions.";
    static constexpr char kWagerNeeded[] = "Propositions are played for money:\nInvite and Play need a wager.";
    static constexpr char kWaiting[] = "Waiting for %1 to answer.";
    static constexpr char kBadCube[] = "Cube value must be between 1 and 32 and be a power of 2.";
    static constexpr char kNameNotYours[] = "The proposition was named by the other player: type a name of your own to save it.";

    CBGPropositionDlg(CInvitationManager* manager, QWidget* parent, const CInviteData& record, bool received);
    ~CBGPropositionDlg() override;

    bool OnInitDialog() override;
    bool CanInvite() const override;
    bool CanPlay() const override;
    QString GetGameName() const override { return QStringLiteral("Backgammon Proposition"); }
    void UpdateButtons() override;
    void StartFromGame(const QString& startText) override;
    void ReceiveRecord(const QString& recordText) override;

    // ---- Files of the proposition folder
    // "PathNames"/"PropositionDir", else the "SaveGame" folder; always ends with '/'.
    static QString GetPropositionDir();
    // The file a proposition name stands for inside folder: path parts and control characters dropped
    // (a name never leaves the folder), ".bgp" added when missing; empty for an empty name.
    static QString PropositionPath(const QString& folder, const QString& name);
    // The ".bgp" files of the folder, sorted; when none is there (or `wanted` names none of them)
    // "Default.bgp" is made with the opening position. Empty when the folder cannot be made or written.
    static QStringList ListPropositions(const QString& folder, const QString& wanted = QString());
    // The reserve kept at 1 to 16 stakes (whole stakes); unchanged without a stake.
    static int ReserveForStake(int stake, int reserve);
    // A typed consideration in hundredths, brought into 0..100 points; nothing typed is 0.
    static int ParseConsideration(const QString& text);
    // A spin click: one hundredth up (delta > 0) or down, kept within 0..99.9 points.
    static int StepConsideration(int hundredths, int delta);
    // The number of games a text typed into the games box stands for: kNoGames when empty, else
    // brought into 1..100.
    static constexpr int kNoGames = 0;
    static int TypedGames(const QString& text);

    // ---- State, for the tests
    const QString& GetPropositionName() const { return m_name; }
    const QString& GetFolder() const { return m_folder; }
    const QString& GetPositionText() const { return m_position; }
    int GetConsiderationHundredths() const { return m_consideration; }
    int GetPlayingIndex() const { return m_playing; }
    int GetPayeeIndex() const { return m_payee; }
    int GetContractLength() const { return m_contract; }
    const CBackgammonBoard& GetPreviewBoard() const { return m_board; }
    CBackgammonBoardCtl* GetPreviewControl() const { return m_preview; }

    // ---- Commands
    // Picks a name of the list (or typed into it).
    void OnPropositionSelected(const QString& name);
    // Takes a file chosen in the file dialog.
    bool OpenPropositionFile(const QString& path);
    void OnBrowse();
    // Writes the preview's position under the proposition name in the folder -> whether it was written.
    bool OnSave();
    // A checker dragged on the preview board ("c from/to") -> whether it was taken.
    bool OnBoardCommand(const QString& command);
    // The you-are-playing, owner, on-roll and cube controls changed.
    void ApplyControlsToBoard();
    // A key typed in the games box: the terms follow what it reads as, the box keeps what was typed
    // (empty is no number: Invite and Play wait for one).
    void OnGamesTyped();
    // The user is done with the games box (left it, pressed Enter, or used its arrows): it shows the
    // number taken, corrected into range.
    void OnGamesEntered();
    // Asks the server for the bear-off chance of the preview's position -> whether it was asked.
    bool OnBearoffEquity();
    // The server's bear-off answer (169 from the server) for this dialog's room is shown.
    int OfferPacket(int type, const QString& body) override;

protected:
    QWidget* CreateTermsPane(QWidget* parent) override;
    QWidget* CreateFootPane(QWidget* parent) override;
    void SaveDefaults() override;
    void LoadDefaults() override;
    void DoDataExchange(platform::DataExchange& dx) override;
    QString GetRulesText() override;
    bool ApplyRulesText(const QString& text) override;
    bool RulesEqual(const QString& a, const QString& b) const override;
    bool AreRulesValid() const override;
    bool IsRated() const override { return false; }
    void OnGuestMatchFound() override {}
    // The reserve is the proposition's own: 1 to 16 stakes.
    bool HasFixedReserve() const override { return false; }
    QString GetStakeLabel() const override { return QStringLiteral("US&$/Point"); }
    void OnAmountEdited(CWagerEditControl* control) override;
    // The inviter plays side 1 (White) in the invitation's room; when the terms give him Black the
    // game is played in the room of the same players the other way round.
    QString GetStartRoom(const CServiceName& room) const override;

private:
    void showSide();
    void loadPropositionList();
    // The name list shows the proposition chosen before, without choosing again.
    void restoreSelection();
    // A typed cube value that is not allowed is told and put back -> whether it is allowed.
    bool checkCubeText();
    QString noticeText() const;
    // The position text of a proposition file; empty, the user told why, when it cannot be read or
    // holds no whole position.
    QString readPropositionFile(const QString& path);
    void showPosition(const QString& text);
    void readControls();
    void writeControls();
    void refreshBearoff();
    void applyPreviewScheme();
    int sideOfIndex(int index) const;
    int indexOfSide(int side) const;
    int viewSide() const { return m_playing == 1 ? 2 : 1; }

    QString m_first;
    QString m_name;
    QString m_folder;
    QString m_position;
    int m_consideration = 100;
    int m_contract = 25;
    int m_playing = 0;
    int m_payee = 0;
    int m_cubeValue = 1;
    int m_cubeOwner = 0; // 0 or 1 (index), used while the cube is not 1
    int m_onRoll = 0;
    bool m_filling = false;
    bool m_edited = false;       // a checker was dragged
    bool m_nameFromPeer = false; // the name came with the other player's terms (play again)
    CBackgammonBoard m_board;

    QComboBox* m_nameList = nullptr;
    QPushButton* m_browse = nullptr;
    QLabel* m_nameText = nullptr;
    CEdit100ths* m_considerationEdit = nullptr;
    QRadioButton* m_radios[8] = {};
    QLineEdit* m_games = nullptr;
    QLabel* m_hint = nullptr;
    QLabel* m_notice = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_bearoff = nullptr;
    CBackgammonBoardCtl* m_preview = nullptr;
};
