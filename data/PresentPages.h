// Fresh memory made present before it is written: one call instead of a page
// fault per 4 KiB page, and 2 MiB pages where the memory spans whole ones, each
// a single page-table entry and fault. Loading a large store writes tens of
// megabytes at once, and taking them page by page was most of that work.
#pragma once

#include <cstddef>

inline constexpr std::size_t kLargePage = std::size_t{2} << 20;

// Makes the pages of the `bytes` at `memory` present, those of the whole 2 MiB
// pages inside it as large ones when `large`. Only a hint: a kernel without
// these calls leaves the pages to be faulted in one by one.
void MakePresent(void* memory, std::size_t bytes, bool large);

// `bytes` of memory fresh from the system, every byte of it zero; nullptr when
// none can be had. Given back by UnmapFresh with the same size.
void* MapFresh(std::size_t bytes);
void UnmapFresh(void* memory, std::size_t bytes);
