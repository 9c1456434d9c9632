#!/usr/bin/python3
"""The iCalendar import through the command, against what it reads back and
against an independent expansion:

  ics_import_against.py --helper <build>/tests/calendar/ics_import_helper

Round trip: the export test's randomised folders (four zones, clock changes,
29 February, fifth weekdays), exported as to-dos and as events and imported
into an empty folder,
come back byte for byte for every subject whose date the calendar has: all
dated subjects, and each repeating subject with the rules that have days
(a field of a rule that has none, such as a day without its month, no
calendar can carry). Exporting and importing what came back changes nothing.

Independent expansion: files python3-icalendar writes, with rules a
repeating subject can say and rules it cannot, in the computer's zone and
in others, all-day and timed, with EXDATE, RECURRENCE-ID and a to-do due
after its start. Over the batch's window the days the imported repeating
subjects give through the batch, and the dated subjects a series became,
are python3-dateutil's occurrences of the series, brought into the
computer's zone with zoneinfo; the series that a rule says exactly in the
computer's zone come in as repeating subjects."""
import datetime as dt
import os
import subprocess
import sys
import zoneinfo

from dateutil.rrule import rrulestr
import icalendar
import pytz  # python3-icalendar names zones by their IANA names only through it

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ics_against_batch as export_test  # noqa: E402

WINDOW = 42
check = export_test.check

class Helper:
    def __init__(self, path, zone, now, runtime):
        self.path, self.now = path, [str(n) for n in now]
        self.env = dict(os.environ, TZ=zone, XDG_RUNTIME_DIR=runtime, LC_ALL="C")

    def run(self, *args):
        result = subprocess.run([self.path, *args], env=self.env, capture_output=True, text=True)
        check(result.returncode == 0, f"{args[0]} failed ({result.returncode}): {result.stderr}")
        return result.stdout

    def export(self, folder, ics, form="todos"):
        self.run("export", folder, ics, *self.now, *export_test.FORMS[form][1])

    def import_(self, ics, folder):
        return self.run("import", ics, folder, *self.now)

    def days(self, folder):
        lines = self.run("days", folder, *self.now).splitlines()
        return [line.split("\t") for line in lines]


def read(path):
    with open(path, "rb") as f:
        return f.read()


def rules_with_days(line):
    """A repeating line with the fields that make no rule with days cleared (a
    month without its day, 30 February, a weekday flag other than 1), which
    no calendar can carry; None when no rule is left. A whole line stays as
    it is."""
    fields = line.decode("cp932").split("\t")
    ym, yd, md, mw, mwd = (int(f) for f in fields[1:6])
    month_days = [31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31]
    if not (1 <= ym <= 12 and 1 <= yd <= month_days[ym - 1]):
        ym = yd = 0
    if not 1 <= mw <= 5 or not 1 <= mwd <= 7:
        mw = mwd = 0
    weekly = ["1" if f == "1" else "0" for f in fields[6:13]]
    if ym == 0 and md == 0 and mw == 0 and "1" not in weekly:
        return None
    fields[1:13] = [f"{ym:02d}", f"{yd:02d}", f"{md:02d}", str(mw), str(mwd), *weekly]
    return "\t".join(fields).encode("cp932")


def reps_with_days(raw):
    lines = raw.split(b"\r\n")
    kept = [lines[0]] + [line for line in map(rules_with_days, lines[1:-1]) if line]
    return b"\r\n".join(kept + [b""])


def round_trip(helper_path, top, zone, now, rng, form):
    helper = Helper(helper_path, zone, now, os.path.join(top, "run"))
    os.makedirs(os.path.join(top, "run"), mode=0o700)
    folders = {name: os.path.join(top, name) for name in ("orig", "back", "again")}
    for folder in folders.values():
        os.makedirs(folder)
    today = dt.date(*now[:3])
    reps = export_test.fixed_reps() + export_test.random_reps(rng, 25)
    titles = [line.split("\t")[0] for line in reps]
    export_test.write_folder(folders["orig"], reps, export_test.indiv_subjects(rng, titles, today))
    helper.run("resave", folders["orig"])

    first, second = os.path.join(top, "a.ics"), os.path.join(top, "b.ics")
    helper.export(folders["orig"], first, form)
    summary = helper.import_(first, folders["back"])
    indiv, rep = "veskat_i.dat", "veskat_r.dat"
    orig_indiv = read(os.path.join(folders["orig"], indiv))
    check(read(os.path.join(folders["back"], indiv)) == orig_indiv,
          "the dated subjects did not come back byte for byte")
    check(read(os.path.join(folders["back"], rep)) ==
          reps_with_days(read(os.path.join(folders["orig"], rep))),
          "the repeating subjects did not come back byte for byte")

    helper.export(folders["back"], second, form)
    helper.import_(second, folders["again"])
    for name in (indiv, rep):
        check(read(os.path.join(folders["again"], name)) ==
              read(os.path.join(folders["back"], name)), f"a second round trip changed {name}")
    return summary.splitlines()[0]


