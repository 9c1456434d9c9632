// The one place where the program touches files on disk: reading a file
// whole, replacing one so that it appears whole or not at all, creating one
// under a free dated name, and the permission bits a side file takes from its
// data file. The system calls live here, so a port has one file to fill.
#pragma once

#include <QSaveFile>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <ctime>

class QFileDevice;
class QTemporaryFile;

// "YYYYMMDD-hhmmss" of the program's clock in local time: the stamp in the
// names of dated copies and conflict files.
[[nodiscard]] std::string FileStamp();
// The same stamp of the instant `when`.
[[nodiscard]] std::string FileStamp(std::time_t when);
// The instant a stamp names (local time), the stamp at the start of `text`;
// nullopt when `text` does not start with one.
[[nodiscard]] std::optional<std::time_t> ParseFileStamp(std::string_view text);

// Gives back the pages of a file mapped whole, `bytes` long.
struct FilePagesUnmap {
    std::size_t bytes = 0;
    void operator()(const char* mapped) const;
};

// A file's bytes, in memory that is not cleared before they are read into it,
// or the file's own pages mapped read-only.
struct FileBytes {
    std::unique_ptr<char[]> data;
    std::unique_ptr<const char, FilePagesUnmap> mapped;
    std::size_t size = 0;

    std::string_view View() const { return {mapped ? mapped.get() : data.get(), size}; }
};

// A file open for reading, closed when this goes out of scope. Opening never
// blocks, so that a FIFO or a device by the expected name cannot hold the
// program, and no terminal becomes the program's by opening it.
class ReadableFile {
  public:
    explicit ReadableFile(const std::string& fileName);
    ~ReadableFile();
    ReadableFile(const ReadableFile&) = delete;
    ReadableFile& operator=(const ReadableFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }

    // The whole file into `bytes`. False when it is no regular file (only a
    // regular file has a length that means anything) or a read failed.
    // Throws std::bad_alloc when the bytes do not fit in memory.
    [[nodiscard]] bool ReadAll(FileBytes& bytes);
    // ReadAll, the same in every result, with the file's pages mapped where
    // they can be: a large file is then neither copied nor given fresh memory
    // to be copied into. A file that grew since its length was taken, or one
    // that cannot be mapped, is read as ReadAll reads it. One cut short while
    // it is mapped ends the program, as a read error of a mapped page does.
    [[nodiscard]] bool MapAll(FileBytes& bytes);

    // Reads the file again from its start, a piece at a time, without holding
    // more than one piece; for a file too large to hold whole.
    void ReadInPieces(const std::function<void(std::string_view)>& take);

  private:
    int fd_;
};

// The whole regular file `fileName`, or nullopt when there is no such file, it
// is something else (a folder, a pipe, a device), or it cannot be read to its
// end, memory included.
[[nodiscard]] std::optional<std::string> ReadWholeFile(const std::string& fileName);

// True when `fileName` names something on disk, of whatever kind (a dangling
// link included).
[[nodiscard]] bool PathExists(const std::string& fileName);
// True when this user may write the file `fileName`: a read-only file is one
// the user wants left as it is, though its folder would let it be replaced.
[[nodiscard]] bool MayWrite(const std::string& fileName);
// True when `fileName` is a regular file (or a link to one).
[[nodiscard]] bool IsRegularFile(const std::string& fileName);
// When `fileName` was last written; nullopt when it cannot be told.
[[nodiscard]] std::optional<std::time_t> ModifiedTime(const std::string& fileName);
// The names (without the folder) of the regular files in `folder`; none when
// it cannot be read.
[[nodiscard]] std::vector<std::string> RegularFilesIn(const std::string& folder);
// Removes the file `fileName`; false when it is still there.
[[nodiscard]] bool DeleteFile(const std::string& fileName);
// Makes the folder `folder` when it is not there, readable and writable by
// whoever may read and write `dataFile` (searchable where readable). True
// when the folder is there afterwards.
[[nodiscard]] bool MakeFolderFor(const std::string& folder, const std::string& dataFile);

