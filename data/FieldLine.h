// The line form of a record text in a data file: its fields, in the order of
// a width table, separated by single tabs. See data/FORMAT.md.
#pragma once

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

// Removes every CR and LF at the end of `line`.
void TrimLineEnd(std::string& line);
