#pragma once

#include <QByteArray>
#include <QString>

class QMimeData;

// The clipboard as the program uses it: plain text, or the same content as text and as RTF so that
// word processors paste it formatted. RTF goes under both of its mime types.
namespace platform {

inline constexpr char kRtfMimeType[] = "text/rtf";
inline constexpr char kRtfMimeTypeAlt[] = "application/rtf";

// A new mime data object (the caller owns it) with text/plain and, when rtf is not empty, both RTF types.
QMimeData* MakeTextAndRtfMimeData(const QString& text, const QByteArray& rtf);

void SetClipboardText(const QString& text);
void SetClipboardTextAndRtf(const QString& text, const QByteArray& rtf);

QString ClipboardText();
// The RTF on the clipboard under either type; empty when there is none.
QByteArray ClipboardRtf();

} // namespace platform
