// Which addresses the CalDAV client may send a request, and the password with
// it, to: https anywhere, plain http only to this computer. Every URL the
// client is given or reads from a server's reply passes through here first.
#pragma once

#include <QString>
#include <QUrl>

enum class [[nodiscard]] AddressVerdict{
    Allowed,
    NotAnAddress,        // empty, unparsable, or without a host
    NotHttp,             // a scheme other than https and http
    PlainHttpElsewhere,  // http to a host other than 127.0.0.1, ::1 or localhost
    HoldsLogin,          // a user or password inside the URL itself
};

// Whether `url` may be asked. A login inside a URL would travel in logs and
// the INI file; the login is set on the client instead.
AddressVerdict CheckAddress(const QUrl& url);

// The URL a user means by what they typed into the address field: blanks
// trimmed, "https://" put in front of a bare host ("dav.example.org/x"),
// and nothing else changed. Empty text gives an empty URL.
QUrl AddressFromUserText(const QString& text);

// `url` with its path ending in "/": collections are named so, and a server
// may answer a collection's name without it by a redirect or not at all.
QUrl AsCollection(QUrl url);

// An href from a reply (absolute, or a path on the server that answered
// `base`) as a full URL; empty when it is no URL.
QUrl ResolveHref(const QUrl& base, const QString& href);

// The same resource: scheme, host, port and path equal, a path's trailing
// "/" and its percent-encoding aside.
bool SameResource(const QUrl& a, const QUrl& b);
