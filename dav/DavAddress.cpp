#include "DavAddress.h"

namespace {

bool IsLoopbackHost(const QString& host) {
    return host == QLatin1String("127.0.0.1") || host == QLatin1String("::1") ||
           host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0;
}

int PortOf(const QUrl& url) {
    return url.port(url.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) == 0 ? 80
                                                                                          : 443);
}

QString PathWithoutSlash(const QUrl& url) {
    QString path = url.path(QUrl::FullyDecoded);
    while (path.endsWith(QLatin1Char('/'))) {
        path.chop(1);
    }
    return path;
}

}  // namespace

AddressVerdict CheckAddress(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty()) {
        return AddressVerdict::NotAnAddress;
    }
    if (!url.userInfo().isEmpty()) {
        return AddressVerdict::HoldsLogin;
    }
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https")) {
        return AddressVerdict::Allowed;
    }
    if (scheme != QLatin1String("http")) {
        return AddressVerdict::NotHttp;
    }
    return IsLoopbackHost(url.host()) ? AddressVerdict::Allowed
                                      : AddressVerdict::PlainHttpElsewhere;
}

QUrl AddressFromUserText(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return {};
    }
    // "host:port" would parse as a scheme "host"; only "://" marks one.
    if (!trimmed.contains(QLatin1String("://"))) {
        return QUrl(QLatin1String("https://") + trimmed, QUrl::StrictMode);
    }
    return QUrl(trimmed, QUrl::StrictMode);
}

QUrl AsCollection(QUrl url) {
    if (!url.path().endsWith(QLatin1Char('/'))) {
        url.setPath(url.path(QUrl::FullyEncoded) + QLatin1Char('/'), QUrl::StrictMode);
    }
    return url;
}

QUrl ResolveHref(const QUrl& base, const QString& href) {
    const QUrl relative(href.trimmed(), QUrl::StrictMode);
    if (!relative.isValid() || href.trimmed().isEmpty()) {
        return {};
    }
    return base.resolved(relative);
}

bool SameResource(const QUrl& a, const QUrl& b) {
    return a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0 &&
           a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && PortOf(a) == PortOf(b) &&
           PathWithoutSlash(a) == PathWithoutSlash(b);
}
