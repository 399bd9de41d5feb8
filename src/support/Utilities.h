#pragma once

#include "support/NoCaseStringMap.h"
#include "support/SharedPalette.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QtGlobal>

// Small helpers shared by every part of the client: tokens and name lists, nicknames, time stamps,
// files and system figures.

// The text before the first of the delimiter characters; that text and the delimiter are removed
// from source. Two adjacent delimiters give an empty token. With no delimiter in it, the whole source
// is returned and source becomes empty.
QString NextToken(QString& source, QStringView delimiters);

// Empties list, cuts text at each delimiter character and appends the non-empty pieces in order.
void SplitToStringList(QStringList& list, QStringView text, QStringView delimiters);

// The names joined for a sentence, leaving out every entry equal to leaveOut (nickname comparison,
// see FoldNickname; nothing is left out when it is empty): "Ann", "Ann and Bob", "Ann, Bob and Cy".
QString JoinNameList(const QStringList& names, const QString& leaveOut = QString());

// The value of hexadecimal digits (either case), accumulated as value * 16 + digit in 32 bits that
// wrap around; reading stops at the first character that is not a hex digit. 0 for an empty text.
quint32 HexTextToInt(QStringView text);

// Nicknames are 1 to 24 ASCII letters and digits.
constexpr qsizetype kMaxUserNameLength = 24;
bool IsValidUserName(QStringView text);
// The ASCII letters and digits of text, at most the first 24 of them.
QString NormalizeUserName(QStringView text);
// The nickname's key form: a-z become A-Z, every other character stays as it is.
QString FoldNickname(QStringView nickname);
// Whether two nicknames are the same user: letters a-z compare without regard to case, every other
// character is itself.
bool SameNickname(QStringView a, QStringView b);

// Local time as "%Y/%m/%d:%H%M" ("2024/03/07:0915").
QString CurrentTimeStampText();
QString TimeStampText(const QDateTime& time);
// Local time by mode: 0 the date "%d-%02d-%02d" (year, month, day), 1 the time "%02d:%02d:%02d",
// any other mode the date, a blank and the time.
QString FormatLocalTimeStamp(int mode);
QString FormatLocalTimeStamp(int mode, const QDateTime& time);

// Deletes a file (never a folder), first making it writable when asked -> false when the file
// system refuses or there is no such file.
bool RemoveFile(const QString& path, bool clearReadOnlyFirst);

// The machine's total memory ("16,303,840 KB total") and the free space of the file system of the
// current folder ("52,112 KB free"), as texts for the about box; each becomes "cannot be read" when
// the figure cannot be had. -> false when the free space could not be read.
bool FormatSystemResources(QString& memoryText, QString& diskText);