# The series of the expansion test: (title, kind, rule, start offset in days
# from today, time, zone or None for the computer's, all day, whether a rule
# says it exactly when in the computer's zone, extra properties).
def series_cases(today):
    monday = today - dt.timedelta(days=today.weekday() + 21)
    return [
        ("週2回", "VEVENT", "FREQ=WEEKLY;BYDAY=MO,WE", monday, (0, 30), None, False, True, {}),
        ("毎日", "VTODO", "FREQ=DAILY", monday, (2, 30), None, False, True, {}),
        # One date moved to a Saturday by an override: the batch would bring it back.
        ("平日", "VEVENT", "FREQ=DAILY;BYDAY=MO,TU,WE,TH,FR", monday, (9, 0), None, False, False,
         {}),
        ("31日", "VEVENT", "FREQ=MONTHLY;BYMONTHDAY=31", dt.date(2020, 1, 31), (1, 0), None, False,
         True, {}),
        ("第5金曜", "VTODO", "FREQ=MONTHLY;BYDAY=5FR", dt.date(2020, 1, 31), (3, 15), None, False,
         True, {}),
        ("閏日", "VEVENT", "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29", dt.date(2020, 2, 29), (0, 0),
         None, False, True, {}),
        ("毎月", "VEVENT", "FREQ=MONTHLY", dt.date(2021, 3, 5), (12, 0), None, False, True, {}),
        ("終日週", "VTODO", "FREQ=WEEKLY;BYDAY=SU", monday - dt.timedelta(days=1), None, None,
         True, True, {}),
        ("隔週", "VEVENT", "FREQ=WEEKLY;INTERVAL=2;BYDAY=TU", monday + dt.timedelta(days=1),
         (7, 0), None, False, False, {}),
        ("最終金曜", "VTODO", "FREQ=MONTHLY;BYDAY=-1FR", dt.date(2020, 1, 31), (18, 0), None,
         False, False, {}),
        ("5回", "VTODO", "FREQ=DAILY;COUNT=5", today - dt.timedelta(days=2), (8, 0), None, False,
         False, {}),
        ("期限付き", "VEVENT", "FREQ=WEEKLY;UNTIL=%s" % (today + dt.timedelta(days=20)).strftime(
            "%Y%m%dT235959Z"), monday, (10, 0), None, False, False, {}),
        ("第2営業日", "VEVENT", "FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=2",
         dt.date(2020, 1, 2), (9, 30), None, False, False, {}),
        ("除外あり", "VTODO", "FREQ=DAILY", monday, (6, 45), None, False, False,
         {"EXDATE": [today + dt.timedelta(days=d) for d in (3, 4, 17)]}),
        ("来週から", "VEVENT", "FREQ=WEEKLY;BYDAY=TH",
         today + dt.timedelta(days=7 + (3 - today.weekday()) % 7), (11, 0), None, False, False, {}),
        ("UTC", "VEVENT", "FREQ=WEEKLY;BYDAY=FR", dt.date(2022, 1, 7), (23, 30), "UTC", False,
         None, {}),
        ("ロードハウ", "VTODO", "FREQ=DAILY", monday, (1, 45), "Australia/Lord_Howe", False, None,
         {}),
        ("ニューヨーク", "VEVENT", "FREQ=WEEKLY;BYDAY=MO,TH", monday, (20, 0), "America/New_York",
         False, None, {}),
        ("期日は3時間後", "VTODO", "FREQ=WEEKLY;BYDAY=WE", monday + dt.timedelta(days=2), (9, 0),
         None, False, True, {"DUE": dt.timedelta(hours=3)}),
        ("期日は翌日", "VTODO", "FREQ=WEEKLY;BYDAY=WE", monday + dt.timedelta(days=2), (22, 0),
         None, False, False, {"DUE": dt.timedelta(hours=3)}),
    ]


# Overrides: (title, the weekday the date moves to or None for its own, its
# new time); 毎日 keeps its day, so that its rule still says it, the others
# move to a day of no other date of theirs.
OVERRIDES = [("毎日", None, (5, 30)), ("隔週", 2, (7, 30)), ("平日", 5, (9, 0))]


