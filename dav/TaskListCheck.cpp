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
    if (answer == nullptr) {
        // Xandikos tells a missing list by a 207 holding the 404.
        const int inner = parsed.responses.empty() ? 0 : parsed.responses.front().status;
        if (reply.outcome == DavOutcome::Done && (inner == 404 || inner == 410)) {
            return Found::Missing;
        }
        // A reply that answers nothing for the list is a refusal too.
        result.transfer = reply.outcome == DavOutcome::Done ? DavOutcome::Refused : reply.outcome;
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
