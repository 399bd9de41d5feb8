#include "prefs/IconManager.h"

#include "platform/Registry.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/FakeServer.h"
#include "support/HttpTestServer.h"
#include "support/SettingsStore.h"
#include "support/WindowBroadcast.h"
#include "support/TestEnvironment.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <climits>

namespace {

using testenv::HttpTestServer;

const QString kSection = "CIconManager";

// A real icon file, as the service serves them.
QByteArray IcoBytes(QRgb colour) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "ico");
    EXPECT_TRUE(writer.write(image));
    return bytes;
}

QString IconPath(int number) { return QString("/client/icon/%1.ico").arg(number); }

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool Same(const QPixmap& a, const QPixmap& b) { return !a.isNull() && a.cacheKey() == b.cacheKey(); }

class IconManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_cache.isValid());
        Settings().WriteAppProfileString(kSection, "UserIconDir", m_cache.path());
        Settings().WriteAppProfileInt(kSection, "AccessType", 0);
        Settings().WriteAppProfileInt(kSection, "Log", 0);
    }

    void TearDown() override {
        m_manager.reset();
        SetWindowBroadcaster(nullptr);
    }

    CSettingsStore& Settings() { return m_settings; }

    static int Number(int i) { return 1000 + i; }

    void Make(const QString& webHost) {
        CIconManager::Config config;
        config.settings = &Settings();
        config.webHost = webHost;
        config.clock = [this] { return m_now.load(); };
        m_manager = std::make_unique<CIconManager>(config);
        SetWindowBroadcaster([this](platform::MessageId id, qintptr wParam, platform::Object* lParam) {
            EXPECT_EQ(id, platform::RegisterMessage("KELDERWICK_UPDATE_ICON"));
            EXPECT_EQ(wParam, 0);
            const auto* info = platform::object_cast<CIconUpdateInfo>(lParam);
            m_updates.push_back(info ? info->nextKey : -1);
        });
    }
    void Make() { Make(m_server.base()); }

    // Asks until the icon is no longer the loading icon.
    QPixmap Arrived(int number, int version) {
        QPixmap icon;
        const bool arrived = testenv::WaitFor([&] {
            icon = m_manager->GetIcon(number, version);
            return !Same(icon, m_manager->LoadingIcon());
        }, 10000);
        EXPECT_TRUE(arrived) << "icon " << number << "/" << version << " never arrived";
        return icon;
    }

    void ServeIcon(int number, const QByteArray& bytes) { m_server.setReply(IconPath(number), {200, bytes}); }
    void HoldIcon(int number, const QByteArray& bytes) { m_server.setReply(IconPath(number), HttpTestServer::Reply::Held(bytes)); }

    HttpTestServer m_server;
    platform::Registry m_registry; // in memory: every test starts with empty settings
    CSettingsStore m_settings{m_registry};
    QTemporaryDir m_cache;
    std::atomic<qint64> m_now{1'000'000};
    std::vector<int> m_updates;
    std::unique_ptr<CIconManager> m_manager;
};

TEST_F(IconManagerTest, FetchesAnIconOnceAndCachesTheServedBytes) {
    const QByteArray served = IcoBytes(qRgb(10, 120, 200));
    ServeIcon(Number(7), served);
    Make();

    const int key = Number(7) * 1000 + 3;
    const QPixmap first = m_manager->GetIcon(Number(7), 3);
    EXPECT_TRUE(Same(first, m_manager->LoadingIcon()));
    const QPixmap icon = Arrived(Number(7), 3);
    EXPECT_FALSE(Same(icon, m_manager->ErrorIcon()));
    EXPECT_EQ(icon.size(), QSize(16, 16));
    EXPECT_EQ(icon.toImage().pixel(8, 8), qRgb(10, 120, 200));
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(Same(m_manager->GetIcon(Number(7), 3), icon));
    EXPECT_EQ(m_server.requestCount(IconPath(Number(7))), 1);
    EXPECT_EQ(m_server.lastHeader(IconPath(Number(7)), "User-Agent"), "Norvale IconManager");

    // The cache holds exactly what was served, under the key's own name, and is registered.
    const QString file = QDir(m_cache.path()).filePath(QString("%1a.ico").arg(key));
    // The worker registers the file after it hands the icon over: wait for the registration.
    EXPECT_EQ(ReadFile(file), served);
    EXPECT_TRUE(testenv::WaitFor(
        [&] { return Settings().GetAppProfileInt(kSection, QString("%1a.version").arg(key), -1) == 3; }, 10000));
    EXPECT_EQ(Settings().GetAppProfileString(kSection, QString("%1a").arg(key), QString()), file);

    ASSERT_TRUE(testenv::WaitFor([&] { return !m_updates.empty(); }, 10000));
    EXPECT_EQ(m_updates.back(), 0);
}

