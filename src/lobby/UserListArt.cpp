#include "lobby/UserListArt.h"

#include "game/ClientGameFactory.h"
#include "platform/Paths.h"

#include <QPainter>

#include <map>

namespace {

QString StatusIconFile(int id) {
    switch (id) {
    case UserListArt::kIconWatchingNotReady:
        return QStringLiteral("status-watching-not-ready.png");
    case UserListArt::kIconWatchingReady:
        return QStringLiteral("status-watching-ready.png");
    case UserListArt::kIconAway:
        return QStringLiteral("status-away.png");
    case UserListArt::kIconReadyAlternate:
        return QStringLiteral("status-ready-alternate.png");
    case UserListArt::kIconReady:
        return QStringLiteral("status-ready.png");
    case UserListArt::kIconConnected:
        return QStringLiteral("status-connected.png");
    case UserListArt::kIconPlaying:
        return QStringLiteral("status-playing.png");
    default:
        return QString();
    }
}

QString WatermarkFile(int id) {
    switch (id) {
    case UserListArt::kWatermarkFriends:
        return QStringLiteral("watermark-friends.png");
    case UserListArt::kWatermarkGagged:
        return QStringLiteral("watermark-gagged.png");
    case UserListArt::kWatermarkBlinded:
        return QStringLiteral("watermark-blinded.png");
    default:
        return QStringLiteral("watermark-%1.png").arg(id);
    }
}

QImage LoadBitmap(const QString& file) {
    if (file.isEmpty())
        return QImage();
    const QString path = platform::FindResourceFile(QStringLiteral("bitmaps/") + file);
    return path.isEmpty() ? QImage() : QImage(path);
}

} // namespace

QPixmap UserListArt::StatusIcon(int id) {
    static std::map<int, QPixmap> cache;
    const auto it = cache.find(id);
    if (it != cache.end())
        return it->second;
    const QImage image = LoadBitmap(StatusIconFile(id));
    QPixmap icon = image.isNull() ? QPixmap() : QPixmap::fromImage(image);
    cache.emplace(id, icon);
    return icon;
}

QImage UserListArt::WatermarkMask(int id) {
    static std::map<int, QImage> cache;
    const auto it = cache.find(id);
    if (it != cache.end())
        return it->second;
    QImage picture = LoadBitmap(WatermarkFile(id));
    QImage mask;
    if (!picture.isNull()) {
        if (picture.hasAlphaChannel()) {
            mask = picture.convertToFormat(QImage::Format_Alpha8);
        } else {
            const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
            mask = QImage(grey.size(), QImage::Format_Alpha8);
            for (int y = 0; y < grey.height(); ++y) {
                const uchar* in = grey.constScanLine(y);
                uchar* out = mask.scanLine(y);
                for (int x = 0; x < grey.width(); ++x)
                    out[x] = uchar(255 - in[x]);
            }
        }
    }
    cache.emplace(id, mask);
    return mask;
}

QPixmap UserListArt::TintMask(const QImage& mask, const QColor& colour) {
    if (mask.isNull())
        return QPixmap();
    QImage tinted(mask.size(), QImage::Format_ARGB32_Premultiplied);
    tinted.fill(Qt::transparent);
    QPainter painter(&tinted);
    painter.drawImage(0, 0, mask);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(tinted.rect(), colour);
    painter.end();
    return QPixmap::fromImage(tinted);
}

std::vector<QPixmap> UserListArt::ToolBarImages(const QString& name) {
    static std::map<QString, std::vector<QPixmap>> cache;
    const auto it = cache.find(name);
    if (it != cache.end())
        return it->second;
    QImage strip = LoadBitmap(name + QStringLiteral(".png"));
    std::vector<QPixmap> images;
    if (!strip.isNull() && strip.height() >= kToolBarImageSize) {
        strip = strip.convertToFormat(QImage::Format_ARGB32);
        const QRgb mask = qRgb(0xC0, 0xC0, 0xC0);
        for (int y = 0; y < strip.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(strip.scanLine(y));
            for (int x = 0; x < strip.width(); ++x) {
                if ((line[x] & 0xFFFFFF) == (mask & 0xFFFFFF) && qAlpha(line[x]) == 255)
                    line[x] = qRgba(0, 0, 0, 0);
            }
        }
        for (int x = 0; x + kToolBarImageSize <= strip.width(); x += kToolBarImageSize)
            images.push_back(QPixmap::fromImage(strip.copy(x, 0, kToolBarImageSize, kToolBarImageSize)));
    }
    cache.emplace(name, images);
    return images;
}

std::vector<QIcon> UserListArt::ListToolBarIcons() {
    const CClientGameFactory& factory = CClientGameFactory::GetFactory();
    std::vector<QIcon> icons;
    for (const bool disabled : {false, true}) {
        std::vector<QPixmap> images = ToolBarImages(factory.GetUserListToolBarBitmap(disabled));
        for (const QPixmap& image : ToolBarImages(factory.GetToolBarBitmap(disabled)))
            images.push_back(image);
        if (!disabled)
            icons.resize(images.size());
        for (size_t i = 0; i < images.size() && i < icons.size(); ++i)
            icons[i].addPixmap(images[i], disabled ? QIcon::Disabled : QIcon::Normal);
    }
    return icons;
}
