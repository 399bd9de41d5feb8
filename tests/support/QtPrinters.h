#pragma once

#include <QString>
#include <ostream>

// GoogleTest prints a QString as the text it holds.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
