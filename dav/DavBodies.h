// The XML bodies of the requests the CalDAV code sends, written with
// QXmlStreamWriter so that a name such as a list's display name is always
// escaped.
#pragma once

#include <QByteArray>
#include <QString>

#include <initializer_list>
#include <vector>

#include "DavName.h"

namespace DavBodies {

// A PROPFIND asking for the named properties.
QByteArray Propfind(std::initializer_list<DavName> props);

// An MKCALENDAR of a collection shown as `displayName` that holds only
// components of `component` ("VTODO").
QByteArray MkCalendar(const QString& displayName, const QString& component);

// A sync-collection REPORT (RFC 6578) of the members changed since `token`
// (every member for an empty one), asking for their ETags.
QByteArray SyncCollection(const QString& token);

// A calendar-multiget REPORT of the resources `hrefs` (paths, percent-encoded),
// asking for their ETags and calendar data.
QByteArray CalendarMultiget(const std::vector<QString>& hrefs);

}  // namespace DavBodies
