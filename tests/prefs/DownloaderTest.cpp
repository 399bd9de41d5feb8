#include "prefs/Downloader.h"

#include "support/HttpTestServer.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using testenv::HttpTestServer;

QByteArray RandomBytes(int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(size);
    for (char& byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

struct Call {
    quint32 bytes;
    int done;
};

class DownloaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_target = m_dir.filePath("target.bin");
    }

    // Runs a download of path into the target and records the progress calls.
    bool Download(const QString& path, quint32 expected = 0, CHttpSession* session = nullptr) {
        CDownloader downloader(m_server.url(path), session);
        m_calls.clear();
        downloader.Run(m_target, expected, [this](quint32 bytes, int done) { m_calls.push_back({bytes, done}); });
        return downloader.Succeeded();
    }

    // Starts a run of downloader on a thread of its own and waits until the server has the request.
    std::thread RunInBackground(CDownloader& downloader, const QString& path, CDownloader::ProgressFn progress = {}) {
        std::thread transfer([this, &downloader, progress] { downloader.Run(m_target, 0, progress); });
        EXPECT_TRUE(m_server.waitForRequests(path, 1));
        return transfer;
    }

    // Only the target may be left in the folder: no temporary file survives a run.
    QStringList FolderEntries() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden); }

    HttpTestServer m_server;
    QTemporaryDir m_dir;
    QString m_target;
    std::vector<Call> m_calls;
};

TEST_F(DownloaderTest, CompleteBodyReachesTargetUnchangedWithProgress) {
    const QByteArray body = RandomBytes(35000); // several blocks
    m_server.setReply("/file", {200, body});

    ASSERT_TRUE(Download("/file"));
    EXPECT_EQ(ReadFile(m_target), body);
    EXPECT_EQ(FolderEntries(), QStringList{"target.bin"});

    // Running totals grow to the whole body, then one final call (expected size, 1).
    ASSERT_GE(m_calls.size(), 2u);
    quint32 previous = 0;
    for (size_t i = 0; i + 1 < m_calls.size(); ++i) {
        EXPECT_EQ(m_calls[i].done, 0);
        EXPECT_GT(m_calls[i].bytes, previous);
        EXPECT_LE(m_calls[i].bytes - previous, 10240u);
        previous = m_calls[i].bytes;
    }
    EXPECT_EQ(previous, quint32(body.size()));
    EXPECT_EQ(m_calls.back().bytes, 0u);
    EXPECT_EQ(m_calls.back().done, 1);

    EXPECT_EQ(m_server.lastHeader("/file", "User-Agent"), "Norvale CDownloader");
    EXPECT_EQ(m_server.lastHeader("/file", "Cache-Control"), "no-cache");
}

TEST_F(DownloaderTest, ExpectedSizeIsEnforced) {
    const QByteArray body = RandomBytes(3000);
    m_server.setReply("/file", {200, body});

    ASSERT_TRUE(Download("/file", 3000));
    EXPECT_EQ(ReadFile(m_target), body);
    EXPECT_EQ(m_calls.back().bytes, 3000u);
    EXPECT_EQ(m_calls.back().done, 1);

    // A complete answer of another length is no success, and the good file stays.
    m_server.setReply("/other", {200, RandomBytes(2999)});
    EXPECT_FALSE(Download("/other", 3000));
    EXPECT_EQ(ReadFile(m_target), body);
    EXPECT_EQ(m_calls.back().bytes, 3000u);
    EXPECT_EQ(m_calls.back().done, 0);
    EXPECT_EQ(FolderEntries(), QStringList{"target.bin"});

    // A server that sends more than it announced is cut off at the announced size: nothing beyond
    // it is written or reported.
    m_server.setReply("/flood", {200, RandomBytes(200000)});
    EXPECT_FALSE(Download("/flood", 1000));
    for (const Call& call : m_calls)
        EXPECT_LE(call.bytes, 1000u);
    EXPECT_EQ(ReadFile(m_target), body);
    EXPECT_EQ(FolderEntries(), QStringList{"target.bin"});
}

TEST_F(DownloaderTest, ShortBodyFailsAndLeavesOldTarget) {
    WriteFile(m_target, "old content");
    HttpTestServer::Reply shortReply(200, RandomBytes(400));
    shortReply.announcedLength = 1000;
    m_server.setReply("/short", shortReply);

    // Whether or not the caller knows the size, a connection that drops early is a failure.
    EXPECT_FALSE(Download("/short", 1000));
    EXPECT_EQ(m_calls.back().done, 0);
    EXPECT_FALSE(Download("/short", 0));
    EXPECT_EQ(m_calls.back().done, 0);
    EXPECT_EQ(ReadFile(m_target), "old content");
    EXPECT_EQ(FolderEntries(), QStringList{"target.bin"});
}

TEST_F(DownloaderTest, ErrorStatusIsAFailureWhateverTheBody) {
    WriteFile(m_target, "old content");
    m_server.setReply("/missing", {404, "<html>Not Found</html>"});
    m_server.setReply("/broken", {500, "oops"});

    CDownloader missing(m_server.url("/missing"));
    missing.Run(m_target);
    EXPECT_FALSE(missing.Succeeded());
    EXPECT_EQ(missing.HttpStatus(), 404);
    // The error page has exactly the expected length: still no success.
    EXPECT_FALSE(Download("/missing", 22));
    EXPECT_FALSE(Download("/broken"));
    EXPECT_EQ(ReadFile(m_target), "old content");
}