TEST_F(IconManagerTest, ManyAsksBeforeArrivalMakeOneRequest) {
    HoldIcon(Number(1), IcoBytes(qRgb(1, 2, 3)));
    Make();
    for (int i = 0; i < 50; ++i)
        EXPECT_TRUE(Same(m_manager->GetIcon(Number(1), 0), m_manager->LoadingIcon()));
    ASSERT_TRUE(m_server.waitForRequests(IconPath(Number(1)), 1));
    for (int i = 0; i < 50; ++i)
        EXPECT_TRUE(Same(m_manager->GetIcon(Number(1), 0), m_manager->LoadingIcon()));
    m_server.release(IconPath(Number(1)));
    Arrived(Number(1), 0);
    EXPECT_EQ(m_server.requestCount(IconPath(Number(1))), 1);
}

TEST_F(IconManagerTest, SecondRunReadsTheCacheWithTheServerDown) {
    ServeIcon(Number(5), IcoBytes(qRgb(200, 0, 0)));
    Make();
    m_manager->GetIcon(Number(5), 2);
    Arrived(Number(5), 2);
    m_manager.reset();
    const QString host = m_server.base();
    m_server.stop();

    Make(host);
    // At once, from the cache: no loading icon in between.
    const QPixmap cached = m_manager->GetIcon(Number(5), 2);
    ASSERT_FALSE(cached.isNull());
    EXPECT_FALSE(Same(cached, m_manager->LoadingIcon()));
    EXPECT_FALSE(Same(cached, m_manager->ErrorIcon()));
    EXPECT_EQ(cached.toImage().pixel(3, 3), qRgb(200, 0, 0));

    // A new version of the same user's icon is a new icon: fetched (and here it fails).
    EXPECT_TRUE(Same(m_manager->GetIcon(Number(5), 3), m_manager->LoadingIcon()));
    EXPECT_TRUE(Same(Arrived(Number(5), 3), m_manager->ErrorIcon()));
    EXPECT_TRUE(Same(m_manager->GetIcon(Number(5), 2), cached));
}

TEST_F(IconManagerTest, CachedFileIsUsedOnlyForItsVersionAndOnlyWhenReadable) {
    const int key = Number(3) * 1000 + 1;
    const QString file = QDir(m_cache.path()).filePath(QString("%1a.ico").arg(key));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("this is no icon");
    out.close();
    Settings().WriteAppProfileString(kSection, QString("%1a").arg(key), file);
    Settings().WriteAppProfileInt(kSection, QString("%1a.version").arg(key), 1);

    // An unreadable cache file is fetched again, and the fresh copy replaces it.
    const QByteArray served = IcoBytes(qRgb(0, 90, 0));
    ServeIcon(Number(3), served);
    Make();
    EXPECT_TRUE(Same(m_manager->GetIcon(Number(3), 1), m_manager->LoadingIcon()));
    EXPECT_FALSE(Same(Arrived(Number(3), 1), m_manager->ErrorIcon()));
    EXPECT_EQ(ReadFile(file), served);

    // A registration whose stored version differs is not taken.
    const int otherKey = Number(4) * 1000 + 2;
    const QString otherFile = QDir(m_cache.path()).filePath(QString("%1a.ico").arg(otherKey));
    QFile other(otherFile);
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write(IcoBytes(qRgb(1, 1, 1)));
    other.close();
    Settings().WriteAppProfileString(kSection, QString("%1a").arg(otherKey), otherFile);
    Settings().WriteAppProfileInt(kSection, QString("%1a.version").arg(otherKey), 7);
    EXPECT_TRUE(Same(m_manager->GetIcon(Number(4), 2), m_manager->LoadingIcon()));
}

