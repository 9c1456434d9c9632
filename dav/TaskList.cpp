#include "TaskList.h"

#include <algorithm>

#include "DavBodies.h"

namespace {

const QString kTodo = QStringLiteral("VTODO");

}  // namespace

QByteArray TaskListPropfind() {
    return DavBodies::Propfind(
        {DavNames::kResourceType, DavNames::kDisplayName, DavNames::kComponentSet});
}

bool ReadTaskList(const DavResponse& response, const QUrl& url, TaskList& list) {
    const DavProp* type = response.Find(DavNames::kResourceType);
    if (type == nullptr || std::find(type->children.begin(), type->children.end(),
                                     DavNames::kCalendar) == type->children.end()) {
        return false;
    }
    const DavProp* components = response.Find(DavNames::kComponentSet);
    const QStringList names = components == nullptr ? QStringList() : components->compNames;
    if (!names.isEmpty() && !names.contains(kTodo, Qt::CaseInsensitive)) {
        return false;
    }
    list.url = url;
    list.tasksOnly = names.size() == 1;
    const DavProp* name = response.Find(DavNames::kDisplayName);
    list.displayName = name == nullptr ? QString() : name->text.trimmed();
    if (list.displayName.isEmpty()) {
        list.displayName = LastSegment(url);
    }
    return true;
}

const DavResponse* SoleAnswer(const DavReply& reply, MultiStatus& parsed) {
    if (reply.outcome != DavOutcome::Done || reply.status != 207 ||
        ReadMultiStatus(reply.body, parsed) != XmlOutcome::Read || parsed.responses.empty()) {
        return nullptr;
    }
    const DavResponse& response = parsed.responses.front();
    return response.status >= 300 ? nullptr : &response;
}

QString LastSegment(const QUrl& url) {
    const QStringList parts =
        url.path(QUrl::FullyDecoded).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return parts.isEmpty() ? QString() : parts.back();
}
