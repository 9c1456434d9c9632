#include "WindowAsker.h"

#include "LocalRequest.h"

namespace {

// A window in the middle of a transfer to the server reads its socket only
// once the transfer is over.
constexpr int kWindowAnswerMs = 30000;

}  // namespace

WindowAsker::WindowAsker(QString windowServer, Starter start, QObject* parent)
    : QObject(parent), windowServer_(std::move(windowServer)), start_(std::move(start)) {}

void WindowAsker::Ask(const ReminderRequest& request) {
    LocalRequest* sent =
        LocalRequest::Send(windowServer_, RequestLine(request), kWindowAnswerMs, this);
    connect(sent, &LocalRequest::Finished, this,
            [this, request](LocalRequest::Outcome outcome, const QByteArray& /*answer*/) {
                switch (outcome) {
                    case LocalRequest::Outcome::Taken:
                        emit Asked(request, Way::Taken);
                        return;
                    case LocalRequest::Outcome::NoneListening:
                        emit Asked(request,
                                   start_(WindowArguments(request)) ? Way::Started : Way::Failed);
                        return;
                    case LocalRequest::Outcome::NoAnswer:
                        emit Asked(request, Way::Failed);
                        return;
                }
            });
}
