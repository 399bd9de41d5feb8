#include "support/controls/MappedBitmap.h"

#include "platform/Paths.h"

#include <QEvent>
#include <QPixmap>

CMappedBitmap::CMappedBitmap(QWidget* parent) : QLabel(parent) {}

QImage CMappedBitmap::MapLightGrey(const QImage& image, const QColor& face) {
    if (image.isNull())
        return image;
    QImage mapped = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb faceRgb = face.rgb() & 0x00FFFFFF;
    for (int y = 0; y < mapped.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(mapped.scanLine(y));
        for (int x = 0; x < mapped.width(); ++x)
            if ((line[x] & 0x00FFFFFF) == 0x00C0C0C0)
                line[x] = (line[x] & 0xFF000000) | faceRgb;
    }
    return mapped;
}

bool CMappedBitmap::LoadMappedBitmap(const QString& name) {
    const QString path = name.startsWith(QLatin1Char(':')) ? name : platform::FindResourceFile(name);
    QImage image;
    if (!path.isEmpty())
        image.load(path);
    SetMappedImage(image);
    return !image.isNull();
}

void CMappedBitmap::SetMappedImage(const QImage& image) {
    m_original = image;
    if (image.isNull()) {
        clear();
        return;
    }
    setPixmap(QPixmap::fromImage(MapLightGrey(image, palette().color(QPalette::Button))));
}

void CMappedBitmap::changeEvent(QEvent* event) {
    // A new desktop palette gives a new face colour.
    if (event->type() == QEvent::PaletteChange && !m_original.isNull())
        setPixmap(QPixmap::fromImage(MapLightGrey(m_original, palette().color(QPalette::Button))));
    QLabel::changeEvent(event);
}