TEST_F(DownloaderTest, RedirectsStayOnTheWeb) {
    const QByteArray body = RandomBytes(100);
    m_server.setReply("/real", {200, body});
    m_server.setReply("/moved", HttpTestServer::Reply::Redirect("/real"));
    ASSERT_TRUE(Download("/moved"));
    EXPECT_EQ(ReadFile(m_target), body);

    // A redirect to a local file is refused.
    m_server.setReply("/sneaky", HttpTestServer::Reply::Redirect("file:///etc/hostname"));
    EXPECT_FALSE(Download("/sneaky"));
    EXPECT_EQ(ReadFile(m_target), body);
}

TEST_F(DownloaderTest, UnwritableTargetFailsBeforeAnyRequest) {
    m_server.setReply("/file", {200, "data"});
    m_target = m_dir.filePath("no such folder/target.bin");

    EXPECT_FALSE(Download("/file"));
    EXPECT_EQ(m_server.totalRequests(), 0);
    ASSERT_EQ(m_calls.size(), 1u);
    EXPECT_EQ(m_calls[0].done, 0);
}

TEST_F(DownloaderTest, ServerDownFails) {
    const QString address = m_server.url("/file");
    m_server.stop();
    CDownloader downloader(address);
    downloader.Run(m_target);
    EXPECT_FALSE(downloader.Succeeded());
    EXPECT_FALSE(downloader.ErrorText().isEmpty());
    EXPECT_FALSE(QFile::exists(m_target));
}

TEST_F(DownloaderTest, OverlongBodyIsCutOff) {
    m_server.setReply("/big", {200, RandomBytes(50000)});
    CDownloader downloader(m_server.url("/big"));
    downloader.SetMaxBytes(20000);
    downloader.Run(m_target);
    EXPECT_FALSE(downloader.Succeeded());
    EXPECT_FALSE(QFile::exists(m_target));
    EXPECT_TRUE(FolderEntries().isEmpty());
}

TEST_F(DownloaderTest, CancelStopsAHungTransferAtOnce) {
    WriteFile(m_target, "old content");
    m_server.setReply("/hung", HttpTestServer::Reply::Held("late"));

    CDownloader downloader(m_server.url("/hung"));
    int finalCalls = 0;
    std::thread transfer =
        RunInBackground(downloader, "/hung", [&](quint32, int done) { finalCalls += done == 0 ? 0 : 1; });
    const auto start = std::chrono::steady_clock::now();
    downloader.RequestCancel();
    transfer.join();
    // Far below any network time-out: the cancel woke the transfer.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(downloader.Succeeded());
    EXPECT_EQ(finalCalls, 0);
    EXPECT_EQ(ReadFile(m_target), "old content");
    EXPECT_EQ(FolderEntries(), QStringList{"target.bin"});

    // The same downloader runs again after a cancel.
    m_server.setReply("/hung", {200, "now"});
    downloader.Run(m_target);
    EXPECT_TRUE(downloader.Succeeded());
    EXPECT_EQ(ReadFile(m_target), "now");
}

TEST_F(DownloaderTest, AbortWithDeletionWinsOverARunningTransfer) {
    WriteFile(m_target, "old content");
    m_server.setReply("/held", HttpTestServer::Reply::Held("fresh"));

    CDownloader downloader(m_server.url("/held"));
    std::thread transfer = RunInBackground(downloader, "/held");
    downloader.Abort(true);
    m_server.release("/held");
    transfer.join();
    EXPECT_FALSE(downloader.Succeeded());
    EXPECT_FALSE(QFile::exists(m_target));
    EXPECT_TRUE(FolderEntries().isEmpty());
}

TEST_F(DownloaderTest, SharedCancelSwitchStopsTheRun) {
    m_server.setReply("/hung", HttpTestServer::Reply::Held({}));
    CHttpSession session("Test Agent", HttpAccessType::Direct);
    auto cancel = std::make_shared<CTransferCancel>();
    CDownloader downloader(m_server.url("/hung"), &session);
    downloader.SetCancel(cancel);
    std::thread transfer = RunInBackground(downloader, "/hung");
    cancel->Cancel();
    transfer.join();
    EXPECT_FALSE(downloader.Succeeded());
    EXPECT_EQ(m_server.lastHeader("/hung", "User-Agent"), "Test Agent");

    // A stop given before the run begins is kept: the run ends at once, asking nothing.
    m_server.setReply("/early", {200, "data"});
    CDownloader early(m_server.url("/early"));
    early.SetCancel(cancel);
    early.Run(m_target);
    EXPECT_FALSE(early.Succeeded());
    EXPECT_EQ(m_server.requestCount("/early"), 0);
}

TEST_F(DownloaderTest, OneSessionServesManyDownloads) {
    CHttpSession session("Norvale IconManager", HttpAccessType::Direct);
    for (int i = 0; i < 5; ++i) {
        const QByteArray body = RandomBytes(500 + i);
        const QString path = QString("/icon/%1").arg(i);
        m_server.setReply(path, {200, body});
        ASSERT_TRUE(Download(path, 0, &session)) << i;
        EXPECT_EQ(ReadFile(m_target), body);
    }
    // A failure in between leaves the session usable.
    EXPECT_FALSE(Download("/nothing", 0, &session));
    m_server.setReply("/after", {200, "after"});
    EXPECT_TRUE(Download("/after", 0, &session));
}

TEST(Base64EncodeTest, MatchesTheStandardVectors) {
    const std::pair<const char*, const char*> vectors[] = {
        {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"}, {"\xff\xfe\xfd", "//79"},
    };
    for (const auto& [input, expected] : vectors) {
        QByteArray output;
        EXPECT_EQ(Base64Encode(output, input, qsizetype(strlen(input))), int(strlen(expected)));
        EXPECT_EQ(output, expected);
    }
    QByteArray output = "stale";
    EXPECT_EQ(Base64Encode(output, "abc", 0), 0);
    EXPECT_TRUE(output.isEmpty());
    EXPECT_EQ(Base64Encode(output, "abc", -3), 0);
}

} // namespace
