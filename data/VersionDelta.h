// A kept version written as its differences from another version: a unified
// difference (the form `diff -u` writes and `patch` reads) behind a few lines
// that name both versions and hold a BLAKE2b-256 checksum of each, so that a
// damaged file, or a version it is kept against that changed, is told and
// never taken for the version. The layout is described in data/FORMAT.md.
#pragma once

#include <string>
#include <string_view>

#include "LineDiff.h"

// The checksum of `bytes` kept in a difference: BLAKE2b with 256 bits, in
// lowercase hex, as `b2sum -l 256` prints it.
[[nodiscard]] std::string VersionChecksum(std::string_view bytes);

// What the lines before the difference say.
struct DeltaHeader {
    std::string baseName;  // the version it is kept against, without the folder
    std::string baseChecksum;
    std::string checksum;  // of the version it rebuilds
};

// The text that rebuilds `version` (named `versionName`) from `base` (named
// `baseName`), both names without the folder. The checksums of either, where
// already known, save computing them again; they must be the checksums of
// what was kept, which a version changed since no longer has.
[[nodiscard]] std::string MakeDelta(std::string_view base, const std::string& baseName,
                                    std::string_view version, const std::string& versionName,
                                    std::string baseChecksum = {}, std::string checksum = {});
// The same over the lines of both (see LineDiff.h), whose checksums are known.
[[nodiscard]] std::string MakeDelta(const TextLines& base, const std::string& baseName,
                                    const std::string& baseChecksum, const TextLines& version,
                                    const std::string& versionName, const std::string& checksum);

enum class [[nodiscard]] DeltaRead{
    Read,
    Damaged,  // not a difference as MakeDelta writes one
};

// The header of `delta`; Damaged when it is not there whole.
[[nodiscard]] DeltaRead ReadDeltaHeader(std::string_view delta, DeltaHeader& header);

// Rebuilds into `version` what `delta` was made from `base` to. Damaged when
// `delta` is not whole, or its lines do not fit `base` exactly (no line is
// ever searched for elsewhere); `version` is then unspecified. The checksum is
// not checked here: see DeltaHeader.
[[nodiscard]] DeltaRead ApplyDelta(std::string_view delta, std::string_view base,
                                   std::string& version);
// The same over lines (see LineDiff.h): the lines of `version` point into the
// texts of `base` and into `delta`, which must outlive them. A chain of
// differences is rebuilt so without copying a byte until its end.
[[nodiscard]] DeltaRead ApplyDelta(std::string_view delta, const TextLines& base,
                                   TextLines& version);
