#pragma once

#include "../game/GameDocTestUtil.h"

#include "game/BackgammonDoc.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "version.h"

#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

#include <memory>

namespace exporttest {

// A three point match between Ann (the user, side 1) and Bob, refereed by the server, with chat:
// game 1 has a double and its take, a redouble and a drop; Bob opens game 2, the Crawford game, and
// Ann resigns it. Two positions are marked for printing. A watcher's whisper goes into the exports,
// the opponent's does not.
struct PlayedMatch {
    gametest::FakeSession session{"Ann", ".gb.Ann.Bob"};
    std::unique_ptr<CBackgammonDoc> doc;

    // Without a folder, matches are not saved automatically.
    // With texts, the automatic save writes the plain and Snowie texts too.
    explicit PlayedMatch(const QString& autoSaveFolder = QString(), bool texts = false) {
        testenv::ResetSettings();
        GetSettingsStore().WriteBool(QStringLiteral("Backgammon"), QStringLiteral("AutoSaveFormatTxt"), texts);
        GetSettingsStore().WriteBool(QStringLiteral("Backgammon"), QStringLiteral("AutoSaveFolderSnv"), texts);
        GetSettingsStore().WriteBool(QStringLiteral("Backgammon"), QStringLiteral("SaveWhilePlaying"),
                                     !autoSaveFolder.isEmpty());
        GetSettingsStore().WriteString(QStringLiteral("Backgammon"), QStringLiteral("SaveFolder"), autoSaveFolder);
        doc = std::make_unique<CBackgammonDoc>(&session);
        doc->SetupPlayersFromService();
        CBGRuleOptions::Values v;
        v.matchLength = 3;
        v.crawford = true;
        v.rated = true;
        doc->StartMatch(CBGRuleOptions(v));
        doc->SetSubtitle(0, QStringLiteral("Friday league, round 2"));
        doc->SetPlayerRating(1, 1612.4);
        doc->SetPlayerRating(2, 1550.6);
        Move("n 5 2");
        Chat(203, "Bob", "good luck {and} have fun \\o/");
        Move("m 13/8 13/11");
        Move("r 6 4");
        Move("m 1/7 12/16");
        Chat(194, "Bob", "I whisper to my friends only");
        Chat(194, "Cy", "nice opening");
        Move("d");
        Move("a");
        Move("r 3 1");
        markedPlay = doc->GetMatchRecord().GetCount();
        Move("m 8/5 6/5");
        Chat(207, "Ann", "smiles");
        Move("d");
        Move("k");
        Chat(168, "", "Bob wins the game.");
        Move("n 1 3");
        markedOpening = doc->GetMatchRecord().GetCount() - 1;
        Move("m 12/15 1/2");
        Chat(38, "Cy", "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}\\f0 A {\\b bold} note on the opening.\\par}");
        Move("r 2 2");
        Chat(212, "Cy", "well played");
        Move("x 1");
        Move("y");
        doc->SetMoveMark(markedPlay, 1);
        doc->SetMoveMark(markedOpening + 1, 1);
    }

    void Move(const QString& command) {
        session.source = QStringLiteral(".");
        doc->OnPacket(CBackgammonDoc::kMovePacket,
                      QStringLiteral("%1 %2").arg(doc->GetMatchRecord().GetMoveCount() + 1).arg(command));
    }
    void Chat(int type, const QString& from, const QString& text) {
        session.source = from;
        doc->OnPacket(type, text);
    }

    int markedPlay = 0;
    int markedOpening = 0;
};

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QString DataPath(const char* name) {
    return QStringLiteral(NORVALE_SOURCE_DIR "/tests/records/data/") + QLatin1String(name);
}

// Compares with a committed file; NORVALE_UPDATE_GOLDEN=1 rewrites the file instead.
inline void ExpectGolden(const QByteArray& actual, const char* name) {
    const QString path = DataPath(name);
    if (qEnvironmentVariableIntValue("NORVALE_UPDATE_GOLDEN") == 1) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(actual);
        return;
    }
    const QByteArray expected = ReadFile(path);
    ASSERT_FALSE(expected.isEmpty()) << "missing golden file " << name;
    EXPECT_EQ(actual.toStdString(), expected.toStdString()) << name;
}

} // namespace exporttest
