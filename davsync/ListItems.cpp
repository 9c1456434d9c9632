#include "ListItems.h"

#include <map>

#include "DavAddress.h"
#include "DavBodies.h"
#include "MultiStatus.h"

namespace {

constexpr std::size_t kMultigetBatch = 100;
// A server that pages its answer (507 on the collection) is asked again
// from the token it gave, this many times at most.
constexpr int kPages = 50;

// The path of `href` in a reply to a request on `list`, decoded; empty when
// it is the list itself or another collection, which are no items.
QString ItemPath(const QUrl& list, const QString& href) {
    const QUrl url = ResolveHref(list, href);
    if (url.isEmpty() || SameResource(url, list) || url.path().endsWith(QLatin1Char('/'))) {
        return {};
    }
    return url.path(QUrl::FullyDecoded);
}

QByteArray EtagOf(const DavResponse& response) {
    const DavProp* etag = response.Find(DavNames::kGetEtag);
    return etag != nullptr ? etag->text.trimmed().toUtf8() : QByteArray();
}

// The failures that say the server is unusable now, as opposed to a refusal
// of this kind of request, after which another kind may serve.
bool EndsTheSync(DavOutcome outcome) {
    switch (outcome) {
        case DavOutcome::NotAuthorised:
        case DavOutcome::AddressRefused:
        case DavOutcome::NotSent:
        case DavOutcome::CertificateRefused:
        case DavOutcome::Unreachable:
        case DavOutcome::Stalled:
        case DavOutcome::TooLarge:
        case DavOutcome::Cancelled:
            return true;
        default:
            return false;
    }
}

ServerCall CallOf(const DavReply& reply) {
    return {reply.outcome, reply.status};
}

// Reads a sync-collection answer into `listing`; false when it is none. A
// 507 on the list itself (a page of the answer) sets `more`.
bool ReadSyncAnswer(const QUrl& list, const DavReply& reply, Listing& listing, bool& more) {
    MultiStatus parsed;
    if (reply.status != 207 || ReadMultiStatus(reply.body, parsed) != XmlOutcome::Read ||
        parsed.syncToken.isEmpty()) {
        return false;
    }
    more = false;
    for (const DavResponse& response : parsed.responses) {
        const QString path = ItemPath(list, response.href);
        if (path.isEmpty()) {
            more = more || response.status == 507;
            continue;
        }
        // Only a 404 says a member is gone; any other status without
        // properties is fetched and seen.
        if (response.status == 404) {
            listing.removed.push_back(path);
        } else {
            listing.present.push_back({path, EtagOf(response)});
        }
    }
    listing.syncToken = parsed.syncToken;
    return true;
}

enum class SyncReport { Read, Refused, Failed };

SyncReport SyncCollection(DavClient& client, const QUrl& list, QString token, Listing& listing,
                          ServerCall& call) {
    listing = Listing();
    listing.full = token.isEmpty();
    for (int page = 0; page < kPages; ++page) {
        const DavReply reply =
            client.Report(list, DavDepth::Zero, DavBodies::SyncCollection(token));
        call = CallOf(reply);
        if (EndsTheSync(reply.outcome)) {
            return SyncReport::Failed;
        }
        bool more = false;
        if (!ReadSyncAnswer(list, reply, listing, more)) {
            // An expired or made-up token (Radicale 403 valid-sync-token,
            // Xandikos 500), or no sync-collection at all.
            return SyncReport::Refused;
        }
        if (!more) {
            call = {};
            return SyncReport::Read;
        }
        token = listing.syncToken;
    }
    return SyncReport::Refused;
}

ServerCall PropfindEtags(DavClient& client, const QUrl& list, Listing& listing) {
    listing = Listing();
    const DavReply reply = client.Propfind(
        list, DavDepth::One, DavBodies::Propfind({DavNames::kGetEtag, DavNames::kResourceType}));
    MultiStatus parsed;
    if (reply.outcome != DavOutcome::Done) {
        return CallOf(reply);
    }
    if (ReadMultiStatus(reply.body, parsed) != XmlOutcome::Read) {
        return {DavOutcome::Refused, reply.status};
    }
    for (const DavResponse& response : parsed.responses) {
        if (const QString path = ItemPath(list, response.href);
            !path.isEmpty() && response.status != 404) {
            listing.present.push_back({path, EtagOf(response)});
        }
    }
    return {};
}

QString EncodedPath(const QString& decoded) {
    QUrl url;
    url.setPath(decoded, QUrl::DecodedMode);
    return url.path(QUrl::FullyEncoded);
}

ServerCall Multiget(DavClient& client, const QUrl& list, const std::vector<QString>& hrefs,
                    std::map<QString, FetchedItem>& got) {
    std::vector<QString> encoded;
    for (const QString& href : hrefs) {
        encoded.push_back(EncodedPath(href));
    }
    const DavReply reply = client.Report(list, DavDepth::One, DavBodies::CalendarMultiget(encoded));
    MultiStatus parsed;
    if (reply.outcome != DavOutcome::Done) {
        return CallOf(reply);
    }
    if (reply.status != 207 || ReadMultiStatus(reply.body, parsed) != XmlOutcome::Read) {
        return {DavOutcome::Refused, reply.status};
    }
    for (const DavResponse& response : parsed.responses) {
        const QString path = ItemPath(list, response.href);
        const DavProp* data = response.Find(DavNames::kCalendarData);
        if (path.isEmpty()) {
            continue;
        }
        FetchedItem item{path, EtagOf(response), {}, response.status == 404};
        if (!item.missing && (data == nullptr || item.etag.isEmpty())) {
            continue;  // left to a GET of its own
        }
        if (data != nullptr) {
            item.text = data->text.toStdString();
        }
        got[path] = std::move(item);
    }
    return {};
}

ServerCall GetOne(DavClient& client, const QUrl& list, const QString& href, FetchedItem& item) {
    const DavReply reply = client.Get(MemberUrl(list, href));
    item = FetchedItem{href, reply.etag, {}, reply.outcome == DavOutcome::NotFound};
    if (item.missing) {
        return {};
    }
    if (reply.outcome != DavOutcome::Done) {
        return CallOf(reply);
    }
    item.text = reply.body.toStdString();
    return {};
}

}  // namespace

