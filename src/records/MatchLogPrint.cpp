#include "records/MatchLogPrint.h"

#include "platform/RtfReader.h"
#include "support/SettingsStore.h"

#include <QAbstractTextDocumentLayout>
#include <QLocale>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <cmath>
#include <cstdlib>
#include <vector>

// ---- measurements ------------------------------------------------------------------------------

namespace {

struct TMeasureUnit {
    int twipsPerUnit;
    const char* name;
    bool blank; // a blank between the number and the name
};

constexpr TMeasureUnit kUnits[] = {
    {1440, "\"", false}, {568, "cm", true},    {20, "pt", true},          {240, "pi", true},
    {1440, "in", false},  {1440, "inch", false}, {1440, "inches", false},
};
constexpr int kUnitCount = int(sizeof kUnits / sizeof kUnits[0]);
int g_unit = 0;

} // namespace

int CurrentMeasureUnit() {
    return g_unit;
}
void SetCurrentMeasureUnit(int index) {
    g_unit = index >= 0 && index < kUnitCount ? index : 0;
}
int LocaleMeasureUnit() {
    return QLocale().measurementSystem() == QLocale::ImperialUSSystem ? 0 : 1;
}

bool ParseMeasurement(const QString& text, int& twips) {
    const QByteArray bytes = text.trimmed().toLatin1();
    if (bytes.isEmpty())
        return false;
    // The number in the C locale whatever the user's: "2.5" is two and a half everywhere.
    qsizetype end = 0;
    while (end < bytes.size() && (std::isdigit(uchar(bytes[end])) || bytes[end] == '.' || bytes[end] == '-' ||
                                  bytes[end] == '+'))
        ++end;
    bool ok = false;
    const double value = QByteArray(bytes.left(end)).toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return false;
    const QByteArray name = bytes.mid(end).trimmed();
    int unit = g_unit;
    if (!name.isEmpty()) {
        unit = -1;
        for (int i = 0; i < kUnitCount && unit < 0; ++i)
            if (qstricmp(name.constData(), kUnits[i].name) == 0)
                unit = i;
        if (unit < 0)
            return false;
    }
    const double exact = value * kUnits[unit].twipsPerUnit;
    if (std::abs(exact) > 1e9)
        return false;
    g_unit = unit;
    twips = int(exact >= 0 ? exact + 0.5 : exact - 0.5);
    return true;
}

QString FormatMeasurement(int twips, int decimals) {
    const TMeasureUnit& unit = kUnits[g_unit];
    decimals = std::clamp(decimals, 0, 4);
    // The value in hundredths (or the decimals asked for), rounded half away from zero, in integers.
    long long scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    const long long scaled = (std::llabs(twips) * scale * 2 + unit.twipsPerUnit) / (2LL * unit.twipsPerUnit);
    int shown = decimals;
    long long digits = scaled;
    while (shown > 0 && digits % 10 == 0) {
        digits /= 10;
        --shown;
    }
    QString number = QString::number(scaled / scale);
    if (shown > 0) {
        const long long fraction = (scaled % scale);
        QString fractionText = QString::number(fraction).rightJustified(decimals, QLatin1Char('0'));
        number += QLatin1Char('.') + fractionText.left(shown);
    }
    if (twips < 0 && scaled != 0)
        number.prepend(QLatin1Char('-'));
    return number + (unit.blank ? QStringLiteral(" ") : QString()) + QLatin1String(unit.name);
}

// ---- settings ----------------------------------------------------------------------------------

CMatchLogPrintSettings CMatchLogPrintSettings::Load() {
    CSettingsStore& store = GetSettingsStore();
    const QString section = QLatin1String(kSection);
    CMatchLogPrintSettings s;
    s.imageWidth = store.GetIntEx(section, QLatin1String(kImageWidthName), s.imageWidth);
    s.columns = store.GetIntEx(section, QLatin1String(kColumnsName), s.columns);
    s.left = store.GetIntEx(section, QStringLiteral("Left Margin"), s.left);
    s.right = store.GetIntEx(section, QStringLiteral("Right Margin"), s.right);
    s.top = store.GetIntEx(section, QStringLiteral("Top Margin"), s.top);
    s.bottom = store.GetIntEx(section, QStringLiteral("Bottom Margin"), s.bottom);
    return s;
}

