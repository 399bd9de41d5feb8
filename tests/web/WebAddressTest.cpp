#include "web/WebAddress.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"

#include <gtest/gtest.h>

namespace {

TEST(WebAddressTest, QueryItemsAreEncodedAndJoinedToAnExistingQuery) {
    const QString news = QStringLiteral("http://w.example/motd/default.asp");
    EXPECT_EQ(AppendQueryItem(news, QStringLiteral("user_id"), QStringLiteral("Ann")),
              news + QStringLiteral("?user_id=Ann"));
    EXPECT_EQ(
        AppendQueryItem(news + QStringLiteral("?lang=en"), QStringLiteral("user_id"), QStringLiteral("Ann")),
        news + QStringLiteral("?lang=en&user_id=Ann"));
    EXPECT_EQ(AppendQueryItem(news + QLatin1Char('?'), QStringLiteral("a"), QStringLiteral("1")),
              news + QStringLiteral("?a=1"));
    EXPECT_EQ(AppendQueryItem(news + QStringLiteral("#top"), QStringLiteral("a"), QStringLiteral("1")),
              news + QStringLiteral("?a=1#top"));
    // Characters that would end the value or start another one are encoded.
    EXPECT_EQ(AppendQueryItem(news, QStringLiteral("user_id"), QStringLiteral("a b&c=d#e?f+g/ü")),
              news + QStringLiteral("?user_id=a%20b%26c%3Dd%23e%3Ff%2Bg%2F%C3%BC"));
    EXPECT_EQ(AppendQueryWord(news, QStringLiteral("03/07/24 09:15")),
              news + QStringLiteral("?03%2F07%2F24%2009%3A15"));
}

TEST(WebAddressTest, DomainMembershipComparesTheParsedHost) {
    const QString domain = QStringLiteral("norvale.example");
    EXPECT_TRUE(IsAddressInDomain(QUrl(QStringLiteral("http://norvale.example/a")), domain));
    EXPECT_TRUE(IsAddressInDomain(QUrl(QStringLiteral("https://WWW.Norvale.Example:8080/a")), domain));
    EXPECT_TRUE(IsAddressInDomain(QUrl(QStringLiteral("http://secure.accounts.norvale.example/")), domain));
    EXPECT_TRUE(IsAddressInDomain(QUrl(QStringLiteral("http://www.norvale.example/")),
                                  QStringLiteral("Norvale.Example.")));

    EXPECT_FALSE(IsAddressInDomain(QUrl(QStringLiteral("http://norvale.example.evil.net/")), domain));
    EXPECT_FALSE(IsAddressInDomain(QUrl(QStringLiteral("http://evilnorvale.example/")), domain));
    EXPECT_FALSE(IsAddressInDomain(QUrl(QStringLiteral("http://evil.net/?next=norvale.example")), domain));
    EXPECT_FALSE(IsAddressInDomain(QUrl(QStringLiteral("http://norvale.example@evil.net/")), domain));
    EXPECT_FALSE(IsAddressInDomain(QUrl(QStringLiteral("http://evil.net/norvale.example/")), domain));
    EXPECT_FALSE(IsAddressInDomain(QUrl(QStringLiteral("mailto:x@norvale.example")), domain));
    EXPECT_FALSE(IsAddressInDomain(QUrl(QStringLiteral("http://norvale.example/")), QString()));
}

TEST(WebAddressTest, TheServiceHostComesFromTheEnvironmentTheSettingsOrIsBuiltIn) {
    testenv::ResetSettings();
    const QByteArray saved = qgetenv("NORVALE_WEB_HOST");
    qunsetenv("NORVALE_WEB_HOST");

    EXPECT_EQ(ServiceWebHost(), QStringLiteral("http://www.norvale.example"));
    EXPECT_EQ(ServiceWebDomain(), QStringLiteral("norvale.example"));

    GetSettingsStore().WriteString(QStringLiteral("Web"), QStringLiteral("strWebHost"),
                                   QStringLiteral("web.example.org/"));
    EXPECT_EQ(ServiceWebAddress(QStringLiteral("/help")), QStringLiteral("http://web.example.org/help"));

    qputenv("NORVALE_WEB_HOST", "https://127.0.0.1:8123/ignored/path?x");
    EXPECT_EQ(ServiceWebHost(), QStringLiteral("https://127.0.0.1:8123"));
    EXPECT_EQ(ServiceWebDomain(), QStringLiteral("127.0.0.1"));

    // Hosts of other schemes are not taken.
    qputenv("NORVALE_WEB_HOST", "file:///etc");
    EXPECT_EQ(ServiceWebHost(), QStringLiteral("http://web.example.org"));

    if (saved.isNull())
        qunsetenv("NORVALE_WEB_HOST");
    else
        qputenv("NORVALE_WEB_HOST", saved);
    testenv::ResetSettings();
}

} // namespace
