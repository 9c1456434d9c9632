// Finding a user's task lists from the bare address of a CalDAV server, and
// making the lists veskat keeps its subjects in (docs/caldav.md): the context
// path through /.well-known/caldav (RFC 6764), the principal through
// current-user-principal, the calendar home through calendar-home-set, then
// the home's collections that take VTODOs. The connection dialog runs it, on a worker thread,
// through one DavClient that holds the login.
#pragma once

#include <QString>
#include <QUrl>

#include <initializer_list>
#include <vector>

#include "DavClient.h"
#include "TaskList.h"

struct DavAccount {
    QUrl principal;
    QUrl home;                    // the calendar home; ends in "/"
    std::vector<TaskList> lists;  // the home's task lists, by display name
};

enum class DiscoveryOutcome {
    Found,           // the account, or the list asked for, is there
    Made,            // the list asked for was made
    Failed,          // a request failed: see `transfer` and `status`
    NotCalDav,       // the server answered, but showed no principal or calendar home
    MovedElsewhere,  // the server sends the user to another host: see `movedTo`
};

struct [[nodiscard]] DiscoveryResult {
    DiscoveryOutcome outcome = DiscoveryOutcome::Failed;
    // With Failed: what the failing request met (NotAuthorised for a refused
    // password), and its HTTP status when one came.
    DavOutcome transfer = DavOutcome::Done;
    long status = 0;
    // With MovedElsewhere: where the server points, never asked without the
    // user's say, since the password would go with the request.
    QUrl movedTo;
};

class DavDiscovery {
  public:
    // The display name of the list veskat makes when the user makes a new one.
    static const QString kNewListName;

    explicit DavDiscovery(DavClient& client) : client_(client) {}

    // Fills `account` from the address the user gave (a bare host, the
    // server's root, or any URL of the account on it). Found, Failed,
    // NotCalDav or MovedElsewhere. Redirects are followed only on the same
    // host, at most a few.
    DiscoveryResult Discover(const QUrl& address, DavAccount& account);

    // Reads the task lists of `home` into `lists` again. Found or Failed.
    DiscoveryResult ListTaskLists(const QUrl& home, std::vector<TaskList>& lists);

    // The list named kNewListName in `account.home`, made (VTODO only) when
    // the home has none. Found or Made with `list` filled, or Failed.
    DiscoveryResult FindOrMakeNewList(DavAccount& account, TaskList& list);

    // The companion of `list` for the repeating subjects, in the same home:
    // the task list named CompanionName(list), made when there is none.
    // Found or Made with `companion` filled, or Failed.
    DiscoveryResult FindOrMakeCompanion(DavAccount& account, const TaskList& list,
                                        TaskList& companion);

  private:
    DavClient& client_;

    // PROPFIND of `url`, following redirects on its host; the reply of the
    // last one, and `url` moved to where it was answered.
    DavReply PropfindFollowing(QUrl& url, DavDepth depth, const QByteArray& body, QUrl& elsewhere);
    // PROPFIND Depth 0 of `url` for `names`: Found with the first href of
    // each, resolved (empty where it had none).
    DiscoveryResult FirstHrefs(QUrl& url, std::initializer_list<DavName> names,
                               std::vector<QUrl>& hrefs);
    // The principal (or, where it answers one directly, the home) of the
    // context path `url`.
    DiscoveryResult FindPrincipal(QUrl url, DavAccount& account);
    DiscoveryResult FindHome(DavAccount& account);
    // The list named `displayName` in the home, or a new one at `slug/`
    // (`slug-2/` and on while that is taken).
    DiscoveryResult FindOrMake(DavAccount& account, const QString& displayName, const QString& slug,
                               TaskList& list);
};

// The name of the companion of `list`: its display name and " 反復".
QString CompanionName(const TaskList& list);