TEST_F(IconManagerTest, FailedIconsShowTheErrorIconWithoutRetriesOrLitter) {
    m_server.setReply(IconPath(Number(1)), {404, "<html>no such icon</html>"});
    m_server.setReply(IconPath(Number(2)), {200, "plain text, not a picture"});
    Make();

    m_manager->GetIcon(Number(1), 0);
    m_manager->GetIcon(Number(2), 0);
    EXPECT_TRUE(Same(Arrived(Number(1), 0), m_manager->ErrorIcon()));
    EXPECT_TRUE(Same(Arrived(Number(2), 0), m_manager->ErrorIcon()));
    for (int i = 0; i < 20; ++i) {
        EXPECT_TRUE(Same(m_manager->GetIcon(Number(1), 0), m_manager->ErrorIcon()));
        EXPECT_TRUE(Same(m_manager->GetIcon(Number(2), 0), m_manager->ErrorIcon()));
    }
    EXPECT_EQ(m_server.requestCount(IconPath(Number(1))), 1);
    EXPECT_EQ(m_server.requestCount(IconPath(Number(2))), 1);
    // Nothing is left in the cache, nothing registered.
    EXPECT_TRUE(QDir(m_cache.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(Settings().GetAppProfileString(kSection, QString("%1a").arg(Number(2) * 1000), QString()).isEmpty());
    // The lists are told about failures as well, so their rows leave the loading icon.
    EXPECT_TRUE(testenv::WaitFor([&] { return !m_updates.empty(); }, 10000));
}

TEST_F(IconManagerTest, NumbersAndVersionsThatMakeNoKeyGiveNoIcon) {
    Make();
    EXPECT_TRUE(m_manager->GetIcon(0, 5).isNull());
    EXPECT_TRUE(m_manager->GetIcon(-3, 5).isNull());
    EXPECT_TRUE(m_manager->GetIcon(Number(1), -1).isNull()); // would borrow the key of the user before
    EXPECT_TRUE(m_manager->GetIcon(Number(1), 1000).isNull()); // would be the next user's key
    EXPECT_TRUE(m_manager->GetIcon(INT_MAX / 1000 + 1, 0).isNull());
    EXPECT_TRUE(m_manager->GetIcon(INT_MAX, 999).isNull());
    QCoreApplication::processEvents();
    EXPECT_EQ(m_server.totalRequests(), 0);

    int key = 0;
    EXPECT_TRUE(CIconManager::MakeKey(INT_MAX / 1000, INT_MAX % 1000, &key));
    EXPECT_EQ(key, INT_MAX);
    EXPECT_FALSE(CIconManager::MakeKey(INT_MAX / 1000, INT_MAX % 1000 + 1, &key));
}

TEST_F(IconManagerTest, ThreeFailuresInARowSwitchTheAccessType) {
    Make(); // every icon path answers 404
    EXPECT_EQ(m_manager->AccessType(), HttpAccessType::Preconfig);
    auto failOne = [&](int i) {
        m_manager->GetIcon(Number(i), 0);
        EXPECT_TRUE(Same(Arrived(Number(i), 0), m_manager->ErrorIcon()));
    };
    failOne(1);
    failOne(2);
    EXPECT_EQ(m_manager->AccessType(), HttpAccessType::Preconfig);
    failOne(3);
    EXPECT_TRUE(testenv::WaitFor([&] { return m_manager->AccessType() == HttpAccessType::Direct; }, 10000));
    failOne(4);
    failOne(5);
    EXPECT_EQ(m_manager->AccessType(), HttpAccessType::Direct);
    failOne(6);
    EXPECT_TRUE(testenv::WaitFor([&] { return m_manager->AccessType() == HttpAccessType::Preconfig; }, 10000));

    // The type in use is kept for the next run.
    m_manager.reset();
    EXPECT_EQ(Settings().GetAppProfileInt(kSection, "AccessType", -1), 0);
    Settings().WriteAppProfileInt(kSection, "AccessType", 1);
    Make();
    EXPECT_EQ(m_manager->AccessType(), HttpAccessType::Direct);
}

TEST_F(IconManagerTest, UpdatesAreThrottledWhileAQueueIsFetched) {
    const int numbers[] = {Number(1), Number(2), Number(3)};
    for (int number : numbers)
        HoldIcon(number, IcoBytes(qRgb(9, 9, 9)));
    Make();
    for (int number : numbers)
        m_manager->GetIcon(number, 0);

    // Which icon comes first is the manager's choice: follow the server.
    auto waitingPath = [&](const QList<int>& done) {
        for (int number : numbers) {
            if (!done.contains(number) && m_server.requestCount(IconPath(number)) == 1)
                return number;
        }
        return 0;
    };
    QList<int> done;
    for (int round = 0; round < 3; ++round) {
        int current = 0;
        ASSERT_TRUE(testenv::WaitFor([&] { return (current = waitingPath(done)) != 0; }, 10000));
        if (round == 1)
            m_now += 4000; // the second icon arrives four seconds after the worker started
        m_server.release(IconPath(current));
        done.append(current);
        if (round == 0) {
            // Another icon is already on its way before any update: the first arrival alone is not
            // worth a message.
            ASSERT_TRUE(testenv::WaitFor([&] { return waitingPath(done) != 0; }, 10000));
            QCoreApplication::processEvents();
            EXPECT_TRUE(m_updates.empty());
        }
        if (round == 1) {
            ASSERT_TRUE(testenv::WaitFor([&] { return m_updates.size() == 1; }, 10000));
            const int next = numbers[0] + numbers[1] + numbers[2] - done[0] - done[1];
            EXPECT_EQ(m_updates[0], next * 1000);
        }
    }
    // The queue ran empty: one more message, at once.
    ASSERT_TRUE(testenv::WaitFor([&] { return m_updates.size() == 2; }, 10000));
    EXPECT_EQ(m_updates[1], 0);
}

TEST_F(IconManagerTest, StuckWorkerIsGivenUpAndItsIconFails) {
    HoldIcon(Number(1), IcoBytes(qRgb(1, 1, 1))); // never answered
    ServeIcon(Number(2), IcoBytes(qRgb(2, 2, 2)));
    Make();
    m_manager->GetIcon(Number(1), 0);
    ASSERT_TRUE(m_server.waitForRequests(IconPath(Number(1)), 1));

    m_now += 16000;
    EXPECT_TRUE(Same(m_manager->GetIcon(Number(2), 0), m_manager->LoadingIcon()));
    // A new worker fetches the new request; the hung one is not tried again.
    EXPECT_FALSE(Same(Arrived(Number(2), 0), m_manager->ErrorIcon()));
    EXPECT_TRUE(Same(m_manager->GetIcon(Number(1), 0), m_manager->ErrorIcon()));
    EXPECT_EQ(m_server.requestCount(IconPath(Number(1))), 1);
}

TEST_F(IconManagerTest, ShutdownWithAHungRequestEndsInTime) {
    HoldIcon(Number(1), IcoBytes(qRgb(1, 1, 1)));
    Make();
    m_manager->GetIcon(Number(1), 0);
    ASSERT_TRUE(m_server.waitForRequests(IconPath(Number(1)), 1));

    QElapsedTimer timer;
    timer.start();
    m_manager.reset();
    // Well inside the sixteen seconds a stuck worker is given: the transfer was stopped, not awaited.
    EXPECT_LT(timer.elapsed(), 8000);
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_updates.empty());
}

TEST_F(IconManagerTest, WithoutAWebHostOnlyCachedIconsAreShown) {
    ServeIcon(Number(1), IcoBytes(qRgb(4, 4, 4)));
    Make(QString());
    EXPECT_TRUE(m_manager->GetIcon(Number(1), 0).isNull());
    QCoreApplication::processEvents();
    EXPECT_EQ(m_server.totalRequests(), 0);

    // Knowing the host now, the windows are told to ask again.
    m_manager->SetWebHost(QString("127.0.0.1:%1/").arg(m_server.port()));
    EXPECT_EQ(m_manager->WebHost(), m_server.base());
    m_manager->SetWebHost("file:///etc");
    EXPECT_TRUE(m_manager->WebHost().isEmpty());
    m_manager->SetWebHost(m_server.base() + "/");
    ASSERT_TRUE(testenv::WaitFor([&] { return !m_updates.empty(); }, 10000));
    EXPECT_TRUE(Same(m_manager->GetIcon(Number(1), 0), m_manager->LoadingIcon()));
    EXPECT_FALSE(Same(Arrived(Number(1), 0), m_manager->ErrorIcon()));
}

TEST_F(IconManagerTest, LogFileRecordsTheRun) {
    Settings().WriteAppProfileInt(kSection, "Log", 1);
    ServeIcon(Number(1), IcoBytes(qRgb(4, 4, 4)));
    Make();
    ASSERT_TRUE(m_manager->IsLogging());
    const QString logPath = m_manager->LogFilePath();
    EXPECT_EQ(QFileInfo(logPath).path(), QDir(m_cache.path()).absolutePath());
    EXPECT_TRUE(QFileInfo(logPath).fileName().startsWith("iconlog"));
    EXPECT_FALSE(QFileInfo(logPath).fileName().contains(':'));
    m_manager->GetIcon(Number(1), 0);
    Arrived(Number(1), 0);
    m_manager.reset();

    const QString log = QString::fromLocal8Bit(ReadFile(logPath));
    const int key = Number(1) * 1000;
    for (const QString& line : {QString("Icon Manager constructed"), QString("Using PRECONFIG access type"),
                                QString("Adding icon %1 to request set").arg(key),
                                QString("*** Starting new downloader thread"),
                                QString("*** Requesting icon %1").arg(key), QString("Sending request string: "),
                                QString("*** Registering icon %1").arg(key), QString("Thread is returning"),
                                QString("Icon Manager destructed - closing log file")}) {
        EXPECT_TRUE(log.contains(line)) << qPrintable(line);
    }
    // Each entry: the time stamp on its own line, the message, a blank line.
    const QRegularExpression entry("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\nIcon Manager constructed\\n\\n");
    EXPECT_TRUE(entry.match(log).hasMatch()) << qPrintable(log.left(80));
}

TEST_F(IconManagerTest, UnopenableLogIsReportedAndLoggingTurnedOff) {
    // The cache folder would have to be made inside a plain file.
    const QString blocker = QDir(m_cache.path()).filePath("blocker");
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    Settings().WriteAppProfileString(kSection, "UserIconDir", blocker + "/icons");
    Settings().WriteAppProfileInt(kSection, "Log", 1);
    testenv::scriptedUi().clear();

    Make();
    EXPECT_FALSE(m_manager->IsLogging());
    ASSERT_EQ(testenv::scriptedUi().asked().size(), 1u);
    EXPECT_EQ(testenv::scriptedUi().asked()[0].text, "Unable to open Icon Manager log file");
    EXPECT_EQ(testenv::scriptedUi().asked()[0].type & platform::MB_ICONMASK, platform::MB_ICONEXCLAMATION);
}

} // namespace

