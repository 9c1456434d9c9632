#include "TaskListCheck.h"

#include "DavAddress.h"
#include "TaskList.h"

namespace {

enum class Found { List, Missing, NotForTasks, Failed };

// One list: Failed leaves the request's outcome and status in `result`.
Found CheckOne(DavClient& client, const QUrl& url, QString& name, CheckResult& result) {
    const DavReply reply = client.Propfind(url, DavDepth::Zero, TaskListPropfind());
    if (reply.outcome == DavOutcome::NotFound) {
        return Found::Missing;
    }
    MultiStatus parsed;
    const DavResponse* answer = SoleAnswer(reply, parsed);
    if (answer == nullptr && reply.outcome == DavOutcome::Done) {
        const bool missing = !parsed.responses.empty() && (parsed.responses.front().status == 404 ||
                                                           parsed.responses.front().status == 410);
        if (!missing) {
            result.transfer = DavOutcome::Refused;
            result.status = reply.status;
            return Found::Failed;
        }
        return Found::Missing;
    }
    if (answer == nullptr) {
        result.transfer = reply.outcome;
        result.status = reply.status;
        return Found::Failed;
    }
    TaskList list;
    if (!ReadTaskList(*answer, url, list)) {
        return Found::NotForTasks;
    }
    name = list.displayName;
    return Found::List;
}

}  // namespace

CheckResult CheckTaskLists(DavClient& client, const QUrl& url, const QUrl& repUrl) {
    CheckResult result;
    if (url.isEmpty() || repUrl.isEmpty()) {
        result.outcome = CheckOutcome::NotSet;
        return result;
    }
    if (SameResource(url, repUrl)) {
        result.outcome = CheckOutcome::SameList;
        return result;
    }
    struct Step {
        const QUrl& url;
        QString& name;
        CheckOutcome missing;
        CheckOutcome notForTasks;
    };
    const Step steps[] = {
        {url, result.listName, CheckOutcome::ListMissing, CheckOutcome::ListNotForTasks},
        {repUrl, result.companionName, CheckOutcome::CompanionMissing,
         CheckOutcome::CompanionNotForTasks},
    };
    for (const Step& step : steps) {
        switch (CheckOne(client, step.url, step.name, result)) {
            case Found::List:
                continue;
            case Found::Missing:
                result.outcome = step.missing;
                return result;
            case Found::NotForTasks:
                result.outcome = step.notForTasks;
                return result;
            case Found::Failed:
                result.outcome = CheckOutcome::Failed;
                return result;
        }
    }
    result.outcome = CheckOutcome::Ready;
    return result;
}