void CMatchLogPrintSettings::Save() const {
    CSettingsStore& store = GetSettingsStore();
    const QString section = QLatin1String(kSection);
    store.WriteInt(section, QLatin1String(kImageWidthName), imageWidth);
    store.WriteInt(section, QLatin1String(kColumnsName), columns);
    store.WriteInt(section, QStringLiteral("Left Margin"), left);
    store.WriteInt(section, QStringLiteral("Right Margin"), right);
    store.WriteInt(section, QStringLiteral("Top Margin"), top);
    store.WriteInt(section, QStringLiteral("Bottom Margin"), bottom);
}

QString CMatchLogPrintSettings::Check() const {
    if (columns < 1 || columns > 2)
        return QStringLiteral("The match log prints in one or two columns; \"Columns To Print\" is %1.").arg(columns);
    if (imageWidth < 144 || imageWidth > 14400)
        return QStringLiteral("The printed board must be between 0.1 and 10 inches wide; it is set to %1 twips.")
            .arg(imageWidth);
    if (left < 0 || right < 0 || top < 0 || bottom < 0)
        return QStringLiteral("The print margins cannot be negative.");
    return QString();
}

// ---- printing ----------------------------------------------------------------------------------

namespace {

// One laid-out line of the document: where it lies and whether it must stay with what follows.
struct Line {
    double top;
    double bottom;
    bool keepWithNext; // the last line of a keep-with-next paragraph
};

std::vector<Line> LinesOf(QTextDocument& document) {
    std::vector<Line> lines;
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QRectF box = layout->blockBoundingRect(block);
        const QTextLayout* text = block.layout();
        const bool keep = block.blockFormat().property(platform::RtfReader::kKeepWithNextProperty).toBool();
        for (int i = 0; i < text->lineCount(); ++i) {
            const QTextLine line = text->lineAt(i);
            lines.push_back({box.top() + line.y(), box.top() + line.y() + line.height(),
                             keep && i == text->lineCount() - 1});
        }
        if (text->lineCount() == 0)
            lines.push_back({box.top(), box.bottom(), keep});
    }
    return lines;
}

// Pictures wider than their paragraph's room in a column are scaled down to fit it.
void FitPictures(QTextDocument& document, double width) {
    struct Change {
        int position;
        int length;
        QTextImageFormat format;
    };
    std::vector<Change> changes;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat paragraph = block.blockFormat();
        const double room =
            std::max(24.0, width - paragraph.leftMargin() - paragraph.rightMargin() - std::max(0.0, paragraph.textIndent()));
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat image = fragment.charFormat().toImageFormat();
            if (image.width() <= room)
                continue;
            image.setHeight(image.height() * room / image.width());
            image.setWidth(room);
            changes.push_back({fragment.position(), fragment.length(), image});
        }
    }
    for (const Change& change : changes) {
        QTextCursor cursor(&document);
        cursor.setPosition(change.position);
        cursor.setPosition(change.position + change.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(change.format);
    }
}

// How far inside a column's first and last lines the document is asked to draw, in layout units.
constexpr double kEdge = 0.01;

} // namespace

