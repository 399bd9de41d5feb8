#include "WebTestSupport.h"

#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/TestEnvironment.h"
#include "web/BrowserLauncher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest/QTest>

namespace {

class BrowserLauncherTest : public ::testing::Test {
protected:
    void SetUp() override { testenv::scriptedUi().clear(); }
    void TearDown() override {
        CBrowserLauncher::SetProcessStarter({});
        DeleteBrowserLauncher();
        testenv::scriptedUi().clear();
    }

    static std::vector<platform::ScriptedUi::Asked> Boxes() {
        webtest::RunPosted();
        return testenv::scriptedUi().asked();
    }
};

// Sets environment variables for one scope and puts the old values back.
class ScopedEnvironment {
public:
    void Set(const char* name, const QByteArray& value) {
        if (!m_saved.contains(name))
            m_saved.insert(name, qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>(qgetenv(name))
                                                                 : std::nullopt);
        qputenv(name, value);
    }
    ~ScopedEnvironment() {
        for (auto it = m_saved.begin(); it != m_saved.end(); ++it) {
            if (it.value())
                qputenv(it.key().constData(), *it.value());
            else
                qunsetenv(it.key().constData());
        }
    }

private:
    QMap<QByteArray, std::optional<QByteArray>> m_saved;
};

void WriteFile(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

TEST_F(BrowserLauncherTest, ConfigurePutsTheAddressWhereTheCommandSaysAndKeepsItsCase) {
    CBrowserLauncher launcher;

    launcher.Configure(QStringLiteral("/opt/Web Browser/run-browser -nohome"));
    EXPECT_EQ(launcher.GetCommandFormat(), QStringLiteral("/opt/Web Browser/run-browser -nohome %s"));

    launcher.Configure(QStringLiteral("\"/opt/Web Browser/run\" \"%1\""));
    EXPECT_EQ(launcher.GetCommandFormat(), QStringLiteral("\"/opt/Web Browser/run\" \"%s\""));
    EXPECT_EQ(launcher.BuildCommand(QStringLiteral("http://a.example/")),
              (QStringList{QStringLiteral("/opt/Web Browser/run"), QStringLiteral("http://a.example/")}));

    // A desktop entry's field codes: the address for %u, nothing for the icon and name codes.
    launcher.Configure(QStringLiteral("browser --new-window %U %i %c --percent=100%%"));
    EXPECT_EQ(launcher.GetCommandFormat(), QStringLiteral("browser --new-window %U %i %c --percent=100%%"));
    EXPECT_EQ(launcher.BuildCommand(QStringLiteral("http://a.example/")),
              (QStringList{QStringLiteral("browser"), QStringLiteral("--new-window"),
                           QStringLiteral("http://a.example/"), QStringLiteral("--percent=100%")}));
}

TEST_F(BrowserLauncherTest, TheAddressIsOneArgumentWhateverItHolds) {
    webtest::RecordingLauncher recorder(QStringLiteral("browser --flag"));
    const QString hostile = QStringLiteral("http://a.example/x?q=\"; rm -rf ~; echo \"&v=%s %n $HOME `id`");
    ASSERT_TRUE(OpenInExternalBrowser(hostile));
    ASSERT_EQ(recorder.starts.size(), 1u);
    EXPECT_EQ(recorder.starts[0].program, QStringLiteral("browser"));
    ASSERT_EQ(recorder.starts[0].arguments.size(), 2);
    EXPECT_EQ(recorder.starts[0].arguments[0], QStringLiteral("--flag"));
    const QString passed = recorder.starts[0].arguments[1];
    EXPECT_FALSE(passed.contains(QLatin1Char(' ')));
    EXPECT_FALSE(passed.contains(QLatin1Char('"')));
    EXPECT_EQ(QUrl(passed).host(), QStringLiteral("a.example"));
    EXPECT_EQ(QUrl(passed).query(QUrl::FullyDecoded),
              QStringLiteral("q=\"; rm -rf ~; echo \"&v=%s %n $HOME `id`"));
}

TEST_F(BrowserLauncherTest, OnlyWebAndMailAddressesLeaveTheProgram) {
    webtest::RecordingLauncher recorder;
    EXPECT_TRUE(OpenInExternalBrowser(QStringLiteral("https://a.example/page")));
    EXPECT_TRUE(OpenInExternalBrowser(QStringLiteral("HTTP://A.example/")));
    EXPECT_TRUE(OpenInExternalBrowser(QStringLiteral("mailto:help@a.example")));
    for (const char* refused : {"file:///etc/passwd", "javascript:alert(1)", "ftp://a.example/",
                                "smb://host/share", "-flag", "", "http://", "mailto:", "x-custom:whatever"})
        EXPECT_FALSE(OpenInExternalBrowser(QString::fromLatin1(refused))) << refused;
    EXPECT_EQ(recorder.starts.size(), 3u);
    EXPECT_TRUE(Boxes().empty()); // a refused address is no failure of the browser
}

TEST_F(BrowserLauncherTest, ABrowserThatCannotStartIsReported) {
    webtest::RecordingLauncher recorder(QStringLiteral("missing-browser --go"));
    recorder.startSucceeds = false;
    EXPECT_FALSE(OpenInExternalBrowser(QStringLiteral("http://a.example/")));
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Unable to start the browser:  missing-browser --go %s"));
    EXPECT_EQ(boxes[0].type & platform::MB_ICONMASK, platform::MB_ICONEXCLAMATION);
}

TEST_F(BrowserLauncherTest, WithNoBrowserAtAllTheEmptyCommandIsReported) {
    ScopedEnvironment env;
    QTemporaryDir empty;
    env.Set("XDG_CONFIG_HOME", empty.path().toUtf8());
    env.Set("XDG_CONFIG_DIRS", empty.path().toUtf8());
    env.Set("XDG_DATA_HOME", empty.path().toUtf8());
    env.Set("XDG_DATA_DIRS", empty.path().toUtf8());
    env.Set("PATH", empty.path().toUtf8()); // no xdg-open either

    std::vector<QString> started;
    CBrowserLauncher::SetProcessStarter([&](const QString& program, const QStringList&) {
        started.push_back(program);
        return true;
    });
    CBrowserLauncher launcher;
    EXPECT_TRUE(launcher.GetCommandFormat().isEmpty());
    EXPECT_FALSE(launcher.FindBrowser(1));
    EXPECT_FALSE(launcher.FindBrowser(2));
    EXPECT_FALSE(launcher.OpenUrl(QStringLiteral("http://a.example/")));
    EXPECT_TRUE(started.empty());
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Unable to start the browser:  "));
}

TEST_F(BrowserLauncherTest, TheDesktopsWebPageAssociationChoosesTheBrowser) {
    ScopedEnvironment env;
    QTemporaryDir root;
    const QString config = root.path() + QStringLiteral("/config");
    const QString data = root.path() + QStringLiteral("/data");
    const QString system = root.path() + QStringLiteral("/system");
    env.Set("XDG_CONFIG_HOME", config.toUtf8());
    env.Set("XDG_CONFIG_DIRS", (root.path() + QStringLiteral("/etc")).toUtf8());
    env.Set("XDG_DATA_HOME", data.toUtf8());
    env.Set("XDG_DATA_DIRS", system.toUtf8());
    env.Set("XDG_CURRENT_DESKTOP", "Test:Other");

    // The user's list names a hidden entry first, then one in a sub-folder (desktop id with '-').
    WriteFile(config + QStringLiteral("/mimeapps.list"),
              "[Added Associations]\ntext/html=added.desktop\n"
              "[Default "
              "Applications]\ntext/plain=editor.desktop\ntext/html=hidden.desktop;vendor-browser.desktop;\n");
    WriteFile(data + QStringLiteral("/applications/hidden.desktop"),
              "[Desktop Entry]\nType=Application\nExec=hidden %u\nHidden=true\n");
    WriteFile(
        system + QStringLiteral("/applications/vendor/browser.desktop"),
        "[Desktop Entry]\nType=Application\nName=Browser\n"
        "Exec=\"/opt/my browser/bin\" \"--title=a \\\\\"b\\\\\"\" %U\n[Desktop Action new]\nExec=other %u\n");
    EXPECT_EQ(CBrowserLauncher::FindDesktopCommand(QStringLiteral("text/html")),
              QStringLiteral("\"/opt/my browser/bin\" \"--title=a \\\"b\\\"\" %U"));

    CBrowserLauncher launcher;
    EXPECT_EQ(launcher.BuildCommand(QStringLiteral("http://a.example/")),
              (QStringList{QStringLiteral("/opt/my browser/bin"), QStringLiteral("--title=a \"b\""),
                           QStringLiteral("http://a.example/")}));

    // The desktop's own list comes before the general one.
    WriteFile(config + QStringLiteral("/test-mimeapps.list"),
              "[Default Applications]\ntext/html=desk.desktop\n");
    WriteFile(data + QStringLiteral("/applications/desk.desktop"), "[Desktop Entry]\nExec=desk-browser\n");
    EXPECT_EQ(CBrowserLauncher::FindDesktopCommand(QStringLiteral("text/html")),
              QStringLiteral("desk-browser"));
    ASSERT_TRUE(launcher.FindBrowser(CBrowserLauncher::kDesktopAssociation));
    EXPECT_EQ(launcher.GetCommandFormat(), QStringLiteral("desk-browser %s"));
}

TEST_F(BrowserLauncherTest, CommandLinesSplitAsDesktopEntriesQuoteThem) {
    EXPECT_EQ(
        CBrowserLauncher::SplitCommandLine(QStringLiteral("  a  \"b c\" d\"e f\"g \"\" \"\\\"\\$\\\\\\x\"")),
        (QStringList{QStringLiteral("a"), QStringLiteral("b c"), QStringLiteral("de fg"), QString(),
                     QStringLiteral("\"$\\\\x")}));
    EXPECT_TRUE(CBrowserLauncher::SplitCommandLine(QStringLiteral("   ")).isEmpty());
    // An unterminated quote runs to the end.
    EXPECT_EQ(CBrowserLauncher::SplitCommandLine(QStringLiteral("a \"b c")), (QStringList{"a", "b c"}));
}

// The real start: a script stands in for the browser and writes down the arguments it was given.
TEST_F(BrowserLauncherTest, TheBrowserRunsWithoutAShell) {
    QTemporaryDir dir;
    const QString script = dir.path() + QStringLiteral("/fake browser.sh");
    const QString record = dir.path() + QStringLiteral("/args.txt");
    WriteFile(script,
              "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.tmp\"\nmv \"$0.tmp\" \"" +
                  record.toUtf8() + "\"\n");
    QFile(script).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    CBrowserLauncher launcher;
    ASSERT_TRUE(launcher.FindBrowser(CBrowserLauncher::kGivenCommand,
                                     QLatin1Char('"') + script + QStringLiteral("\" -x")));
    ASSERT_TRUE(launcher.OpenUrl(QStringLiteral("http://a.example/?q=$(touch /tmp/nv-injected)&r=;id")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(record); }, 20000));
    QFile file(record);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0], "-x");
    EXPECT_EQ(QUrl(QString::fromUtf8(lines[1])).query(QUrl::FullyDecoded),
              QStringLiteral("q=$(touch /tmp/nv-injected)&r=;id"));

    // A program that is not there is reported.
    ASSERT_TRUE(launcher.FindBrowser(CBrowserLauncher::kGivenCommand,
                                     dir.path() + QStringLiteral("/no-such-browser")));
    EXPECT_FALSE(launcher.OpenUrl(QStringLiteral("http://a.example/")));
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("Unable to start the browser:  ") + dir.path()));
}

} // namespace
