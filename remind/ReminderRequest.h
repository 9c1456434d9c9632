// What the reminder agent and the window of its folder say to each other: one
// line a request over the single-instance socket of the one that listens
// (docs/reminders.md shows every line), and the window's command-line form of
// an action, for the agent to start a window with when none runs. A subject
// is named by its key in hexadecimal, without the key's trailing zero bytes.
#pragma once

#include <QByteArray>
#include <QStringList>
#include <optional>

#include "ReminderDriver.h"

struct ReminderRequest {
    enum class Kind {
        ComeForward,  // to the window: come forward (a second start)
        Open,         // to the window: come forward with the subject selected
        Done,         // to the window: mark the subject done
        MarkedDone,   // to the agent: the window marked the subject done, not saved yet
        MarkedOpen,   // to the agent: the window took that mark back, not saved yet
        End,          // to the agent: end, as 通知する was turned off
    };

    Kind kind = Kind::ComeForward;
    QByteArray key;    // the subject's kKeySize key bytes; empty for ComeForward and End
    QByteArray token;  // to the window: the right to raise a window, may be empty

    bool operator==(const ReminderRequest&) const = default;

    // The request for `action` on the subject `key`.
    static ReminderRequest ForAction(ReminderAction action, const QByteArray& key,
                                     const QByteArray& token = {});
    // The action a request to the window asks for; nullopt for ComeForward
    // and the agent's requests.
    std::optional<ReminderAction> Action() const;
};

// The line of a request, ending in "\n". Tabs and line ends in the token go.
QByteArray RequestLine(const ReminderRequest& request);
// The request a line holds (with or without its "\n"); nullopt for a line
// that is none, a key that names no subject included.
std::optional<ReminderRequest> ParseRequestLine(const QByteArray& line);

// What a running copy answers once it has taken a request.
inline constexpr char kRequestTaken[] = "ok";

// The key as a request names it, and back; nullopt for a text that names no
// key (not hexadecimal, empty, or longer than a key).
QByteArray KeyText(const QByteArray& key);
std::optional<QByteArray> KeyOfText(const QByteArray& text);

// The first of the window's arguments when the agent starts it with an action.
inline constexpr char kReminderActionArgument[] = "--reminder-action";

// The arguments that start the window with an Open or Done request:
// "--reminder-action", "open" or "done", the key's text.
QStringList WindowArguments(const ReminderRequest& request);
// The request of the window's arguments after the program's name; nullopt
// when they do not start with "--reminder-action", and also, with `wrong`
// set, when they do and are no request (another action, a text that is no
// key, or more arguments).
std::optional<ReminderRequest> RequestOfArguments(const QStringList& arguments, bool& wrong);
