// A busy lobby: 100,000 chat lines (a third of them long enough to wrap) arrive through the session
// into a chat log of the default limit and a chat view that shows them. Reports lines per second and
// the memory the log and the view hold afterwards; one variant lets the view paint every 100 lines.
#include "BenchMain.h"
#include "chat/ChatLog.h"
#include "chat/ChatView.h"
#include "session/SessionDoc.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <fstream>

namespace {

constexpr int kLines = 100000;

const QString& LongText() {
    static const QString text = QStringLiteral(
        "anyone up for a quick 5 point match? I play fast and I never leave in the middle of a game, "
        "promise, just ask around the lobby");
    return text;
}

// Shared texts are counted for each holder: an upper bound.
qint64 StringBytes(const QString& text) {
    return text.capacity() * qint64(sizeof(QChar));
}

// What the log and the view keep for their lines: the records and their texts.
qint64 BytesHeld(const CChatLog& log, const CChatView& view) {
    qint64 bytes = 0;
    for (const auto& element : log.Lines())
        bytes += qint64(sizeof(CLogElement)) + StringBytes(element->GetName()) + StringBytes(element->GetText());
    for (int i = 0; i < view.GetLineCount(); ++i)
        bytes += qint64(sizeof(CLineBufferData)) + StringBytes(view.GetLine(i).text);
    return bytes;
}

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        long value = 0;
        if (key == "VmRSS:" && status >> value)
            return value;
        status.ignore(1 << 12, '\n');
    }
    return 0;
}

void BM_AddChatLines(benchmark::State& state) {
    const int paintEvery = int(state.range(0));
    const QStringList senders{QStringLiteral("alice"), QStringLiteral("bob"), QStringLiteral("carol")};
    qint64 held = 0;
    int displayLines = 0;
    long rssBefore = ResidentKilobytes();
    long rssAfter = rssBefore;
    for (auto _ : state) {
        CSessionDoc session;
        CChatLog log(&session);
        session.SetChatLog(&log);
        CChatView view;
        view.Create(&session);
        view.resize(600, 400);
        if (paintEvery > 0)
            view.show();
        for (int i = 0; i < kLines; ++i) {
            const QString& sender = senders[i % senders.size()];
            if (i % 3 == 0)
                session.AddChatLine(sender, LongText(), ChatKind::Said);
            else if (i % 50 == 1)
                session.AddChatLine(QString(), QStringLiteral("%1 has joined the lobby.").arg(sender), ChatKind::System);
            else
                session.AddChatLine(sender, QStringLiteral("line %1").arg(i), ChatKind::Said);
            if (paintEvery > 0 && i % paintEvery == 0)
                QApplication::processEvents();
        }
        state.PauseTiming();
        held = BytesHeld(log, view);
        displayLines = view.GetLineCount();
        rssAfter = ResidentKilobytes();
        session.SetChatLog(nullptr);
        state.ResumeTiming();
    }
    state.counters["lines_per_second"] =
        benchmark::Counter(double(kLines) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["bytes_held"] = double(held);
    state.counters["display_lines"] = displayLines;
    state.counters["rss_growth_kb"] = double(rssAfter - rssBefore);
}
BENCHMARK(BM_AddChatLines)->Arg(0)->Arg(100)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks<QApplication>(argc, argv);
}
