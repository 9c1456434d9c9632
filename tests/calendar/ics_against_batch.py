#!/usr/bin/python3
"""The iCalendar export against the batch, read by an independent reader:

  ics_against_batch.py --helper <build>/tests/calendar/ics_batch_days

For each time zone and each pinned "now", writes a data folder of repeating
subjects (every kind of rule, the awkward ones among them, and random ones
with early-morning times) and individual subjects of their titles, has the
helper export it, as to-dos and as events, and list the days the batch
generates, and checks with python3-icalendar and python3-dateutil that:
- expanding each subject's series (RRULE less EXDATE) over today and the next
  42 days gives exactly the batch's days, no day twice;
- before today a series gives exactly the days that hold one of its subjects;
- every individual subject is exported once: on its own, or as an instance
  (RECURRENCE-ID) of a series, at its own time (a to-do's DUE, an event's
  DTSTART) and with its own progress; an event's series leaves its
  instances' days out (EXDATE), which the instances then give;
- every to-do carries a DUE, a recurring one after its DTSTART on the same day;
- times carry the zone's TZID, subjects at 00:00 are all-day dates, and the
  VTIMEZONE gives the zone's offsets;
- lines are at most 75 octets, end in CR LF and split no UTF-8 character, and
  a long Japanese title and content with characters to escape come back exactly;
- a second export of the same folder is byte for byte the same (stable UIDs);
- libical, the calendar library of Evolution (gir1.2-ical-3.0), expands the
  series to the batch's days too."""
import argparse
import datetime as dt
import os
import random
import subprocess
import sys
import tempfile
import zoneinfo

from dateutil.rrule import rrulestr, rruleset
import gi
import icalendar

gi.require_version("ICalGLib", "3.0")
from gi.repository import ICalGLib  # noqa: E402

ZONES = ["Asia/Tokyo", "America/New_York", "Europe/Berlin", "Australia/Lord_Howe"]
# Pinned local "now"s: a window over 29 February and a 31st, one over the
# spring clock changes, one over the autumn ones, one into 2100 (no leap day).
NOWS = [(2028, 1, 20, 0, 30), (2028, 2, 27, 1, 15), (2027, 9, 25, 2, 30), (2099, 12, 20, 4, 0)]
WINDOW = 43
STATUS = {"U": "NEEDS-ACTION", "C": "COMPLETED", "N": None}
FORMS = {"todos": ("VTODO", []), "events": ("VEVENT", ["--events"])}

LONG_TITLE = "長い題名、セミコロン;とカンマ,とバックスラッシュ\\の案件です"
LONG_CONTENT = "一行目：予定の詳細、場所;会議室\\B<br>二行目" + "あいうえおかきくけこ" * 16


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def rep_line(title, ym=0, yd=0, md=0, mw=0, mwd=0, weekly="0000000", hour=9, minute=0,
             progress="U", content=""):
    fields = [title, f"{ym:02d}", f"{yd:02d}", f"{md:02d}", f"{mw:1d}", f"{mwd:1d}",
              *weekly, f"{hour:02d}", f"{minute:02d}", progress, content]
    return "\t".join(fields)


def fixed_reps():
    return [
        rep_line("閏日", ym=2, yd=29, hour=0, minute=15),
        rep_line("月末31日", md=31, hour=1, minute=30, progress="N"),
        rep_line("第5土曜", mw=5, mwd=6, hour=2, minute=30),
        rep_line("第5火曜", mw=5, mwd=2, hour=0, minute=0),
        rep_line("第2土曜", mw=2, mwd=6, hour=3, minute=5),
        rep_line("火金", weekly="0100100", hour=0, minute=0),
        # Every rule at once, so that they meet on the same days.
        rep_line("重なり", ym=3, yd=1, md=1, mw=1, mwd=1, weekly="1000001", hour=1, minute=0),
        rep_line("月曜と第1月曜", mw=1, mwd=1, weekly="1000000", hour=0, minute=45),
        rep_line("2月30日", ym=2, yd=30, md=0, mw=6, mwd=3, weekly="2000000"),
        rep_line(LONG_TITLE, weekly="0010000", hour=2, minute=0, content=LONG_CONTENT),
    ]