namespace {

// A window that counts the icon updates it is sent.
class IconWatcher : public QWidget, public platform::MessageTarget {
public:
    bool OnMessage(platform::MessageId id, qintptr, platform::Object* lParam) override {
        if (id != platform::RegisterMessage("KELDERWICK_UPDATE_ICON"))
            return false;
        if (const auto* info = platform::object_cast<CIconUpdateInfo>(lParam))
            nextKeys.push_back(info->nextKey);
        return true;
    }
    std::vector<int> nextKeys;
};

TEST(IconManagerBroadcastTest, UpdatesReachEveryWindowByDefault) {
    platform::Registry registry;
    CSettingsStore settings(registry);
    QTemporaryDir cache;
    settings.WriteAppProfileString("CIconManager", "UserIconDir", cache.path());
    HttpTestServer server;
    server.setReply(IconPath(1), {200, IcoBytes(qRgb(7, 7, 7))});

    IconWatcher window;
    IconWatcher child;
    child.setParent(&window);
    CIconManager::Config config;
    config.settings = &settings;
    config.webHost = server.base();
    CIconManager manager(config);
    manager.GetIcon(1, 0);
    ASSERT_TRUE(testenv::WaitFor([&] { return !window.nextKeys.empty(); }, 10000));
    EXPECT_EQ(window.nextKeys, std::vector<int>{0});
    EXPECT_EQ(child.nextKeys, std::vector<int>{0});
}

} // namespace
