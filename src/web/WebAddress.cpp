#include "web/WebAddress.h"

#include "session/SessionDoc.h"
#include "support/SettingsStore.h"

namespace {

const char kBuiltInHost[] = "http://www.norvale.example";

// "host", "host:port" or "http://host/" -> "http://host[:port]"; empty for anything that is not an
// http or https address with a host.
QString NormaliseHost(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {};
    const QUrl url(trimmed.contains(QLatin1String("://")) ? trimmed : QStringLiteral("http://") + trimmed);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return {};
    QString host =
        url.toString(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo);
    while (host.endsWith(QLatin1Char('/')))
        host.chop(1);
    return host;
}

QString WithQueryPart(const QString& address, const QString& part) {
    const qsizetype hash = address.indexOf(QLatin1Char('#'));
    const QString base = hash < 0 ? address : address.left(hash);
    const QString fragment = hash < 0 ? QString() : address.mid(hash);
    QString result = base;
    if (!base.contains(QLatin1Char('?')))
        result += QLatin1Char('?');
    else if (!base.endsWith(QLatin1Char('?')) && !base.endsWith(QLatin1Char('&')))
        result += QLatin1Char('&');
    return result + part + fragment;
}

QString Encoded(const QString& text) {
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

} // namespace

QString ServiceWebHost() {
    QString host = NormaliseHost(qEnvironmentVariable("NORVALE_WEB_HOST"));
    if (host.isEmpty())
        host =
            NormaliseHost(GetSettingsStore().GetString(QStringLiteral("Web"), QStringLiteral("strWebHost")));
    return host.isEmpty() ? QString::fromLatin1(kBuiltInHost) : host;
}

QString WebHostOf(const QString& address) {
    return address.contains(QLatin1String("://")) ? NormaliseHost(address) : QString();
}

QString SessionWebHost(const CSessionDoc* session) {
    if (session) {
        for (const char* key : {"urlNews", "urlHelp"}) {
            const QString host = WebHostOf(session->GetLobbySetting(QString::fromLatin1(key)));
            if (!host.isEmpty())
                return host;
        }
    }
    return ServiceWebHost();
}

QString ServiceWebDomain() {
    QString name = QUrl(ServiceWebHost()).host().toLower();
    if (name.startsWith(QLatin1String("www.")))
        name = name.mid(4);
    return name;
}

QString ServiceWebAddress(const QString& path) {
    return ServiceWebHost() + path;
}

QString AppendQueryItem(const QString& address, const QString& name, const QString& value) {
    return WithQueryPart(address, Encoded(name) + QLatin1Char('=') + Encoded(value));
}

QString FormEncodeValue(const QString& value) {
    static const QByteArray kept = QByteArrayLiteral("-._~:@/,!*'()");
    QString out;
    for (const char byte : value.toUtf8()) {
        const uchar c = uchar(byte);
        if (c == ' ')
            out += QLatin1Char('+');
        else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || kept.contains(char(c)))
            out += QLatin1Char(char(c));
        else
            out += QStringLiteral("%%1").arg(uint(c), 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

QString AppendQueryWord(const QString& address, const QString& word) {
    return WithQueryPart(address, Encoded(word));
}

bool IsAddressInDomain(const QUrl& address, const QString& domain) {
    const QString host = address.host().toLower();
    QString wanted = domain.trimmed().toLower();
    if (wanted.endsWith(QLatin1Char('.')))
        wanted.chop(1);
    if (host.isEmpty() || wanted.isEmpty())
        return false;
    return host == wanted || host.endsWith(QLatin1Char('.') + wanted);
}

bool IsExternallyOpenable(const QUrl& address) {
    if (!address.isValid())
        return false;
    const QString scheme = address.scheme().toLower();
    if (scheme == QLatin1String("mailto"))
        return !address.path().isEmpty();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !address.host().isEmpty();
}
