// What the delete question says below its fixed text: the subject it deletes,
// as its row shows it, so the user sees which one before answering.
#pragma once

#include <QString>

class SubjListView;

// An individual row: its date and time, then its title; a repeating row: its
// title, then its rules. Empty for a row out of range.
QString DeleteDetail(const SubjListView& list, int row, bool indivRow);
