#include "DavDiscovery.h"

#include <algorithm>

#include "DavAddress.h"
#include "DavBodies.h"
#include "MultiStatus.h"

const QString DavDiscovery::kNewListName = QStringLiteral("veskat");

namespace {

// Enough for a well-known URL that points at a context path that adds a
// slash; a longer chain is a loop or a server that does not know its mind.
constexpr int kMostRedirects = 5;
// Names tried for a new list before giving up: "veskat", "veskat-2" ...
constexpr int kMostSlugs = 9;

const QString kCompanionSuffix = QStringLiteral(" 反復");
const QString kCompanionSlugSuffix = QStringLiteral("-rep");
const QString kTodo = QStringLiteral("VTODO");

bool IsRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The password goes with every request, so it may go only where the user
// pointed: the same host, over an address CheckAddress allows.
bool MayFollow(const QUrl& from, const QUrl& to) {
    return to.isValid() && to.host().compare(from.host(), Qt::CaseInsensitive) == 0 &&
           CheckAddress(to) == AddressVerdict::Allowed;
}

DiscoveryResult Failure(const DavReply& reply, DavOutcome transfer) {
    DiscoveryResult result;
    result.outcome = DiscoveryOutcome::Failed;
    result.transfer = transfer;
    result.status = reply.status;
    return result;
}

DiscoveryResult Failure(const DavReply& reply) {
    return Failure(reply, reply.outcome);
}

DiscoveryResult Outcome(DiscoveryOutcome outcome, const QUrl& movedTo = {}) {
    DiscoveryResult result;
    result.outcome = outcome;
    result.movedTo = movedTo;
    return result;
}

// Found when the next step's URL `to` may be asked after `from`.
DiscoveryResult FollowTo(const QUrl& from, const QUrl& to) {
    if (to.isEmpty()) {
        return Outcome(DiscoveryOutcome::NotCalDav);
    }
    return MayFollow(from, to) ? Outcome(DiscoveryOutcome::Found)
                               : Outcome(DiscoveryOutcome::MovedElsewhere, to);
}

// A failure no other address of the server can mend: the server is not
// there, its certificate fails, the password is wrong, the user gave up.
bool EndsTheSearch(DavOutcome outcome) {
    switch (outcome) {
        case DavOutcome::NotAuthorised:
        case DavOutcome::AddressRefused:
        case DavOutcome::NotSent:
        case DavOutcome::CertificateRefused:
        case DavOutcome::Unreachable:
        case DavOutcome::Stalled:
        case DavOutcome::Cancelled:
            return true;
        default:
            return false;
    }
}

QUrl FirstHref(const DavResponse& response, const DavName& name, const QUrl& base) {
    const DavProp* prop = response.Find(name);
    if (prop == nullptr || prop->hrefs.isEmpty()) {
        return {};
    }
    return ResolveHref(base, prop->hrefs.front());
}

// The server's root, "/.well-known/caldav", and first the address itself
// when the user gave more than a host.
std::vector<QUrl> ContextPaths(const QUrl& address) {
    QUrl root = address;
    root.setPath(QStringLiteral("/"));
    root.setQuery(QString());
    root.setFragment(QString());
    std::vector<QUrl> paths;
    if (address.path().size() > 1) {
        paths.push_back(address);
    }
    paths.push_back(root.resolved(QUrl(QStringLiteral("/.well-known/caldav"))));
    paths.push_back(root);
    return paths;
}

// A task list of the home: a collection below it on the same host.
bool ReadHomeList(const DavResponse& response, const QUrl& home, TaskList& list) {
    const QUrl url = AsCollection(ResolveHref(home, response.href));
    return MayFollow(home, url) && !SameResource(url, home) && ReadTaskList(response, url, list);
}

// What a MKCALENDAR of a name already taken answers: 405 or 409 (Radicale),
// or a 207 holding a 403 (Xandikos).
bool NameTaken(const DavReply& reply) {
    if (reply.status == 405 || reply.status == 409) {
        return true;
    }
    MultiStatus parsed;
    if (reply.status != 207 || ReadMultiStatus(reply.body, parsed) != XmlOutcome::Read) {
        return false;
    }
    return std::any_of(parsed.responses.begin(), parsed.responses.end(), [](const DavResponse& r) {
        return r.status == 403 || r.status == 405 || r.status == 409;
    });
}

const TaskList* ListNamed(const std::vector<TaskList>& lists, const QString& displayName) {
    auto it = std::find_if(lists.begin(), lists.end(),
                           [&](const TaskList& l) { return l.displayName == displayName; });
    return it == lists.end() ? nullptr : &*it;
}

const TaskList* ListAt(const std::vector<TaskList>& lists, const QUrl& url) {
    auto it = std::find_if(lists.begin(), lists.end(),
                           [&](const TaskList& l) { return SameResource(l.url, url); });
    return it == lists.end() ? nullptr : &*it;
}

}  // namespace

