#include "ReminderRequest.h"

#include <QList>
#include <algorithm>
#include <array>
#include <utility>

#include "RecordLayout.h"

namespace {

// Each kind's word, in a line and on the command line.
constexpr std::array<std::pair<ReminderRequest::Kind, const char*>, 6> kWords{{
    {ReminderRequest::Kind::ComeForward, "come-forward"},
    {ReminderRequest::Kind::Open, "open"},
    {ReminderRequest::Kind::Done, "done"},
    {ReminderRequest::Kind::MarkedDone, "marked-done"},
    {ReminderRequest::Kind::MarkedOpen, "marked-open"},
    {ReminderRequest::Kind::End, "end"},
}};

const char* WordOf(ReminderRequest::Kind kind) {
    for (const auto& [k, word] : kWords) {
        if (k == kind) {
            return word;
        }
    }
    return "";
}

std::optional<ReminderRequest::Kind> KindOf(const QByteArray& word) {
    for (const auto& [kind, w] : kWords) {
        if (word == w) {
            return kind;
        }
    }
    return std::nullopt;
}

bool NamesSubject(ReminderRequest::Kind kind) {
    return kind == ReminderRequest::Kind::Open || kind == ReminderRequest::Kind::Done ||
           kind == ReminderRequest::Kind::MarkedDone || kind == ReminderRequest::Kind::MarkedOpen;
}

bool TakesToken(ReminderRequest::Kind kind) {
    return kind == ReminderRequest::Kind::ComeForward || kind == ReminderRequest::Kind::Open ||
           kind == ReminderRequest::Kind::Done;
}

}  // namespace

ReminderRequest ReminderRequest::ForAction(ReminderAction action, const QByteArray& key,
                                           const QByteArray& token) {
    return {action == ReminderAction::Open ? Kind::Open : Kind::Done, key, token};
}

std::optional<ReminderAction> ReminderRequest::Action() const {
    switch (kind) {
        case Kind::Open:
            return ReminderAction::Open;
        case Kind::Done:
            return ReminderAction::Done;
        default:
            return std::nullopt;
    }
}

QByteArray KeyText(const QByteArray& key) {
    qsizetype used = key.size();
    while (used > 0 && key[used - 1] == '\0') {
        --used;
    }
    return key.left(used).toHex();
}

std::optional<QByteArray> KeyOfText(const QByteArray& text) {
    const bool hex = std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    });
    if (!hex || text.isEmpty() || text.size() % 2 != 0 ||
        text.size() > static_cast<qsizetype>(2 * kKeySize)) {
        return std::nullopt;
    }
    QByteArray key = QByteArray::fromHex(text);
    key.resize(static_cast<qsizetype>(kKeySize), '\0');
    return key;
}

QByteArray RequestLine(const ReminderRequest& request) {
    QByteArray line = WordOf(request.kind);
    if (NamesSubject(request.kind)) {
        line += '\t' + KeyText(request.key);
    }
    if (TakesToken(request.kind)) {
        QByteArray token = request.token;
        token.replace('\t', "").replace('\n', "").replace('\r', "");
        line += '\t' + token;
    }
    return line + '\n';
}

std::optional<ReminderRequest> ParseRequestLine(const QByteArray& line) {
    QByteArray text = line;
    while (text.endsWith('\n') || text.endsWith('\r')) {
        text.chop(1);
    }
    const QList<QByteArray> parts = text.split('\t');
    const std::optional<ReminderRequest::Kind> kind = KindOf(parts.value(0));
    if (!kind) {
        return std::nullopt;
    }
    ReminderRequest request{*kind, {}, {}};
    qsizetype next = 1;
    if (NamesSubject(*kind)) {
        const std::optional<QByteArray> key = KeyOfText(parts.value(next++));
        if (!key) {
            return std::nullopt;
        }
        request.key = *key;
    }
    if (TakesToken(*kind)) {
        request.token = parts.value(next++);
    }
    if (parts.size() > next) {
        return std::nullopt;
    }
    return request;
}

QStringList WindowArguments(const ReminderRequest& request) {
    return {QString::fromLatin1(kReminderActionArgument), QString::fromLatin1(WordOf(request.kind)),
            QString::fromLatin1(KeyText(request.key))};
}

std::optional<ReminderRequest> RequestOfArguments(const QStringList& arguments, bool& wrong) {
    wrong = false;
    if (arguments.value(0).toLatin1() != kReminderActionArgument) {
        return std::nullopt;
    }
    const std::optional<ReminderRequest::Kind> kind = KindOf(arguments.value(1).toLatin1());
    const std::optional<QByteArray> key = KeyOfText(arguments.value(2).toLatin1());
    const bool action =
        kind && (*kind == ReminderRequest::Kind::Open || *kind == ReminderRequest::Kind::Done);
    if (!action || !key || arguments.size() != 3) {
        wrong = true;
        return std::nullopt;
    }
    return ReminderRequest{*kind, *key, {}};
}
