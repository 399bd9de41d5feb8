#pragma once

#include <QString>

class CPacketCursor;

// The small text forms of contests (matches) and their rules: the contest description line, the
// twelve-number rules text and short lists of integers. The match document and the money-session
// continuation use them.

// "<name> i<id> 0 <description>[; <extra>]:" followed by the two fields, each a quoted text-packet
// string, with nothing between them. The id text is hexadecimal ("1f" gives i31).
void FormatContestDescription(QString& out, const QString& idHex, const QString& name, const QString& extra,
                              const QString& description, const QString& first, const QString& second);

// The head is the text before the first ':' (the whole text without one). After the ':' come the two
// quoted fields as FormatContestDescription writes them; an older form holds plain text there, which
// is then taken whole as the second field (the first stays empty). So what FormatContestDescription
// writes always splits back into its two fields.
void SplitContestDescription(const QString& text, QString& head, QString& first, QString& second);

// The rules text: up to twelve integers before the first '!', then one quoted string. Numbers 1-5 go
// to values[0..4], 7-9 to values[5..7], 11 to values[8], 10 to values[9]; 6 and 12 are read and
// dropped. Reading stops at the first number missing, leaving the values not reached untouched (so
// callers set their defaults first). Without a '!' part the text is emptied.
void ParseContestRules(const QString& text, int (&values)[10], QString& outText);

// Decimal integers separated by single blanks.
void FormatFourIntegers(QString& out, int a, int b, int c, int d);
void FormatThreeIntegers(QString& out, int a, int b, int c);
// Sets the four to 0, then reads up to four integer fields in order; false when the text is not empty
// and any of the four is missing or not a whole integer.
bool ReadFourIntegers(const QString& text, int& a, int& b, int& c, int& d);

// Three quoted strings, an integer, a quoted decimal and two integers, in that order. True only when
// all seven fields were read: a truncated text is a failure, not a partial success.
bool ReadContestTerms(CPacketCursor& cursor, QString& first, QString& second, QString& third, int& number,
                      double& amount, int& fourth, int& fifth);
