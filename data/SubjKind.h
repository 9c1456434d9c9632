// Which of the two subject lists, and so which data file: the dated subjects
// or the repeating ones.
#pragma once

enum class SubjKind { Indiv, Rep };
