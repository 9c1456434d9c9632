"""The other device of the sync tests: python3-caldav on one task list.

Reads one JSON command a line from standard input and answers each with one
JSON line on standard output ({"ok": true, ...} or {"ok": false, "error": ...}).
Prints "READY" once it has reached the list. Ends with its input.

  {"op": "add", "uid": U, "summary": S, "due": "20261205" | "20261205T093000Z",
   "description": D?, "categories": [..]?, "alarm": true?}
                        a new to-do through Calendar.save_todo
  {"op": "event", "uid": U, "summary": S, "start": "20261205T100000Z"}
                        an event through Calendar.save_event
  {"op": "edit", "uid": U, "summary": S?, "description": D?, "due": ...?,
   "categories": [..]?}
                        the to-do changed where it is: through save_todo when
                        the item has the name save_todo gives it, else save()
  {"op": "complete", "uid": U}   Todo.complete()
  {"op": "delete", "uid": U}     Todo.delete()
  {"op": "delete", "uids": [U, ...]}  each of them, the list read once
  {"op": "events"}      the UIDs of the list's events: "uids"
  {"op": "list"}        every to-do, done ones included: "items", each with
                        uid, summary, description, due, status, categories,
                        alarms, x (the X- properties), the raw text and
                        the href (the resource's path)

Usage: /usr/bin/python3 caldav_peer.py LIST_URL USER PASSWORD
"""

import json
import sys
from urllib.parse import quote

import caldav
import icalendar


def todo_text(command):
    lines = ["BEGIN:VCALENDAR", "VERSION:2.0", "PRODID:-//peer//caldav//EN", "BEGIN:VTODO",
             "UID:" + command["uid"], "DTSTAMP:20261101T000000Z"]
    component = icalendar.Todo()
    component.add("summary", command["summary"])
    if command.get("description"):
        component.add("description", command["description"])
    lines += [line for line in component.to_ical().decode("utf-8").splitlines()
              if not line.startswith(("BEGIN:", "END:"))]
    due = command["due"]
    lines.append(("DUE;VALUE=DATE:" if len(due) == 8 else "DUE:") + due)
    if command.get("categories"):
        lines.append("CATEGORIES:" + ",".join(command["categories"]))
    if command.get("alarm"):
        lines += ["BEGIN:VALARM", "ACTION:DISPLAY", "DESCRIPTION:Reminder", "TRIGGER:-PT15M",
                  "END:VALARM"]
    lines += ["END:VTODO", "END:VCALENDAR"]
    return "\r\n".join(lines) + "\r\n"


def find(calendar, uid):
    for todo in calendar.todos(include_completed=True):
        if str(todo.icalendar_component.get("uid")) == uid:
            return todo
    raise KeyError("no to-do " + uid)


def set_due(component, due):
    component.pop("DUE", None)
    # A date for eight digits, a time in UTC for one ending in Z.
    component.add("due", icalendar.vDDDTypes.from_ical(due))


def categories(component):
    value = component.get("categories")
    values = value if isinstance(value, list) else [value] if value is not None else []
    return [str(cat) for v in values for cat in v.cats]


def edit(calendar, command):
    todo = find(calendar, command["uid"])
    component = todo.icalendar_component
    for key in ("summary", "description"):
        if key in command:
            component.pop(key.upper(), None)
            component.add(key, command[key])
    if "due" in command:
        set_due(component, command["due"])
    if "categories" in command:
        component.pop("CATEGORIES", None)
        component.add("categories", command["categories"])
    own_name = calendar.url.join(quote(command["uid"].replace("/", "%2F")) + ".ics")
    if str(todo.url) == str(own_name):
        calendar.save_todo(todo.icalendar_instance.to_ical().decode("utf-8"))
    else:
        todo.save()


def listing(calendar):
    items = []
    for todo in calendar.todos(include_completed=True):
        c = todo.icalendar_component
        due = c.get("due")
        items.append({
            "uid": str(c.get("uid")),
            "summary": str(c.get("summary", "")),
            "description": str(c.get("description", "")),
            "due": due.to_ical().decode("ascii") if due is not None else "",
            "status": str(c.get("status", "")),
            "categories": categories(c),
            "alarms": len([s for s in c.subcomponents if s.name == "VALARM"]),
            "x": {k: str(v) for k, v in c.items() if k.startswith("X-")},
            "raw": todo.data,
            "href": todo.url.path,
        })
    return items


def main():
    url, user, password = sys.argv[1:4]
    client = caldav.DAVClient(url=url, username=user, password=password)
    calendar = caldav.Calendar(client=client, url=url)
    print("READY", flush=True)
    for line in sys.stdin:
        command = json.loads(line)
        try:
            op = command["op"]
            answer = {"ok": True}
            if op == "add":
                calendar.save_todo(todo_text(command))
            elif op == "event":
                calendar.save_event(
                    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//peer//caldav//EN\r\n"
                    "BEGIN:VEVENT\r\nUID:%s\r\nDTSTAMP:20261101T000000Z\r\nDTSTART:%s\r\n"
                    "SUMMARY:%s\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n"
                    % (command["uid"], command["start"], command["summary"]))
            elif op == "events":
                answer["uids"] = [str(e.icalendar_component.get("uid")) for e in calendar.events()]
            elif op == "edit":
                edit(calendar, command)
            elif op == "complete":
                find(calendar, command["uid"]).complete()
            elif op == "delete" and "uids" in command:
                todos = {str(t.icalendar_component.get("uid")): t
                         for t in calendar.todos(include_completed=True)}
                for uid in command["uids"]:
                    todos[uid].delete()
            elif op == "delete":
                find(calendar, command["uid"]).delete()
            elif op == "list":
                answer["items"] = listing(calendar)
            else:
                raise ValueError("unknown op " + op)
        except Exception as error:  # noqa: BLE001 - every failure goes back to the test
            answer = {"ok": False, "error": "%s: %s" % (type(error).__name__, error)}
        print(json.dumps(answer), flush=True)


if __name__ == "__main__":
    main()
