#include "chat/ChatWrap.h"

QStringList WrapChatText(const QString& text, int clientWidth, const TextWidthFunction& widthOf) {
    const bool hasBreak = text.contains(u'\n') || text.contains(u'\r');
    if (!hasBreak && widthOf(text) < clientWidth)
        return {text};

    const QString indent = QString::fromLatin1(kContinuationIndent);
    const int indentWidth = widthOf(indent);
    QStringList lines;
    QString line;
    int running = 0;
    bool lineHasWord = false; // beyond the indent
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && text[i] == u'\r')
            ++i;
        const qsizetype start = i;
        while (i < n && text[i] != u'\n' && text[i] != u'\r' && text[i] != u' ')
            ++i;
        while (i < n && text[i] == u' ')
            ++i;
        const QString word = text.mid(start, i - start);
        const bool endsAtBreak = i < n && text[i] == u'\n';
        if (!word.isEmpty()) {
            const int width = widthOf(word);
            if (lineHasWord && running + width > clientWidth) {
                lines.append(line);
                line = indent + word;
                running = widthOf(line);
            } else {
                line += word;
                running += width;
            }
            lineHasWord = true;
        }
        if (endsAtBreak) {
            lines.append(line);
            line = indent;
            running = indentWidth;
            lineHasWord = false;
            ++i;
        }
    }
    // A break at the very end leaves nothing to show after it.
    if (lineHasWord || (!line.isEmpty() && line != indent))
        lines.append(line);
    if (lines.isEmpty())
        lines.append(QString());
    return lines;
}