def random_reps(rng, count):
    lines = []
    for n in range(count):
        weekly = "".join("1" if rng.random() < 0.2 else "0" for _ in range(7))
        lines.append(rep_line(
            f"乱数{n}",
            ym=rng.choice([0, rng.randint(1, 12)]), yd=rng.randint(0, 31),
            md=rng.choice([0, 0, rng.randint(1, 31)]),
            mw=rng.choice([0, rng.randint(1, 5)]), mwd=rng.randint(0, 7),
            weekly=weekly if rng.random() < 0.5 else "0000000",
            hour=rng.choice([0, 1, 2, 3, rng.randint(0, 23)]), minute=rng.randint(0, 59),
            progress=rng.choice("NU")))
    return lines


def indiv_subjects(rng, titles, today):
    """Subjects of the repeating titles on random days, some past, with their own
    time and progress: (date, title, hour, minute, progress, content)."""
    subjects = {}
    for _ in range(60):
        day = today + dt.timedelta(days=rng.randint(-60, WINDOW - 1))
        title = rng.choice(titles)
        subjects[(day, title)] = (rng.randint(0, 23), rng.randint(0, 59), rng.choice("NUC"),
                                  rng.choice(["", "内容<br>二行目"]))
    # Half the days of two weekly subjects, so that their series have many
    # instances before and after today, some on days where two rules meet.
    for offset in range(-45, WINDOW):
        day = today + dt.timedelta(days=offset)
        for title, weekdays in (("火金", (1, 4)), ("月曜と第1月曜", (0,))):
            if day.weekday() in weekdays and rng.random() < 0.5:
                subjects[(day, title)] = (rng.randint(0, 23), rng.randint(0, 59),
                                          rng.choice("NUC"), "")
    subjects[(today, "手入力の案件")] = (8, 0, "U", LONG_CONTENT)
    subjects[(today, LONG_TITLE)] = (2, 0, "C", LONG_CONTENT)
    return subjects


def write_folder(folder, reps, indivs):
    def write(name, header, lines):
        with open(os.path.join(folder, name), "wb") as f:
            f.write("\r\n".join([header, *lines, ""]).encode("cp932"))

    write("veskat_r.dat", "_VESKAT_R_DAT_VER_1_2_", reps)
    write("veskat_i.dat", "_VESKAT_I_DAT_VER_1_2_", [
        "\t".join([f"{d.year:04d}", f"{d.month:02d}", f"{d.day:02d}", title, f"{h:02d}",
                   f"{m:02d}", p, content, title])
        for (d, title), (h, m, p, content) in sorted(indivs.items())])


def naive(value):
    """A date-time without its zone; an all-day date as its midnight."""
    if isinstance(value, dt.datetime):
        return value.replace(tzinfo=None)
    return dt.datetime.combine(value, dt.time())


def date_values(prop):
    props = prop if isinstance(prop, list) else [prop]
    return [naive(v.dt) for p in props for v in p.dts]


def check_lines(raw):
    check(raw.endswith(b"\r\n"), "the file does not end in CR LF")
    for line in raw[:-2].split(b"\r\n"):
        check(len(line) <= 75, f"a line of {len(line)} octets: {line!r}")
        check(b"\n" not in line and b"\r" not in line, f"a bare line end in {line!r}")
        line.decode("utf-8")  # a folded piece that splits a character fails here


def check_zone(calendar, zone):
    tzids = [c for c in calendar.walk("VTIMEZONE")]
    check(len(tzids) == 1 and str(tzids[0]["TZID"]) == zone, f"no VTIMEZONE {zone}")
    return tzids[0].to_tz()


def expand(component, start, end, exdates=True):
    dtstart = naive(component["DTSTART"].dt)
    rules = rruleset()
    rules.rrule(rrulestr(component["RRULE"].to_ical().decode(), dtstart=dtstart))
    if "EXDATE" in component and exdates:
        for day in date_values(component["EXDATE"]):
            rules.exdate(naive(day))
    return rules.between(start, end, inc=True), dtstart


def libical_days(raw, zone, today, kind):
    """The days libical's own expansion gives each title over the window."""
    utc = ICalGLib.Timezone.get_utc_timezone()

    def span(tz):
        # A whole-minute instance at midnight lies inside a span opened a second
        # before; libical leaves out one of no length at the span's very start.
        start = dt.datetime.combine(today, dt.time(), tz) - dt.timedelta(seconds=1)
        end = dt.datetime.combine(today + dt.timedelta(days=WINDOW), dt.time(), tz)
        return [ICalGLib.Time.new_from_timet_with_zone(int(t.timestamp()), 0, utc)
                for t in (start, end)]

    # libical counts an all-day date from its midnight in UTC.
    zoned, dates = zoneinfo.ZoneInfo(zone), dt.timezone.utc
    calendar = ICalGLib.Component.new_from_string(raw.decode("utf-8"))
    days = {}
    kind = getattr(ICalGLib.ComponentKind, f"{kind}_COMPONENT")
    todo = calendar.get_first_component(kind)
    while todo is not None:
        if todo.get_first_property(ICalGLib.PropertyKind.RRULE_PROPERTY) is not None:
            found = days.setdefault(todo.get_summary(), [])
            tz = dates if todo.get_dtstart().is_date() else zoned
            todo.foreach_recurrence(*span(tz), lambda _, instance, __: found.append(
                dt.datetime.fromtimestamp(instance.get_start(), tz).date()), None)
        todo = calendar.get_next_component(kind)
    return days


