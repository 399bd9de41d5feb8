// Replies to the command line's "/client_version" (packet 183) and "/whereis" (packet 184) as the
// server relays them. A reply with another cookie is left alone; ours gives at most one version line
// and at most one line per listed player, each opening with a nickname that holds neither a blank
// nor an "@".

#include "FuzzTarget.h"

#include "chat/CommandLineView.h"

namespace {

QString leadingName(const QString& line, const QString& after) {
    const qsizetype end = line.indexOf(after);
    return end < 0 ? QString() : line.left(end);
}

} // namespace

NORVALE_FUZZ_TARGET(command_line_reply)(const uint8_t* data, size_t size) {
    const QString text = QString::fromLatin1(fuzz::Bytes(data, size));
    const bool version = text.startsWith(QLatin1String(CCommandLineView::kVersionCookie) + QLatin1Char(' ')) ||
                         text == QLatin1String(CCommandLineView::kVersionCookie);
    const bool whereis = text.startsWith(QLatin1String(CCommandLineView::kWhereisCookie) + QLatin1Char(' ')) ||
                         text == QLatin1String(CCommandLineView::kWhereisCookie);

    const std::optional<QStringList> versionLines = CCommandLineView::VersionReplyLines(text);
    fuzz::Check(versionLines.has_value() == version, "a version reply taken by the wrong cookie", text);
    if (versionLines) {
        fuzz::Check(versionLines->size() <= 1, "more than one version line", text);
        for (const QString& line : *versionLines) {
            const QString name = leadingName(line, QStringLiteral(" client version: "));
            fuzz::Check(!name.isEmpty() && !name.contains(QLatin1Char(' ')), "a version line without its nickname", line);
            fuzz::Check(line.size() <= text.size() + 16, "a version line longer than its reply", line);
        }
    }

    const std::optional<QStringList> whereisLines = CCommandLineView::WhereisReplyLines(text);
    fuzz::Check(whereisLines.has_value() == whereis, "a whereis reply taken by the wrong cookie", text);
    if (whereisLines) {
        const qsizetype entries = text.split(QLatin1Char(' '), Qt::SkipEmptyParts).size() - 1;
        fuzz::Check(whereisLines->size() <= entries, "more whereis lines than entries", text);
        for (const QString& line : *whereisLines) {
            const bool away = line.endsWith(QLatin1String(" is not connected to the server."));
            const QString name = away ? leadingName(line, QStringLiteral(" is not connected"))
                                      : leadingName(line, QStringLiteral(" is in "));
            fuzz::Check(!name.isEmpty() && !name.contains(QLatin1Char(' ')) && !name.contains(QLatin1Char('@')),
                        "a whereis line without its nickname", line);
        }
    }
}
