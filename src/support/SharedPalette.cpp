#include "support/SharedPalette.h"

namespace {
bool validSlot(int slot) { return slot >= 0 && slot < CSharedPalette::kSlotCount; }
} // namespace

int CSharedPalette::SetSlotColor(platform::COLORREF colour, int slot) {
    std::lock_guard lock(m_mutex);
    if (slot == -1) {
        for (int i = 0; i < kSlotCount; ++i) {
            if (!m_inUse[i]) {
                slot = i;
                break;
            }
        }
    }
    if (!validSlot(slot))
        return -1;
    m_colours[slot] = colour;
    m_inUse[slot] = true;
    return slot;
}

platform::COLORREF CSharedPalette::GetSlotColor(int slot) const {
    return validSlot(slot) ? kPaletteIndexFlag | platform::COLORREF(slot) : platform::kNoColor;
}

void CSharedPalette::FreeSlot(int slot) {
    std::lock_guard lock(m_mutex);
    if (validSlot(slot))
        m_inUse[slot] = false;
}

bool CSharedPalette::IsSlotInUse(int slot) const {
    std::lock_guard lock(m_mutex);
    return validSlot(slot) && m_inUse[slot];
}

platform::COLORREF CSharedPalette::ResolveColor(platform::COLORREF colour) const {
    if ((colour & 0xFF000000) != kPaletteIndexFlag)
        return colour;
    const quint32 index = colour & 0xFFFF;
    std::lock_guard lock(m_mutex);
    return index < quint32(kSlotCount) && (colour & 0x00FF0000) == 0 ? m_colours[index] : platform::kNoColor;
}

CSharedPalette& GetSharedPalette() {
    static CSharedPalette palette;
    return palette;
}
