// A collection that takes VTODOs, as discovery lists it and the start-up
// check finds it, and how one is read from a PROPFIND's answer.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include "DavClient.h"
#include "MultiStatus.h"

struct TaskList {
    QUrl url;                // ends in "/"
    QString displayName;     // the server's, or the last part of the URL when it has none
    bool tasksOnly = false;  // takes VTODOs and nothing else
};

// The PROPFIND body that asks a collection what ReadTaskList reads.
QByteArray TaskListPropfind();

// Whether the collection `response` answers for, at `url`, is a calendar
// that takes VTODOs (one that names no components takes every kind); when
// it is, fills `list`.
bool ReadTaskList(const DavResponse& response, const QUrl& url, TaskList& list);

// The response of a Depth 0 PROPFIND that answered for its resource, read
// into `parsed`; null when the reply holds none (Xandikos answers a missing
// resource with a 207 whose one response carries a 404).
const DavResponse* SoleAnswer(const DavReply& reply, MultiStatus& parsed);

// The last segment of the URL's path, decoded.
QString LastSegment(const QUrl& url);
