#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

#include <vector>

// The pictures of the player lists, read from res/bitmaps/ by resource number or name: status icons,
// watermarks and the tool bar strips. Loaded once and kept (GUI thread only).
namespace UserListArt {

// Status icon resources.
constexpr int kIconWatchingNotReady = 381;
constexpr int kIconWatchingReady = 382;
constexpr int kIconAway = 414;
constexpr int kIconReadyAlternate = 415;
constexpr int kIconReady = 416;
constexpr int kIconConnected = 417;
constexpr int kIconPlaying = 418;

// Watermark resources.
constexpr int kWatermarkFriends = 465;
constexpr int kWatermarkGagged = 466;
constexpr int kWatermarkBlinded = 467;

constexpr int kToolBarImageSize = 32;
// The colour of tool bar strips that stands for "transparent" (light grey).
constexpr unsigned kToolBarMaskColour = 0xC0C0C0;

// A status icon; null for a number that has none.
QPixmap StatusIcon(int id);

// A watermark as a coverage mask (Format_Alpha8: 255 where the picture is drawn); null when missing.
// A picture without transparency counts its dark pixels as drawn.
QImage WatermarkMask(int id);
// The mask drawn in one colour.
QPixmap TintMask(const QImage& mask, const QColor& colour);

// The images of a tool bar strip ("TBMatchBoard"), cut into 32 x 32 squares left to right, with
// light grey made transparent; empty when the strip is missing.
std::vector<QPixmap> ToolBarImages(const QString& name);

// The player lists' tool bar images: the game's list strip followed by its own tool bar strip, each
// image an icon with its disabled form (left out when the disabled strips are shorter).
std::vector<QIcon> ListToolBarIcons();

} // namespace UserListArt
