// A mail store is rewritten whole on every commit. For a 10 MB store of 5,000 messages one commit
// must cost at most twice a plain write and sync of a file of the same size; both are measured
// side by side here, and the "ratio" counter is the commit's time over the plain write's.
#include "RawWrite.h"
#include "mail/MessageHeader.h"
#include "mail/MessagingOleDocument.h"
#include "platform/Archive.h"
#include "platform/CompoundFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>


namespace {

using Clock = std::chrono::steady_clock;

void BM_CommitAgainstRawWrite(benchmark::State& state) {
    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    // The store is laid down in one go, then opened as the client opens it.
    CMessageHeader last;
    {
        platform::CompoundFile file;
        if (file.Create(folder + QStringLiteral("bench.nvm")) != platform::stg::S_OK) {
            state.SkipWithError("cannot make the store");
            return;
        }
        platform::ArchiveWriter list;
        list.WriteStringList({QStringLiteral("Inbox"), QStringLiteral("Outbox")});
        file.WriteStream({QStringLiteral("Contents")}, QByteArray());
        file.WriteStream({QStringLiteral("StorageFolders")}, list.data());
        file.CreateStorage({QStringLiteral("AddressBooks")});
        file.WriteStream({QStringLiteral("AddressBooks"), QStringLiteral("Default")}, QByteArray());
        file.CreateStorage({QStringLiteral("Inbox")});
        file.CreateStorage({QStringLiteral("Outbox")});
        const QString body(1900, u'm');
        for (int i = 0; i < 5000; ++i) {
            CMessageHeader header(QStringLiteral("Subject %1").arg(i), QStringLiteral("Ann"), QStringLiteral("Bob"),
                                  QString(), QStringLiteral("2006/12/06:1630"), QString(), 0, kStatusNew, 0, 1);
            header.SetFolderName(QStringLiteral("Inbox"));
            header.SetMessageId(QStringLiteral("Bob200612061630%1").arg(i));
            platform::ArchiveWriter record;
            header.Store(record);
            record.WriteString(body);
            file.WriteStream({QStringLiteral("Inbox"), header.GetMessageId()}, record.data());
            last = header;
        }
        if (file.Commit() != platform::stg::S_OK) {
            state.SkipWithError("cannot write the store");
            return;
        }
    }
    CMessagingOleDocument store(folder, QStringLiteral("bench"));
    if (!store.IsOpen()) {
        state.SkipWithError("cannot open the store");
        return;
    }
    const QByteArray same(QFileInfo(store.GetPath()).size(), 'r');
    state.counters["store_MB"] = double(same.size()) / 1e6;
    double commitSeconds = 0, rawSeconds = 0;
    for (auto _ : state) {
        last.m_status = last.m_status == kStatusNew ? kStatusRead : kStatusNew;
        const auto start = Clock::now();
        if (!store.UpdateHeader(last))
            std::abort();
        commitSeconds += std::chrono::duration<double>(Clock::now() - start).count();
        rawSeconds += RawWriteAndSync(dir.filePath(QStringLiteral("raw.bin")), same);
    }
    state.counters["commit_ms"] = benchmark::Counter(commitSeconds * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["raw_ms"] = benchmark::Counter(rawSeconds * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["ratio"] = rawSeconds > 0 ? commitSeconds / rawSeconds : 0;
}
BENCHMARK(BM_CommitAgainstRawWrite)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

BENCHMARK_MAIN();
