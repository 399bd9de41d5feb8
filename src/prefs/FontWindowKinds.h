#pragma once

#include <QString>

// The kinds of text window whose font and colours the user chooses on the "Font" page, each stored
// in the settings section named after the window's class. The index is the window kind that the
// General Properties sheet is opened with.
enum FontWindowKind {
    kFontKindChatView = 0,
    kFontKindMatchLog = 1,
    kFontKindPlayerList = 2,
    kFontKindMatchBoard = 3,
    kFontKindAnnotation = 4,
    kFontKindFriends = 5,
    kFontKindGagged = 6,
    kFontKindBlinded = 7,
    kFontKindMail = 8,
};
constexpr int kFontWindowKindCount = 9;

struct FontWindowKindInfo {
    QString section;
    const char* label;
    bool hasWatermarkOption;
    bool hasHighlightColors;
};

// The kind's section, its label in the page's list and its options; an index out of range gives
// the chat view's. The match log's and the match board's sections are the game module's view
// class names.
FontWindowKindInfo GetFontWindowKind(int index);
