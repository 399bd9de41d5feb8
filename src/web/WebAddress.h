#pragma once

#include <QString>
#include <QUrl>

class CSessionDoc;

// The service's web site and the addresses built on it.

// The service's web-application host with its scheme and without a trailing '/'
// ("http://www.norvale.example"): $NORVALE_WEB_HOST when set, else "strWebHost" of section "Web"
// in the settings, else the built-in host. Anything that is not an http or https address is ignored.
QString ServiceWebHost();
// The service's web host as the session's server names it, where the players' pictures are: the host
// of the lobby's news address ("urlNews"), else of its help address ("urlHelp"), else ServiceWebHost().
QString SessionWebHost(const CSessionDoc* session);
// "scheme://host[:port]" of an http or https address; empty for anything else.
QString WebHostOf(const QString& address);
// The service's web domain: the host's name without a leading "www.".
QString ServiceWebDomain();
// The host followed by path (which begins with '/').
QString ServiceWebAddress(const QString& path);

// Built-in paths of the service's pages.
inline constexpr char kAdvertPath[] = "/web/apps/client/ads/default.asp";
inline constexpr char kNewAccountPath[] = "/web/apps/client/newaccount/account.asp";
inline constexpr char kHelpPath[] = "/backgammon/help/default.asp";
inline constexpr char kNewsPath[] = "/web/apps/client/motd/default.asp";

// address with "name=value" added to its query: after '?' when it has none yet, else after '&';
// the value is percent-encoded (a blank becomes "%20"), a fragment stays at the end.
QString AppendQueryItem(const QString& address, const QString& name, const QString& value);
// A value for a form-encoded query string: a blank becomes '+'; letters, digits and "-._~:@/,!*'()"
// stay as they are; every other character (among them '&', '=', '+', '#', '%' and all non-ASCII) is
// written as %XX of its UTF-8 bytes. "Playing Backgammon with Bob" -> "Playing+Backgammon+with+Bob".
QString FormEncodeValue(const QString& value);
// address with a bare query word added the same way (encoded, no '=').
QString AppendQueryWord(const QString& address, const QString& word);

// Whether the address's host is the domain or a host inside it (compared without regard to case).
// "http://www.example.com/x" is in "example.com"; "http://example.com.evil.net/" and
// "http://evil.net/?example.com" are not.
bool IsAddressInDomain(const QUrl& address, const QString& domain);

// Whether an address may be handed to the user's own browser: http, https and mailto only.
bool IsExternallyOpenable(const QUrl& address);
