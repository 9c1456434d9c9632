// The lines of a data file, and the line form of a record text in it: its
// fields, in the order of a width table, separated by single tabs. See
// data/FORMAT.md.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "SubjRecord.h"

// The record line without its line end. Each field is written up to its first
// zero byte; a tab, CR or LF inside a field is written as a blank, so that
// every record stays one line with one field per width.
std::string JoinFields(const RecordText& record, const int* widths);
// The same line appended to `out`.
void AppendFields(const RecordText& record, const int* widths, std::string& out);

// The record text of a line: each tab-separated part copied to its field's
// offset, cut to the field's width without splitting a double-byte character;
// missing fields stay zero and text after the last field is ignored.
RecordText SplitFields(std::string_view line, const int* widths);

// The record text of a line as loading stores it: each field put into the form
// that encoding the same subject gives it (PutField, with the load rules of
// the table), so that what is loaded is what a save writes and what Find
// reaches. True when a save would write the line back with other bytes: a
// field changed, missing or beyond the table.
[[nodiscard]] bool TakeFields(std::string_view line, const int* widths, RecordText& record);
// TakeFields into a record whose bytes are all zero already (SubjTree::Reserve's), which then
// needs no clearing: only the bytes of the fields are written.
[[nodiscard]] bool TakeFieldsIntoZeroed(std::string_view line, const int* widths,
                                        RecordText& record);

// Removes every CR and LF at the end of `line`.
void TrimLineEnd(std::string& line);

// Splits the bytes of a data file into lines. CR LF, LF and a CR alone each end
// a line: no field is ever written with a CR in it, so in a data file a CR can
// only be a line end. Each byte is looked at once, for both at the same time.
class LineSplitter {
  public:
    explicit LineSplitter(std::string_view bytes);

    // The next line without its line end; false when the bytes are used up.
    [[nodiscard]] bool Next(std::string_view& line);

  private:
    // Where the first CR or LF from the current place stands; the size when none is left.
    std::size_t LineEnd() const;

    std::string_view bytes_;
    std::size_t pos_ = 0;
};