int PrintRtfInColumns(QPrinter* printer, const QByteArray& rtf, const CMatchLogPrintSettings& settings, int columns,
                      QString* error) {
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return 0;
    };
    if (!printer)
        return fail(QStringLiteral("Cannot format for printing"));
    // The columns asked for are the ones checked: a position prints in one whatever the settings say.
    CMatchLogPrintSettings used = settings;
    used.columns = columns;
    if (const QString why = used.Check(); !why.isEmpty())
        return fail(why);
    printer->setFullPage(true);
    // Paper and margins in points of 1/96 inch, the unit the document is laid out in.
    const QSizeF paper = printer->pageLayout().fullRectPoints().size() * (96.0 / 72.0);
    const auto px = [](int twips) { return twips / 15.0; };
    // Sized in the layout's units (1/96 inch), which the painter scales to the printer's.
    QFont footerFont(QStringLiteral("Times New Roman"));
    footerFont.setPixelSize(12);
    const double footer = 2 * QFontMetricsF(footerFont).height();
    const double columnWidth =
        (paper.width() - px(settings.left) - px(settings.right) - (columns - 1) * px(CMatchLogPrintSettings::kGap)) /
        columns;
    const double columnHeight = paper.height() - px(settings.top) - px(settings.bottom) - footer;
    if (columnWidth < 72 || columnHeight < 72)
        return fail(QStringLiteral("The margins leave no room to print on this paper: make them smaller, or print "
                                   "in one column."));

    QTextDocument document;
    document.setDocumentMargin(0);
    platform::RtfReader().Read(rtf, document);
    document.setTextWidth(columnWidth);
    FitPictures(document, columnWidth);
    const std::vector<Line> lines = LinesOf(document);

    QPainter painter;
    if (!painter.begin(printer))
        return fail(QStringLiteral("The printer could not be opened."));
    const double scale = printer->resolution() / 96.0;
    std::size_t next = 0;
    int page = 0;
    while (next < lines.size() || page == 0) {
        if (page > 0)
            printer->newPage();
        ++page;
        painter.save();
        painter.scale(scale, scale);
        for (int column = 0; column < columns && next < lines.size(); ++column) {
            const double start = lines[next].top;
            std::size_t end = next;
            while (end < lines.size() && lines[end].bottom - start <= columnHeight)
                ++end;
            // Keep-with-next paragraphs go on with what follows them, when that leaves something here and
            // the run fits in a column; a longer run breaks where the column ends.
            if (end < lines.size()) {
                std::size_t back = end;
                while (back > next && lines[back - 1].keepWithNext)
                    --back;
                // The run goes on to the first line that does not keep with the next, which it stays with.
                std::size_t last = end;
                while (last + 1 < lines.size() && lines[last].keepWithNext)
                    ++last;
                if (back > next && lines[last].bottom - lines[back].top <= columnHeight)
                    end = back;
            }
            if (end == next)
                ++end; // a line taller than the column is cut, never left behind for ever
            const double stop = end < lines.size() ? lines[end].top : lines.back().bottom;
            const double x = px(settings.left) + column * (columnWidth + px(CMatchLogPrintSettings::kGap));
            painter.save();
            painter.translate(x, px(settings.top) - start);
            const QRectF clip(0, start, columnWidth, std::min(stop - start, columnHeight));
            painter.setClipRect(clip);
            // The document draws every line that touches the rectangle it is given, even one that only
            // meets its edge; drawn under the clip, such a line would be in the file as hidden text. So
            // it is given a rectangle a hair inside the column's lines.
            document.drawContents(&painter, clip.adjusted(0, kEdge, 0, -kEdge));
            painter.restore();
            next = end;
        }
        painter.setFont(footerFont);
        const QRectF footerRect(0, paper.height() - px(settings.bottom) - footer, paper.width(), footer);
        painter.drawText(footerRect, Qt::AlignHCenter | Qt::AlignBottom | Qt::TextSingleLine,
                         QStringLiteral("Page %1").arg(page));
        painter.restore();
    }
    painter.end();
    return page;
}

void PrepareMatchLogPrintDialog(QPrintDialog& dialog) {
    dialog.setOption(QAbstractPrintDialog::PrintSelection, true);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setMinMax(1, 65535);
    if (auto* selection = dialog.findChild<QRadioButton*>(QStringLiteral("printSelection")))
        selection->setText(QStringLiteral("Current po&sition"));
}
