// The XML bodies of the requests the CalDAV code sends, written with
// QXmlStreamWriter so that a name such as a list's display name is always
// escaped.
#pragma once

#include <QByteArray>
#include <QString>

#include <initializer_list>

#include "DavName.h"

namespace DavBodies {

// A PROPFIND asking for the named properties.
QByteArray Propfind(std::initializer_list<DavName> props);

// An MKCALENDAR of a collection shown as `displayName` that holds only
// components of `component` ("VTODO").
QByteArray MkCalendar(const QString& displayName, const QString& component);

}  // namespace DavBodies