def build_calendar(cases, zone, today, rng):
    calendar = icalendar.Calendar()
    calendar.add("prodid", "-//test//independent expansion//EN")
    calendar.add("version", "2.0")
    overrides = []
    for n, (title, kind, rule, start, time, item_zone, all_day, _, extra) in enumerate(cases):
        component = icalendar.Todo() if kind == "VTODO" else icalendar.Event()
        component.add("uid", f"case-{n}@test")
        component.add("summary", title)
        tz = pytz.timezone(item_zone or zone)
        begin = start if all_day else tz.localize(dt.datetime.combine(start, dt.time(*time)))
        component.add("dtstart", begin)
        if "DUE" in extra:
            component.add("due", begin + extra["DUE"])
        component.add("rrule", icalendar.vRecur.from_ical(rule))
        if "EXDATE" in extra:
            component.add("exdate", [tz.localize(dt.datetime.combine(d, dt.time(*time)))
                                     for d in extra["EXDATE"]])
        calendar.add_component(component)
    tz = pytz.timezone(zone)
    for title, weekday, time in OVERRIDES:
        n = next(i for i, case in enumerate(cases) if case[0] == title)
        _, kind, rule, start, start_time, *_ = cases[n]
        begin = dt.datetime.combine(start, dt.time(*start_time))
        wall = rrulestr(rule, dtstart=begin).after(
            dt.datetime.combine(today + dt.timedelta(days=5), dt.time()))
        original = tz.localize(wall)
        shift = 0 if weekday is None else (weekday - wall.weekday()) % 7
        moved = tz.localize(dt.datetime.combine(wall.date() + dt.timedelta(days=shift),
                                                dt.time(*time)))
        component = icalendar.Todo() if kind == "VTODO" else icalendar.Event()
        component.add("uid", f"case-{n}@test")
        component.add("summary", title)
        component.add("recurrence-id", original)
        component.add("dtstart", moved)
        calendar.add_component(component)
        overrides.append((title, original, moved))
    return calendar.to_ical(), overrides


def occurrences(case, zone, first, last):
    """dateutil's dates of a case in the computer's zone, as (date, "HH:MM")."""
    title, kind, rule, start, time, item_zone, all_day, _, extra = case
    local = zoneinfo.ZoneInfo(zone)
    tz = zoneinfo.ZoneInfo(item_zone or zone)
    begin = (dt.datetime.combine(start, dt.time()) if all_day
             else dt.datetime.combine(start, dt.time(*time)))
    excluded = {dt.datetime.combine(d, dt.time(*time)) for d in extra.get("EXDATE", [])}
    shift = extra.get("DUE", dt.timedelta())
    found = set()
    horizon = dt.datetime.combine(last + dt.timedelta(days=2), dt.time())
    for wall in rrulestr(rule, dtstart=begin, ignoretz=True).between(
            begin - dt.timedelta(days=1), horizon, inc=True):
        if wall in excluded:
            continue
        if all_day:
            when = wall
        elif item_zone is None:
            when = wall + shift  # the computer's zone: as written
        else:
            when = (wall.replace(tzinfo=tz) + shift).astimezone(local).replace(tzinfo=None)
        if first <= when.date() <= last:
            found.add((when.date(), when.strftime("%H:%M")))
    return found


def expansion(helper_path, top, zone, now, rng):
    helper = Helper(helper_path, zone, now, os.path.join(top, "run"))
    os.makedirs(os.path.join(top, "run"), mode=0o700)
    folder = os.path.join(top, "data")
    os.makedirs(folder)
    today = dt.date(*now[:3])
    cases = series_cases(today)
    raw, overrides = build_calendar(cases, zone, today, rng)
    ics = os.path.join(top, "in.ics")
    with open(ics, "wb") as f:
        f.write(raw)
    helper.import_(ics, folder)

    got, reps = {}, set()
    for kind, title, *rest in helper.days(folder):
        if kind == "rep":
            reps.add(title)
        else:
            got.setdefault(title, {"dated": set(), "rule": set()})[kind].add(
                (dt.date.fromisoformat(rest[0]), rest[1]))
    first, last = today - dt.timedelta(days=WINDOW), today + dt.timedelta(days=WINDOW)
    moved = {}
    for title, original, new in overrides:
        moved.setdefault(title, []).append((original, new))
    rules = 0
    for case in cases:
        title, kind, exact = case[0], case[1], case[7]
        want = occurrences(case, zone, first, last)
        for original, new in moved.get(title, []):
            want.discard((original.date(), original.strftime("%H:%M")))
        # Before today the batch keeps only what is still to be done.
        want = {d for d in want if d[0] >= today or kind == "VTODO"}
        have = got.get(title, {"dated": set(), "rule": set()})
        if exact is not None:
            check((title in reps) == exact,
                  f"{title}: {'not ' if exact else ''}imported as a repeating subject")
        rules += title in reps
        given = have["rule"] | {d for d in have["dated"]
                                if not any(d == (n.date(), n.strftime("%H:%M"))
                                           for _, n in moved.get(title, []))}
        if title in reps:
            # The batch's window starts today; what is dated besides is the overrides.
            want = {d for d in want if d[0] >= today}
        # A title has one subject a day: the first date of the day's.
        want = {(day, min(t for d, t in want if d == day)) for day, _ in want}
        check(given == want, f"{title}: imported {sorted(given - want)} too many, "
                             f"{sorted(want - given)} missing")
        for _, new in moved.get(title, []):
            check((new.date(), new.strftime("%H:%M")) in have["dated"],
                  f"{title}: the moved date {new} is not a dated subject")
    return f"{len(cases)} series, {rules} as repeating subjects"


def main():
    trips = [(f"round trip of {form}", lambda *args, form=form: round_trip(*args, form))
             for form in export_test.FORMS]
    return export_test.run_everywhere([*trips, ("expansion", expansion)])


if __name__ == "__main__":
    sys.exit(main())
