#!/usr/bin/python3
"""The days other programs see a repeating to-do fall on: for each .ics file
in a folder, python3-icalendar reads the to-do, python3-dateutil expands its
RRULE from its DTSTART, and the dates up to the last day asked are printed.

Usage: rrule_days.py FOLDER LAST_DAY(YYYYMMDD)
Prints one line a file: "name date date ..." ("name -" when it has no RRULE).
"""
import datetime
import os
import sys

import icalendar
from dateutil.rrule import rrulestr


def days(todo, last):
    if "RRULE" not in todo:
        return None
    start = todo["DTSTART"].dt
    if not isinstance(start, datetime.datetime):
        start = datetime.datetime.combine(start, datetime.time())
    end = datetime.datetime.combine(last, datetime.time(23, 59))
    if start.tzinfo is not None:
        end = start.tzinfo.localize(end) if hasattr(start.tzinfo, "localize") \
            else end.replace(tzinfo=start.tzinfo)
    rule = rrulestr(todo["RRULE"].to_ical().decode(), dtstart=start)
    return [d.strftime("%Y%m%d") for d in rule.between(start, end, inc=True)]


def main():
    folder, last = sys.argv[1], datetime.datetime.strptime(sys.argv[2], "%Y%m%d").date()
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as f:
            calendar = icalendar.Calendar.from_ical(f.read())
        todo = next(c for c in calendar.walk() if c.name == "VTODO")
        found = days(todo, last)
        print(name, " ".join(found) if found is not None else "-")


main()
