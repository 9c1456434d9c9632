// The qualified name of a WebDAV element or property (its XML namespace and
// local name), and the names the CalDAV code asks servers for.
#pragma once

#include <QString>

struct DavName {
    QString ns;
    QString local;

    bool operator==(const DavName&) const = default;
};

namespace DavNames {

inline const QString kDav = QStringLiteral("DAV:");
inline const QString kCalDav = QStringLiteral("urn:ietf:params:xml:ns:caldav");
inline const QString kCalendarServer = QStringLiteral("http://calendarserver.org/ns/");

inline const DavName kCurrentUserPrincipal{kDav, QStringLiteral("current-user-principal")};
inline const DavName kCalendarHomeSet{kCalDav, QStringLiteral("calendar-home-set")};
inline const DavName kResourceType{kDav, QStringLiteral("resourcetype")};
inline const DavName kDisplayName{kDav, QStringLiteral("displayname")};
inline const DavName kComponentSet{kCalDav, QStringLiteral("supported-calendar-component-set")};
inline const DavName kGetEtag{kDav, QStringLiteral("getetag")};
inline const DavName kGetCtag{kCalendarServer, QStringLiteral("getctag")};
inline const DavName kSyncToken{kDav, QStringLiteral("sync-token")};
inline const DavName kCalendarData{kCalDav, QStringLiteral("calendar-data")};

// Children of resourcetype.
inline const DavName kCollection{kDav, QStringLiteral("collection")};
inline const DavName kCalendar{kCalDav, QStringLiteral("calendar")};

}  // namespace DavNames
