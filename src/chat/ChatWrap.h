#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The pixel width of a text in the font a line is measured with.
using TextWidthFunction = std::function<int(const QString& text)>;

// Continuation lines begin with this, so the eye sees where a chat line goes on.
inline constexpr char kContinuationIndent[] = "   ";

// Cuts one chat line's display text into display lines no wider than clientWidth where the words
// allow: a text that fits and holds no line break stays whole; otherwise words (each with the
// blanks that follow it) are gathered until the next would overflow, every line break ends a
// display line, and each display line after the first starts with kContinuationIndent. A word wider
// than the whole width stands alone on its line. Carriage returns are dropped.
QStringList WrapChatText(const QString& text, int clientWidth, const TextWidthFunction& widthOf);
