#include "platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace platform {

QMimeData* MakeTextAndRtfMimeData(const QString& text, const QByteArray& rtf) {
    auto* data = new QMimeData;
    data->setText(text);
    if (!rtf.isEmpty()) {
        data->setData(QString::fromLatin1(kRtfMimeType), rtf);
        data->setData(QString::fromLatin1(kRtfMimeTypeAlt), rtf);
    }
    return data;
}

void SetClipboardText(const QString& text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(text);
}

void SetClipboardTextAndRtf(const QString& text, const QByteArray& rtf) {
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setMimeData(MakeTextAndRtfMimeData(text, rtf)); // the clipboard takes ownership
}

QString ClipboardText() {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->text() : QString();
}

QByteArray ClipboardRtf() {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data)
        return {};
    for (const char* type : {kRtfMimeType, kRtfMimeTypeAlt}) {
        const QByteArray rtf = data->data(QString::fromLatin1(type));
        if (!rtf.isEmpty())
            return rtf;
    }
    return {};
}

} // namespace platform
