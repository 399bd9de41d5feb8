#pragma once

#include <QImage>
#include <QLabel>

// A picture whose light grey (0xC0C0C0, the face colour the artwork was drawn on) takes the desktop's
// button-face colour, so the picture sits on its dialog without a grey box around it.
class CMappedBitmap : public QLabel {
    Q_OBJECT
public:
    explicit CMappedBitmap(QWidget* parent = nullptr);

    // Loads a picture from the program's data files (a name such as "bitmaps/continue.png") or from a
    // Qt resource path (":/..."), maps its light grey and shows it -> false when it cannot be read
    // (the control is then empty).
    bool LoadMappedBitmap(const QString& name);
    // Shows a picture already in memory, mapped the same way.
    void SetMappedImage(const QImage& image);

    // Every pixel of exactly light grey (0xC0C0C0, any alpha) becomes face; the rest stays as it is.
    static QImage MapLightGrey(const QImage& image, const QColor& face);

protected:
    void changeEvent(QEvent* event) override;

private:
    QImage m_original;
};
