#pragma once

#include "platform/Win32Codes.h"

#include <QtGlobal>

#include <array>
#include <mutex>

// Sixteen colour slots that list controls share for tints they compute (watermark, row shade). A slot
// is named to painters by its palette-index colour, PALETTEINDEX(slot) = 0x01000000 | slot, which
// ResolveColor turns back into the plain COLORREF (0x00BBGGRR) held in the slot. The colour comes
// first in SetSlotColor, so the slot can default to -1 (the first free one).
class CSharedPalette {
public:
    static constexpr int kSlotCount = 16;
    static constexpr platform::COLORREF kPaletteIndexFlag = 0x01000000;

    // Puts colour into slot, or into the first free slot when slot is -1 -> the slot used, -1 when
    // none is free or the slot is out of range. The slot is in use from then on.
    int SetSlotColor(platform::COLORREF colour, int slot = -1);
    // The palette-index colour of a slot (platform::kNoColor for a slot out of range).
    platform::COLORREF GetSlotColor(int slot) const;
    // Marks a slot free (its colour stays until the slot is used again).
    void FreeSlot(int slot);
    bool IsSlotInUse(int slot) const;

    // A palette-index colour of a slot -> the colour in that slot (platform::kNoColor when the index
    // is out of range); any other colour is returned as it is.
    platform::COLORREF ResolveColor(platform::COLORREF colour) const;

private:
    mutable std::mutex m_mutex;
    std::array<platform::COLORREF, kSlotCount> m_colours{};
    std::array<bool, kSlotCount> m_inUse{};
};

// The application's one shared palette.
CSharedPalette& GetSharedPalette();
