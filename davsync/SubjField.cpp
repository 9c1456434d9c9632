#include "SubjField.h"

#include <concepts>
#include <tuple>
#include <type_traits>

namespace {

// The date and time of a dated subject, the rules and time of a repeating
// one: "When".
template <typename S>
requires std::same_as<std::remove_const_t<S>, IndivSubj>
auto WhenOf(S& s) {
    return std::tie(s.year, s.month, s.day, s.hour, s.minute);
}

template <typename S>
requires std::same_as<std::remove_const_t<S>, RepSubj>
auto WhenOf(S& s) {
    return std::tie(s.yearlyMonth, s.yearlyDay, s.monthlyDay, s.monthlyWeek, s.monthlyWeekday,
                    s.weekly, s.hour, s.minute);
}

// A repeating subject has no origin: it is always the same.
bool SameOrigin(const IndivSubj& a, const IndivSubj& b) {
    return a.origin == b.origin;
}

bool SameOrigin(const RepSubj&, const RepSubj&) {
    return true;
}

void CopyOrigin(IndivSubj& into, const IndivSubj& from) {
    into.origin = from.origin;
}

void CopyOrigin(RepSubj&, const RepSubj&) {}

template <typename Subj>
bool Same(const Subj& a, const Subj& b, SubjField field) {
    switch (field) {
        case SubjField::Title:
            return a.title == b.title;
        case SubjField::Content:
            return a.content == b.content;
        case SubjField::When:
            return WhenOf(a) == WhenOf(b);
        case SubjField::Progress:
            return a.progress == b.progress;
        case SubjField::Origin:
            return SameOrigin(a, b);
    }
    return true;
}

template <typename Subj>
void Copy(Subj& into, const Subj& from, SubjField field) {
    switch (field) {
        case SubjField::Title:
            into.title = from.title;
            break;
        case SubjField::Content:
            into.content = from.content;
            break;
        case SubjField::When:
            WhenOf(into) = WhenOf(from);
            break;
        case SubjField::Progress:
            into.progress = from.progress;
            break;
        case SubjField::Origin:
            CopyOrigin(into, from);
            break;
    }
}

}  // namespace

bool SameField(const IndivSubj& a, const IndivSubj& b, SubjField field) {
    return Same(a, b, field);
}

void CopyField(IndivSubj& into, const IndivSubj& from, SubjField field) {
    Copy(into, from, field);
}

bool SameField(const RepSubj& a, const RepSubj& b, SubjField field) {
    return Same(a, b, field);
}

void CopyField(RepSubj& into, const RepSubj& from, SubjField field) {
    Copy(into, from, field);
}