// Writes a new version of a file beside it and puts it in the file's place at
// Commit: readers see the old file or the whole new one, never a part, and the
// new one is on the disk, folder entry included, once Commit returns true.
// Dropped uncommitted, it leaves the old file as it was.
class FileReplacement {
  public:
    explicit FileReplacement(const std::string& fileName);
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Opens the new version with the permission bits of `permissionsFrom` (of
    // the file it replaces when empty). False: nothing must be written.
    [[nodiscard]] bool Open(const std::string& permissionsFrom = {});
    // False once any write has failed; later writes are then not tried.
    [[nodiscard]] bool Write(std::string_view bytes);
    // Replaces the file when every write went through; false otherwise, and the
    // old file stays.
    [[nodiscard]] bool Commit();

  private:
    std::string fileName_;
    QSaveFile file_;
    bool ok_ = true;
};

// Gives `file`, open for writing and not yet written, the permission bits of
// `dataFile`: a QFile just created, or a QSaveFile before its commit (its
// temporary file carries them to the final name). True when set, or when
// `dataFile` does not exist (the file keeps what the umask gave it); false
// when they could not be set, and the caller must not write.
[[nodiscard]] bool TakePermissionsOf(QFileDevice& file, const std::string& dataFile);

// The same for the closed file `fileName`, written by other means, before it
// is given its final name.
[[nodiscard]] bool TakePermissionsOf(const std::string& fileName, const std::string& dataFile);

// What writing a file came to.
enum class [[nodiscard]] FileWrite{
    Written,  // the whole new file is in place
    Failed,   // the file, if any, is as it was
};

// Replaces `fileName` with `bytes`, with the permission bits of `dataFile`,
// through a FileReplacement.
[[nodiscard]] FileWrite WriteSideFile(const std::string& fileName, std::string_view bytes,
                                      const std::string& dataFile);

// Fills the file it is given, not yet at its final name; false when it could
// not be written whole.
using FileFiller = std::function<bool(const std::string& fileName)>;

// Tells a name that is taken although no file has it.
using NameTaken = std::function<bool(const std::string& name)>;

// Creates a file at `stem`, or at `stem` with "-2", "-3", ... added when that
// is taken (an existing file is never written over, nor a name `taken` tells),
// filled by `fill`, with the permission bits of `permissionsFrom`, and on the
// disk once named. The file is written whole under a name of its own first,
// so no part of one ever carries a final name. Returns the name; "" when none
// could be made (nothing is left behind).
[[nodiscard]] std::string CreateUnderFreeName(const std::string& stem, const FileFiller& fill,
                                              const std::string& permissionsFrom,
                                              const NameTaken& taken = {});
// The same for a file of `bytes`.
[[nodiscard]] std::string CreateUnderFreeName(const std::string& stem, std::string_view bytes,
                                              const std::string& permissionsFrom,
                                              const NameTaken& taken = {});

// Makes `fileName` a second name of the file `target` (a hard link), putting
// it in place of what `fileName` named only once the link is made, and puts
// that on the disk. Failed when the file system cannot link there (another
// disk, one without hard links) or `fileName` cannot be replaced: it is then
// as it was.
[[nodiscard]] FileWrite LinkInPlaceOf(const std::string& fileName, const std::string& target);

// Bytes handed to code that reads a file by its name: held in a file that
// lives in memory only where the system has such files, in the temporary
// folder, readable by the user alone, where it has not. Gone with this.
class ScratchFile {
  public:
    explicit ScratchFile(std::string_view bytes);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // The name to open it by; "" when the bytes could not be held.
    const std::string& Name() const { return name_; }

  private:
    int fd_ = -1;
    std::unique_ptr<QTemporaryFile> onDisk_;
    std::string name_;
};
