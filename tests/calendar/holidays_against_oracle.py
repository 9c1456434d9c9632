#!/usr/bin/python3
"""Japan's public holidays as the program works them out, against Debian's
python3-holidays, for every day of 1949 (the oracle's first year) to 2050:

  holidays_against_oracle.py --helper <build>/tests/calendar/holiday_days

The same days must be holidays, under the same names, but for the faults of
the oracle listed below, each with the law that shows it. Every listed fault
must still be there: an oracle that is mended, or a program that takes one of
its faults for a rule, fails the test until the list says so."""
import argparse
import datetime as dt
import subprocess
import sys

import holidays

FIRST, LAST = 1949, 2050

# Names the oracle gives that the law does not.
RENAMED = {
    # 体育の日 became スポーツの日 from 2020 (the amendment of 2018).
    "体育の日": lambda day: "スポーツの日" if day.year >= 2020 else "体育の日",
    # The law of 2018 (平成30年法律第99号) names it with の, not が.
    "即位礼正殿の儀が行われる日": lambda day: "即位礼正殿の儀の行われる日",
}

# Days the oracle has wrong: (date, the oracle's name or None, the right name or None).
WRONG_DAYS = [
    # 建国記念の日 was made a holiday in 1966, from 1967 on.
    *[(dt.date(year, 2, 11), "建国記念の日", None) for year in range(1949, 1967)],
    # The Crown Prince Akihito's wedding, a day of its own law.
    (dt.date(1959, 4, 10), None, "皇太子明仁親王の結婚の儀"),
    # The one-off days of their own laws, which the oracle leaves out:
    # the funeral of the Shōwa Emperor,
    (dt.date(1989, 2, 24), None, "昭和天皇の大喪の礼"),
    # the enthronement ceremony of 1990,
    (dt.date(1990, 11, 12), None, "即位礼正殿の儀の行われる日"),
    # the Crown Prince's wedding.
    (dt.date(1993, 6, 9), None, "皇太子徳仁親王の結婚の儀"),
    # The Olympic Games, put off to 2021, moved that year's three summer
    # holidays again (the special measures act as amended in 2020); the oracle
    # predates that and keeps them on their usual days.
    (dt.date(2021, 7, 19), "海の日", None),
    (dt.date(2021, 7, 22), None, "海の日"),
    (dt.date(2021, 7, 23), None, "スポーツの日"),
    (dt.date(2021, 8, 8), None, "山の日"),
    # 山の日 then fell on a Sunday, so the Monday was off.
    (dt.date(2021, 8, 9), None, "振替休日"),
    (dt.date(2021, 8, 11), "山の日", None),
    (dt.date(2021, 10, 11), "体育の日", None),
    # A national holiday on a Sunday gives the next day off (from April 1973):
    # the oracle's hand-made table of those days misses these Sundays:
    # こどもの日 of 1974,
    (dt.date(1974, 5, 6), None, "振替休日"),
    # and 天皇誕生日, 23 February since 2020.
    (dt.date(2025, 2, 24), None, "振替休日"),
    (dt.date(2031, 2, 24), None, "振替休日"),
    (dt.date(2042, 2, 24), None, "振替休日"),
    (dt.date(2048, 2, 24), None, "振替休日"),
]


def ours(helper):
    out = subprocess.run([helper, str(FIRST), str(LAST)], check=True, capture_output=True,
                         text=True, encoding="utf-8").stdout
    days = {}
    for line in out.splitlines():
        date, name = line.split("\t")
        days[dt.date.fromisoformat(date)] = name
    return days


def oracle():
    return {day: name for day, name in holidays.Japan(years=range(FIRST, LAST + 1)).items()
            if FIRST <= day.year <= LAST}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--helper", required=True)
    args = parser.parse_args()
    program, expected = ours(args.helper), oracle()
    problems = []
    for day, oracle_name, right_name in WRONG_DAYS:
        if expected.get(day) != oracle_name:
            problems.append(f"{day}: the oracle no longer says {oracle_name!r}: "
                            f"it says {expected.get(day)!r}")
    expected = {day: RENAMED.get(name, lambda _, same=name: same)(day)
                for day, name in expected.items()}
    for day, _, right_name in WRONG_DAYS:
        if right_name is None:
            expected.pop(day, None)
        else:
            expected[day] = right_name
    for day in sorted(set(program) | set(expected)):
        if program.get(day) != expected.get(day):
            problems.append(f"{day}: the program says {program.get(day)!r}, "
                            f"the oracle {expected.get(day)!r}")
    for problem in problems:
        print(problem, file=sys.stderr)
    print(f"{len(program)} holidays from {FIRST} to {LAST}, {len(problems)} differences")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
