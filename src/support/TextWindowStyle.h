#pragma once

#include "platform/Win32Codes.h"

#include <QString>

// The command line draws with the chat view's font, stored again in its own section.
inline constexpr char kCommandLineViewSection[] = "CCommandLineView";

// The four colours and the watermark switch of a text window kind. A colour of kNoColor draws
// nothing in that colour.
struct CTextWindowColors {
    static constexpr char kTextColour[] = "Text Colour";
    static constexpr char kBackgroundColour[] = "Background Colour";
    static constexpr char kSelectedBackgroundColour[] = "Selected Text Background Colour";
    static constexpr char kSelectedTextColour[] = "Selected Text Colour";
    static constexpr char kShowWatermark[] = "bShowWatermark";

    platform::COLORREF text = 0;
    platform::COLORREF background = 0;
    platform::COLORREF selectedBackground = 0;
    platform::COLORREF selectedText = 0;
    bool showWatermark = true;

    // The desktop's window text, window, highlight and highlight-text colours; watermark on.
    static CTextWindowColors SystemDefaults();
    // The section's values, each missing one from SystemDefaults.
    static CTextWindowColors Load(const QString& section);
    // Writes the five values in the order text, selected background, selected text, background,
    // watermark.
    void Save(const QString& section) const;

    bool operator==(const CTextWindowColors&) const = default;
};