QString CompanionName(const TaskList& list) {
    return list.displayName + kCompanionSuffix;
}

DavReply DavDiscovery::PropfindFollowing(QUrl& url, DavDepth depth, const QByteArray& body,
                                         QUrl& elsewhere) {
    DavReply reply = client_.Propfind(url, depth, body);
    for (int hop = 0; hop < kMostRedirects && IsRedirect(reply.status); ++hop) {
        const QUrl target = ResolveHref(url, QString::fromUtf8(reply.location));
        if (!MayFollow(url, target)) {
            elsewhere = target;
            break;
        }
        url = target;
        reply = client_.Propfind(url, depth, body);
    }
    return reply;
}

DiscoveryResult DavDiscovery::Discover(const QUrl& address, DavAccount& account) {
    account = DavAccount();
    if (CheckAddress(address) != AddressVerdict::Allowed) {
        return Failure(DavReply(), DavOutcome::AddressRefused);
    }
    QUrl elsewhere;
    for (const QUrl& context : ContextPaths(address)) {
        DiscoveryResult found = FindPrincipal(context, account);
        if (found.outcome == DiscoveryOutcome::MovedElsewhere) {
            elsewhere = found.movedTo;
            continue;
        }
        if (found.outcome == DiscoveryOutcome::Found) {
            break;
        }
        if (found.outcome == DiscoveryOutcome::Failed && EndsTheSearch(found.transfer)) {
            return found;
        }
    }
    if (account.principal.isEmpty()) {
        return elsewhere.isEmpty() ? Outcome(DiscoveryOutcome::NotCalDav)
                                   : Outcome(DiscoveryOutcome::MovedElsewhere, elsewhere);
    }
    if (account.home.isEmpty()) {
        DiscoveryResult home = FindHome(account);
        if (home.outcome != DiscoveryOutcome::Found) {
            return home;
        }
    }
    return ListTaskLists(account.home, account.lists);
}

DiscoveryResult DavDiscovery::FirstHrefs(QUrl& url, std::initializer_list<DavName> names,
                                         std::vector<QUrl>& hrefs) {
    QUrl elsewhere;
    const DavReply reply =
        PropfindFollowing(url, DavDepth::Zero, DavBodies::Propfind(names), elsewhere);
    if (!elsewhere.isEmpty()) {
        return Outcome(DiscoveryOutcome::MovedElsewhere, elsewhere);
    }
    MultiStatus parsed;
    const DavResponse* answer = SoleAnswer(reply, parsed);
    if (answer == nullptr) {
        return reply.outcome == DavOutcome::Done ? Outcome(DiscoveryOutcome::NotCalDav)
                                                 : Failure(reply);
    }
    hrefs.clear();
    for (const DavName& name : names) {
        hrefs.push_back(FirstHref(*answer, name, url));
    }
    return Outcome(DiscoveryOutcome::Found);
}