QUrl MemberUrl(const QUrl& list, const QString& href) {
    QUrl url = list;
    url.setPath(href, QUrl::DecodedMode);
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

ServerCall ListItems(DavClient& client, const QUrl& list, const QString& token, Listing& listing) {
    ServerCall call;
    // A token the server refuses is followed by none: every member, with a
    // token to start from next time.
    std::vector<QString> tries{token};
    if (!token.isEmpty()) {
        tries.emplace_back();
    }
    for (const QString& from : tries) {
        if (SyncCollection(client, list, from, listing, call) != SyncReport::Refused) {
            return call;
        }
    }
    return PropfindEtags(client, list, listing);
}

ServerCall FetchItems(DavClient& client, const QUrl& list, const std::vector<QString>& hrefs,
                      std::vector<FetchedItem>& items) {
    items.clear();
    std::map<QString, FetchedItem> got;
    bool multiget = true;
    for (std::size_t at = 0; multiget && at < hrefs.size(); at += kMultigetBatch) {
        const std::vector<QString> batch(hrefs.begin() + static_cast<std::ptrdiff_t>(at),
                                         hrefs.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                             hrefs.size(), at + kMultigetBatch)));
        const ServerCall call = Multiget(client, list, batch, got);
        if (EndsTheSync(call.outcome)) {
            return call;
        }
        multiget = call.Ok();
    }
    for (const QString& href : hrefs) {
        auto found = got.find(href);
        if (found == got.end()) {
            FetchedItem item;
            if (const ServerCall call = GetOne(client, list, href, item); !call.Ok()) {
                return call;
            }
            found = got.emplace(href, std::move(item)).first;
        }
        items.push_back(std::move(found->second));
    }
    return {};
}
