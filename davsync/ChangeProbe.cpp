#include "ChangeProbe.h"

#include "DavAddress.h"
#include "DavBodies.h"
#include "DavClient.h"
#include "DavState.h"
#include "MultiStatus.h"
#include "TaskList.h"

namespace {

QString PropText(const DavResponse& response, const DavName& name) {
    const DavProp* prop = response.Find(name);
    return prop != nullptr ? prop->text.trimmed() : QString();
}

// A mark seen at the last sync and given again now says nothing changed;
// with neither to compare, the look cannot tell.
bool Unchanged(const ProbedList& seen, const ListMarks& now) {
    const bool sameToken = !seen.syncToken.isEmpty() && seen.syncToken == now.syncToken;
    const bool sameCtag = !seen.ctag.isEmpty() && seen.ctag == now.ctag;
    return sameToken || sameCtag;
}

}  // namespace

ProbeResult ProbeLists(DavClient& client, const std::vector<ProbedList>& lists) {
    ProbeResult result;
    bool changed = false;
    for (const ProbedList& list : lists) {
        // Radicale works out each mark from every item of the list: the ctag
        // is asked only where no token is kept to compare.
        const DavReply reply =
            client.Propfind(list.url, DavDepth::Zero,
                            list.syncToken.isEmpty()
                                ? DavBodies::Propfind({DavNames::kSyncToken, DavNames::kGetCtag})
                                : DavBodies::Propfind({DavNames::kSyncToken}));
        MultiStatus parsed;
        const DavResponse* answer = SoleAnswer(reply, parsed);
        if (answer == nullptr) {
            result.marks.clear();
            return result;
        }
        ListMarks marks{PropText(*answer, DavNames::kSyncToken),
                        PropText(*answer, DavNames::kGetCtag)};
        changed = changed || !Unchanged(list, marks);
        result.marks.push_back(std::move(marks));
    }
    result.outcome = changed ? ProbeOutcome::Changed : ProbeOutcome::Unchanged;
    return result;
}

QString StateToken(const std::string& dataFile, const QUrl& list) {
    DavState state;
    if (ReadDavState(dataFile, state) != StateRead::Read || !SameResource(QUrl(state.list), list)) {
        return {};
    }
    return state.syncToken;
}