DiscoveryResult DavDiscovery::FindPrincipal(QUrl url, DavAccount& account) {
    std::vector<QUrl> hrefs;
    const DiscoveryResult found =
        FirstHrefs(url, {DavNames::kCurrentUserPrincipal, DavNames::kCalendarHomeSet}, hrefs);
    if (found.outcome != DiscoveryOutcome::Found) {
        return found;
    }
    // A server without current-user-principal may still answer the home
    // where the user pointed at the principal itself.
    const QUrl& principal = hrefs[0];
    const QUrl& home = hrefs[1];
    const DiscoveryResult next = FollowTo(url, principal.isEmpty() ? home : principal);
    if (next.outcome == DiscoveryOutcome::Found) {
        account.principal = principal.isEmpty() ? url : principal;
        account.home = principal.isEmpty() ? AsCollection(home) : QUrl();
    }
    return next;
}

DiscoveryResult DavDiscovery::FindHome(DavAccount& account) {
    std::vector<QUrl> hrefs;
    const DiscoveryResult found =
        FirstHrefs(account.principal, {DavNames::kCalendarHomeSet}, hrefs);
    if (found.outcome != DiscoveryOutcome::Found) {
        return found;
    }
    const DiscoveryResult next = FollowTo(account.principal, hrefs[0]);
    if (next.outcome == DiscoveryOutcome::Found) {
        account.home = AsCollection(hrefs[0]);
    }
    return next;
}

DiscoveryResult DavDiscovery::ListTaskLists(const QUrl& home, std::vector<TaskList>& lists) {
    lists.clear();
    const DavReply reply = client_.Propfind(home, DavDepth::One, TaskListPropfind());
    MultiStatus parsed;
    if (reply.outcome != DavOutcome::Done) {
        return Failure(reply);
    }
    if (reply.status != 207 || ReadMultiStatus(reply.body, parsed) != XmlOutcome::Read) {
        return Failure(reply, DavOutcome::Refused);
    }
    for (const DavResponse& response : parsed.responses) {
        TaskList list;
        if (ReadHomeList(response, home, list) && ListAt(lists, list.url) == nullptr) {
            lists.push_back(list);
        }
    }
    std::sort(lists.begin(), lists.end(), [](const TaskList& a, const TaskList& b) {
        return a.displayName != b.displayName ? a.displayName < b.displayName
                                              : a.url.toString() < b.url.toString();
    });
    return Outcome(DiscoveryOutcome::Found);
}

DiscoveryResult DavDiscovery::FindOrMakeNewList(DavAccount& account, TaskList& list) {
    return FindOrMake(account, kNewListName, kNewListName, list);
}

DiscoveryResult DavDiscovery::FindOrMakeCompanion(DavAccount& account, const TaskList& list,
                                                  TaskList& companion) {
    return FindOrMake(account, CompanionName(list), LastSegment(list.url) + kCompanionSlugSuffix,
                      companion);
}

DiscoveryResult DavDiscovery::FindOrMake(DavAccount& account, const QString& displayName,
                                         const QString& slug, TaskList& list) {
    // Another computer may have made it since the lists were read.
    DiscoveryResult listed = ListTaskLists(account.home, account.lists);
    if (listed.outcome != DiscoveryOutcome::Found) {
        return listed;
    }
    if (const TaskList* existing = ListNamed(account.lists, displayName)) {
        list = *existing;
        return Outcome(DiscoveryOutcome::Found);
    }
    const QByteArray body = DavBodies::MkCalendar(displayName, kTodo);
    for (int n = 1; n <= kMostSlugs; ++n) {
        const QString name = n == 1 ? slug : slug + QLatin1Char('-') + QString::number(n);
        const QUrl url = account.home.resolved(
            QUrl(QString::fromLatin1(QUrl::toPercentEncoding(name)) + QLatin1Char('/')));
        const DavReply reply = client_.MkCalendar(url, body);
        if (reply.outcome == DavOutcome::Done && reply.status != 207) {
            listed = ListTaskLists(account.home, account.lists);
            const TaskList* made = ListAt(account.lists, url);
            list = made != nullptr ? *made : TaskList{url, displayName, true};
            return Outcome(DiscoveryOutcome::Made);
        }
        if (!NameTaken(reply)) {
            return Failure(reply,
                           reply.outcome == DavOutcome::Done ? DavOutcome::Refused : reply.outcome);
        }
    }
    return Failure(DavReply(), DavOutcome::Refused);
}
