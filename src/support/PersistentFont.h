#pragma once

#include "platform/LogFont.h"

#include <QFont>
#include <QString>

// A text window's font as it is stored: the "Font" value of the window's settings section, one line
//   height weight italic charset out-precision clip-precision quality pitch-and-family "face"
// with the logical font's numbers in decimal and the face in double quotes.

// Stored heights beyond this many pixels (either sign) and weights beyond 1000 are not fonts anyone
// chose: such a text does not parse.
constexpr int kMaxStoredFontHeight = 4000;

// The description text of a logical font. A double quote cannot be part of the face: it is dropped.
QString FormatFontDescription(const platform::LogFont& font);

// Strict: the eight numbers, then the face from the first double quote after them up to the next
// one (or the end), cut to 31 characters. False, with font untouched, when a number is missing or
// out of range or no double quote follows the numbers.
bool ParseFontDescription(const QString& text, platform::LogFont& font);

// Lenient, as the font page reads a text: as many of the eight numbers as parse are read in order
// into font (the others keep what font held), and the face is the text after the first double quote
// with a final double quote removed, cut to 31 characters (kept as it was when there is no quote).
// -> how many numbers were read.
int ReadFontDescriptionLeniently(const QString& text, platform::LogFont& font);

// The face cut to the stored length without splitting a character made of two UTF-16 units.
QString CutFaceName(const QString& face);

// The font to draw a logical font with. A face that was cut to the stored length matches the
// installed family whose name it begins.
QFont FontFromLogFont(const platform::LogFont& font);

// The installed family a stored face stands for: the same name, or for a face of the full stored
// length a longer family name that begins with it; the face itself when nothing matches.
QString ResolveFaceName(const QString& face);

// The desktop's default text font as the font page offers it: the message font at weight 400, not
// italic; when the desktop gives none, a zeroed font of the dialog font's height, "Arial", variable
// pitch, swiss family.
platform::LogFont DefaultPageFont();

// A font that loads itself from the "Font" value of a settings section and remembers the section.
// Loading from a section without a font falls back to the desktop's message font and writes it
// into the section, so the next start reads the same font.
class CPersistentFont {
public:
    CPersistentFont() = default;

    // Remembers the section and loads its font (with an empty section nothing is read or written):
    // the stored font when there is one, else the desktop's message font, written into the section.
    // -> whether a font was created (always, as any face can be substituted).
    bool Load(const QString& section);
    bool LoadFrom(const QString& section) { return Load(section); }

    // Creates the stored font of section; when its text does not parse, a 10-point default by kind
    // (1 "Courier New" fixed pitch, modern family; 2 "MSSansSerif" variable pitch; any other
    // "System"), written into the section. dpi 0: the screen's.
    bool CreateFromSettings(const QString& section, int defaultKind, int dpi = 0);

    // Writes the description of all eight numbers and the face as "Font" of the remembered section;
    // nothing when no section is set.
    void SaveDescription(const platform::LogFont& font) const;

    // The default font of a kind, as CreateFromSettings makes it.
    static platform::LogFont DefaultFont(int defaultKind, int dpi = 0);

    bool IsNull() const { return !m_created; }
    // Drops the font (the section is kept).
    void DeleteObject();
    const platform::LogFont& GetLogFont() const { return m_logFont; }
    // The font to draw with; the application's font while none was created.
    QFont GetFont() const;
    const QString& GetSection() const { return m_section; }

private:
    // Qt substitutes a family for any face, so creating a font never fails.
    void Create(const platform::LogFont& font);

    QString m_section;
    platform::LogFont m_logFont;
    QFont m_font;
    bool m_created = false;
};
