// The web address and query helpers with addresses and values from pages and settings.

#include "FuzzTarget.h"

#include "web/WebAddress.h"

#include <QUrl>

NORVALE_FUZZ_TARGET(web_address)(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const QString address = QString::fromUtf8(input.TakeField());
    const QString name = QString::fromUtf8(input.TakeField());
    const QString value = QString::fromUtf8(input.TakeRest());

    const QString withItem = AppendQueryItem(address, name, value);
    const QString withWord = AppendQueryWord(address, value);
    const qsizetype hash = address.indexOf(u'#');
    const QString base = hash >= 0 ? address.left(hash) : address;
    const QString fragment = hash >= 0 ? address.mid(hash) : QString();
    for (const QString& result : {withItem, withWord}) {
        // The address stays as it was around the new part, the fragment at the end; the new part is
        // encoded: no blank, quote, angle bracket or '#' of the name or value reaches the address.
        fuzz::Check(result.startsWith(base) && result.endsWith(fragment) &&
                        result.size() >= base.size() + fragment.size(),
                    "the address changed around the query", result);
        const QString added = result.mid(base.size(), result.size() - base.size() - fragment.size());
        for (const QChar ch : added)
            fuzz::Check(ch != u' ' && ch != u'"' && ch != u'<' && ch != u'>' && ch != u'#',
                        "an unencoded character in the query", result);
    }

    const QUrl url(address);
    if (IsAddressInDomain(url, name)) {
        const QString host = url.host().toLower();
        QString domain = name.trimmed().toLower();
        if (domain.endsWith(u'.'))
            domain.chop(1);
        fuzz::Check(!domain.isEmpty() && (host == domain || host.endsWith(u'.' + domain)),
                    "an address outside the domain taken as inside", address + u' ' + name);
    }
    if (IsExternallyOpenable(url)) {
        const QString scheme = url.scheme().toLower();
        fuzz::Check(scheme == u"http" || scheme == u"https" || scheme == u"mailto", "an unsafe scheme opens",
                    address);
    }
}
