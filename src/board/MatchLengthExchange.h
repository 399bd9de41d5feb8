#pragma once

#include <QString>

namespace platform {
class DataExchange;
}

// The match-length edit of the invitation dialogs: empty means a money session (length 0), any other
// length is 1 to 25 points.
constexpr int kMaxMatchLengthPoints = 25;

// Reads the edit's text -> false when it holds anything but blanks and digits. An empty text is 0;
// a number is brought into 1..25 (a run of digits too long for an int counts as above 25).
bool ReadMatchLengthText(const QString& text, int& length);
// The edit's text of a length: empty for 0 (and for no length, below 0).
QString MatchLengthText(int length);

// Data exchange of a match-length edit: loading shows the length; saving reads it as above and writes
// a clamped number back into the edit, so the user sees what was taken. Saving is for the moments the
// user takes the box as done (leaving it, Invite): while he types, the dialog reads the text with
// ReadMatchLengthText and writes nothing back.
void DDX_MatchLength(platform::DataExchange& dx, int id, int& length);