def check_dates(component, zone, title):
    """Zoned date-times name the zone; an all-day value is a date without one."""
    for name in ("DTSTART", "DUE", "DTEND", "RECURRENCE-ID", "EXDATE"):
        prop = component.get(name)
        for one in prop if isinstance(prop, list) else [prop]:
            if one is None:
                continue
            all_day = one.params.get("VALUE") == "DATE"
            check(all_day or one.params.get("TZID") == zone, f"{name} of {title} not in {zone}")
            check(not all_day or "TZID" not in one.params, f"{name} of {title}: a zoned date")


def when_of(component, kind):
    """A subject's own date and time: a to-do's DUE, an event's DTSTART."""
    return naive(component["DUE" if kind == "VTODO" else "DTSTART"].dt)


def run_case(helper, top, zone, now, rng, form):
    kind, form_args = FORMS[form]
    folder = os.path.join(top, "data")
    os.makedirs(folder, exist_ok=True)
    today = dt.date(*now[:3])
    reps = fixed_reps() + random_reps(rng, 25)
    titles = [line.split("\t")[0] for line in reps]
    indivs = indiv_subjects(rng, titles, today)
    write_folder(folder, reps, indivs)

    env = dict(os.environ, TZ=zone)
    ics, days_file = os.path.join(top, "a.ics"), os.path.join(top, "days.txt")
    args = [helper, folder, ics, days_file, *map(str, now), *form_args]
    result = subprocess.run(args, env=env, capture_output=True, text=True)
    check(result.returncode == 0 and not result.stderr, f"helper failed: {result.stderr}")
    raw = open(ics, "rb").read()
    subprocess.run([helper, folder, ics + "2", days_file, *map(str, now), *form_args], env=env,
                   check=True)
    check(open(ics + "2", "rb").read() == raw, "a second export differs")
    check_lines(raw)

    expected = {}
    with open(days_file, encoding="utf-8") as f:
        first = f.readline().rstrip("\n").split("\t")
        check(first == ["today", today.isoformat()], f"the batch's today is {first}")
        for line in f:
            title, day = line.rstrip("\n").split("\t")
            expected.setdefault(title, []).append(dt.date.fromisoformat(day))

    calendar = icalendar.Calendar.from_ical(raw)
    zone_tz = check_zone(calendar, zone)
    start = dt.datetime.combine(today, dt.time())
    end = start + dt.timedelta(days=WINDOW) - dt.timedelta(seconds=1)
    produced, past, seen, kept_before = {}, {}, {}, {}
    masters, instance_days = {}, {}
    items = calendar.walk(kind)
    check(not calendar.walk("VEVENT" if kind == "VTODO" else "VTODO"), f"not only {kind}s")
    # The series first, so that every instance finds its own.
    for todo in sorted(items, key=lambda todo: "RRULE" not in todo):
        title = str(todo["SUMMARY"])
        check_dates(todo, zone, title)
        if "RRULE" in todo:
            if kind == "VTODO":
                check("DUE" in todo and when_of(todo, kind) > naive(todo["DTSTART"].dt) or
                      todo["DUE"].params.get("VALUE") == "DATE", f"{title}: DUE not after DTSTART")
                check(when_of(todo, kind).date() == naive(todo["DTSTART"].dt).date(),
                      f"{title}: DUE not on DTSTART's day")
            days, dtstart = expand(todo, start, end)
            produced.setdefault(title, []).extend(d.date() for d in days)
            before, _ = expand(todo, dtstart, start - dt.timedelta(seconds=1))
            past.setdefault(title, []).extend(d.date() for d in before)
            masters[str(todo["UID"])] = (todo, dtstart)
            for d in days:
                local = zone_tz.localize(dt.datetime.combine(d.date(), dt.time(12)))
                check(local.utcoffset() == dt.datetime.combine(
                    d.date(), dt.time(12), zoneinfo.ZoneInfo(zone)).utcoffset(),
                    f"the VTIMEZONE's offset on {d.date()} is not {zone}'s")
            continue
        recurrence = todo.get("RECURRENCE-ID")
        timed = when_of(todo, kind)
        when = naive(recurrence.dt) if recurrence else timed
        key = (when.date(), title)
        check(key not in seen, f"{key} exported twice")
        seen[key] = todo
        check(key in indivs, f"{key} exported but not in the file")
        hour, minute, progress, content = indivs[key]
        check((timed.date(), timed.hour, timed.minute) == (when.date(), hour, minute),
              f"{key} at {timed}, not {hour:02d}:{minute:02d}")
        all_day = todo["DUE" if kind == "VTODO" else "DTSTART"].params.get("VALUE") == "DATE"
        check(all_day == ((hour, minute) == (0, 0)), f"{key} all day: {all_day}")
        if kind == "VTODO":
            check(todo.get("STATUS") == STATUS[progress], f"{key} has STATUS {todo.get('STATUS')}")
        else:
            check(str(todo.get("X-VESKAT-PROGRESS")) == progress, f"{key} lost its progress")
        check(str(todo.get("DESCRIPTION", "")) == content.replace("<br>", "\n"),
              f"{key} has DESCRIPTION {todo.get('DESCRIPTION')!r}")
        if recurrence:
            if when.date() < today:
                kept_before.setdefault(title, []).append(when.date())
            master, dtstart = masters[str(todo["UID"])]
            days, _ = expand(master, dtstart, when, exdates=False)
            check(days and days[-1] == when, f"{key} is no day of its series")
            if kind == "VEVENT":
                # The series leaves the day to its instance.
                check(when not in expand(master, when, when)[0], f"{key} not left out")
                instance_days.setdefault(title, []).append(when.date())
        elif title in expected and today <= when.date():
            check(when.date() not in expected[title], f"{key} stands beside its series")
    check(set(seen) == set(indivs), f"not exported: {set(indivs) - set(seen)}")
    for title, days in instance_days.items():
        produced.setdefault(title, []).extend(d for d in days if today <= d < today +
                                              dt.timedelta(days=WINDOW))
        past.setdefault(title, []).extend(d for d in days if d < today)

    for title in set(expected) | set(produced):
        got, want = sorted(produced.get(title, [])), sorted(expected.get(title, []))
        check(got == want, f"{title}: the export gives {got}, the batch {want}")
        got, want = sorted(past.get(title, [])), sorted(kept_before.get(title, []))
        check(got == want, f"{title}: before today the export gives {got}, the file has {want}")
    by_libical = libical_days(raw, zone, today, kind)
    for title, days in instance_days.items():
        by_libical.setdefault(title, []).extend(d for d in days if today <= d < today +
                                                dt.timedelta(days=WINDOW))
    for title in set(expected) | set(by_libical):
        got, want = sorted(by_libical.get(title, [])), sorted(expected.get(title, []))
        check(got == want, f"{title}: libical gives {got}, the batch {want}")
    long_todo = seen[(today, LONG_TITLE)]
    check(str(long_todo["SUMMARY"]) == LONG_TITLE, "the long title did not come back")
    instances = sum(1 for todo in seen.values() if "RECURRENCE-ID" in todo)
    return (f"{sum(len(v) for v in expected.values())} days of the batch, {len(masters)} series, "
            f"{instances} instances, {len(seen) - instances} subjects on their own")


def run_everywhere(runs):
    """Runs each `run(helper, top, zone, now, rng)` of the named `runs` in
    every zone at every "now", each in a fresh folder with its own seeded
    random numbers, with the --helper of the command line; the exit status."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--helper", required=True)
    helper = parser.parse_args().helper
    failures = 0
    for name, run in runs:
        for zone in ZONES:
            for now in NOWS:
                rng = random.Random(f"{zone} {now}")
                case = f"{name} {zone} {now}".strip()
                with tempfile.TemporaryDirectory() as top:
                    try:
                        print(f"ok   {case}: {run(helper, top, zone, now, rng)}")
                    except Failure as failure:
                        failures += 1
                        print(f"FAIL {case}: {failure}")
    return 1 if failures else 0


def main():
    return run_everywhere([(form, lambda *args, form=form: run_case(*args, form))
                           for form in FORMS])


if __name__ == "__main__":
    sys.exit(main())
