// The parts of a subject that the sync merges one by one: a change on this
// computer and one on another device to different parts both survive. The
// key of a dated subject (date and title) is two of them, so a subject moved
// to another day and retitled elsewhere keeps both changes. A repeating
// subject has the same parts but the origin: its "When" is its rules with the
// time of day, which only make sense together.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "SubjRecord.h"

enum class SubjField : std::uint8_t { Title, Content, When, Progress, Origin };
inline constexpr std::size_t kSubjFields = 5;
inline constexpr std::array<SubjField, kSubjFields> kAllSubjFields = {
    SubjField::Title, SubjField::Content, SubjField::When, SubjField::Progress, SubjField::Origin};

// A set of fields, as a patch writes them.
class FieldSet {
  public:
    FieldSet() = default;
    static FieldSet All() { return FieldSet(0x1F); }

    void Add(SubjField field) { bits_ |= Bit(field); }
    bool Has(SubjField field) const { return (bits_ & Bit(field)) != 0; }
    bool Empty() const { return bits_ == 0; }
    bool operator==(const FieldSet&) const = default;

  private:
    explicit FieldSet(std::uint8_t bits) : bits_(bits) {}
    static std::uint8_t Bit(SubjField field) {
        return static_cast<std::uint8_t>(1u << static_cast<unsigned>(field));
    }
    std::uint8_t bits_ = 0;
};

// True when `a` and `b` hold the same value of `field` ("When" is the date
// with the time of day).
bool SameField(const IndivSubj& a, const IndivSubj& b, SubjField field);

// `into` with the value of `field` from `from`.
void CopyField(IndivSubj& into, const IndivSubj& from, SubjField field);

// The same for repeating subjects; their Origin is always the same.
bool SameField(const RepSubj& a, const RepSubj& b, SubjField field);
void CopyField(RepSubj& into, const RepSubj& from, SubjField field);
