#pragma once

#include <QByteArray>
#include <QString>

// Windows-1252 ("ANSI"), the encoding of everything that crosses the wire or a file.
namespace platform::cp1252 {

// Characters outside the code page become '?'.
QByteArray encode(QStringView text);
QString decode(QByteArrayView bytes);

// Whether the character has a code in the page (encode would not turn it into '?').
bool isEncodable(QChar ch);

} // namespace platform::cp1252
