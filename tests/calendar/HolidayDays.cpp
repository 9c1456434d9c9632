// For holidays_against_oracle.py: every public holiday from 1 January of
// FIRST to 31 December of LAST, one "YYYY-MM-DD<TAB>name" line each (UTF-8).
//   holiday_days FIRST LAST
#include <cstdio>
#include <cstdlib>

#include "CivilDay.h"
#include "JapanHolidays.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: holiday_days FIRST LAST\n", stderr);
        return 2;
    }
    const int first = std::atoi(argv[1]);
    const int last = std::atoi(argv[2]);
    for (int year = first; year <= last; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= DaysInMonth(year, month); ++day) {
                const std::string_view name = HolidayName(year, month, day);
                if (!name.empty()) {
                    std::printf("%04d-%02d-%02d\t%.*s\n", year, month, day,
                                static_cast<int>(name.size()), name.data());
                }
            }
        }
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
