// ServerLock: the lock folder, its owner file and the upload by rename.
#include "ServerLock.h"

#include <unistd.h>

#include <QDir>
#include <QSysInfo>
#include <QTemporaryFile>

#include <ctime>
#include <random>
#include <thread>

#include "Clock.h"
#include "FtpTransfer.h"

namespace {

constexpr const char* kLockSuffix = ".lock";
constexpr const char* kOwnerName = "/owner";
constexpr const char* kPendingName = "/pending";
constexpr const char* kUploadSuffix = ".up";
constexpr const char* kGenerationSuffix = ".generation";
// What the owner file says of a lock given back on a server that keeps its
// folder: the next taker may claim it at once.
constexpr const char* kReleasedKey = "released=";
// A waiter looks at the cancel request this often while it sleeps.
constexpr std::chrono::milliseconds kCancelCheck{50};

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

// Hex digits no other lock is likely to draw: they tell this step's lock and
// upload from those of every other save, on this computer or another.
std::string RandomToken() {
    std::random_device device;
    const std::uint64_t value = (std::uint64_t{device()} << 32) | device();
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

// Stores `text` as `serverFile` through a temporary local file.
bool PutText(CFtpTransfer& ftp, const std::string& serverFile, const std::string& text) {
    QTemporaryFile local(QDir::tempPath() + QStringLiteral("/veskat-lock-XXXXXX"));
    if (!local.open() ||
        local.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !local.flush()) {
        return false;
    }
    return ftp.UploadAs(local.fileName().toLocal8Bit().toStdString(), serverFile) ==
           ServerReply::Done;
}

std::string TimeText(std::time_t t) {
    const std::tm parts = LocalTime::Break(t);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

// Sleeps `time`, looking at the cancel request between short naps.
void SleepUnlessCancelled(const CFtpTransfer& ftp, std::chrono::milliseconds time) {
    for (auto slept = std::chrono::milliseconds(0); slept < time && !ftp.Cancelled();
         slept += kCancelCheck) {
        std::this_thread::sleep_for(std::min(kCancelCheck, time));
    }
}

}  // namespace

LockTiming& ServerLockTiming() {
    static LockTiming timing;
    return timing;
}

std::string ComputerName() {
    std::string name;
    for (char c : QSysInfo::machineHostName().toStdString()) {
        if (IsNameChar(c)) {
            name += c;
        }
    }
    return (name.empty() ? "computer" : name) + "-" + std::to_string(getpid());
}

ServerLock::ServerLock(CFtpTransfer& ftp, const std::string& indivServerFile)
    : ftp_(ftp), folder_(indivServerFile + kLockSuffix), token_(RandomToken()) {}

LockWait ServerLock::Take() {
    const LockTiming timing = ServerLockTiming();
    std::string seen;
    bool seenOnce = false;
    auto since = std::chrono::steady_clock::now();
    int refusedWithoutFolder = 0;
    for (;;) {
        const ServerReply made = ftp_.MakeDir(folder_);
        if (made == ServerReply::Done) {
            waiting_ = false;
            return WriteOwner();
        }
        if (made == ServerReply::NoAnswer) {
            break;
        }
        std::string owner;
        const ServerFetch got = ftp_.FetchText(folder_ + kOwnerName, owner);
        if (got == ServerFetch::Failed) {
            break;
        }
        // No owner file and no folder: either it was given back just now, or
        // this login may not make folders at all.
        if (got == ServerFetch::NotThere && !FolderExists()) {
            if (++refusedWithoutFolder > 1) {
                waiting_ = false;
                return ftp_.Cancelled() ? LockWait::Cancelled : LockWait::NotPossible;
            }
            continue;
        }
        refusedWithoutFolder = 0;
        if (got == ServerFetch::Fetched && owner.rfind(kReleasedKey, 0) == 0) {
            const LockWait claimed = Claim();
            if (claimed != LockWait::Stale) {
                waiting_ = false;
                return claimed;
            }
            continue;
        }
        waiting_ = true;
        const auto now = std::chrono::steady_clock::now();
        if (!seenOnce || owner != seen) {
            seen = owner;
            seenOnce = true;
            since = now;
        } else if (now - since >= timing.stale) {
            staleOwner_ = owner;
            waiting_ = false;
            return LockWait::Stale;
        }
        SleepUnlessCancelled(ftp_, timing.poll);
    }
    waiting_ = false;
    return ftp_.Cancelled() ? LockWait::Cancelled : LockWait::Failed;
}

// A folder marked given back cannot be made again, so it is claimed by
// writing the owner file: two claimers may both write it, and the one whose
// token is still there a poll later holds the lock. The other, and every
// later step, checks the token before any change it makes, so a claim lost
// late only fails that step. Stale here means someone else claimed it.
LockWait ServerLock::Claim() {
    takenAt_ = TimeText(Clock::Now());
    if (!PutText(ftp_, folder_ + kOwnerName, OwnerText())) {
        return ftp_.Cancelled() ? LockWait::Cancelled : LockWait::Failed;
    }
    SleepUnlessCancelled(ftp_, ServerLockTiming().poll);
    if (ftp_.Cancelled()) {
        return LockWait::Cancelled;
    }
    if (!StillOurs(ftp_)) {
        return LockWait::Stale;
    }
    held_ = true;
    claimedKept_ = true;
    return LockWait::Taken;
}

std::string ServerLock::OwnerText() const {
    return "computer=" + ComputerName() + "\r\ntaken=" + takenAt_ + "\r\ntoken=" + token_ + "\r\n";
}

LockWait ServerLock::WriteOwner() {
    takenAt_ = TimeText(Clock::Now());
    if (PutText(ftp_, folder_ + kOwnerName, OwnerText())) {
        held_ = true;
        return LockWait::Taken;
    }
    // A folder left behind without an owner file is taken for stale in time
    // and broken by whoever waits for it.
    static_cast<void>(ftp_.RemoveDir(folder_));
    return LockWait::Failed;
}

bool ServerLock::FolderExists() {
    std::string names;
    return ftp_.ListDir(folder_, names) == ServerReply::Done;
}

LockStep ServerLock::Break() {
    std::string owner;
    const ServerFetch got = ftp_.FetchText(folder_ + kOwnerName, owner);
    if (got == ServerFetch::Failed) {
        return LockStep::Failed;
    }
    if (owner != staleOwner_) {
        return LockStep::Done;  // its owner is alive after all, or another waiter broke it
    }
    FinishPending(ftp_);
    // Whether the owner file went shows in whether the folder can go.
    static_cast<void>(ftp_.DeleteFile(folder_ + kOwnerName));
    return RemoveFolder(ftp_) ? LockStep::Done : LockStep::Failed;
}

// A server that refuses to remove the folder (or, keeping every file, the
// owner file in it) would leave it held for good: it is marked given back
// instead, for the next taker to claim.
bool ServerLock::RemoveFolder(CFtpTransfer& ftp) {
    if (ftp.RemoveDir(folder_) != ServerReply::Refused) {
        return true;  // removed, or left for the stale time when the server is gone
    }
    std::string names;
    if (ftp.ListDir(folder_, names) != ServerReply::Done) {
        return true;  // gone after all
    }
    if (!PutText(ftp, folder_ + kOwnerName, kReleasedKey + TimeText(Clock::Now()) + "\r\n")) {
        return false;
    }
    // Told once: a folder claimed as given back was known to stay.
    keptFolderFound_ = !claimedKept_;
    return true;
}

void ServerLock::FinishPending(CFtpTransfer& ftp) {
    std::string note;
    if (ftp.FetchText(folder_ + kPendingName, note) != ServerFetch::Fetched) {
        return;
    }
    const std::size_t end = note.find_first_of("\r\n");
    const std::size_t next = note.find_first_not_of("\r\n", end);
    if (end == std::string::npos || next == std::string::npos) {
        return;
    }
    const std::string from = note.substr(0, end);
    const std::string to = note.substr(next, note.find_first_of("\r\n", next) - next);
    // The note is written only after the replacement arrived whole and
    // before the old copy was deleted: where the old copy is still there, or
    // the rename was done before its owner stopped, the rename is refused
    // and nothing changes. Either way the note has served; left, it would
    // keep the folder from ever being removed.
    static_cast<void>(ftp.RenameFile(from, to));
    static_cast<void>(ftp.DeleteFile(folder_ + kPendingName));
}

// An upload that is not renamed into place is taken away again, as far as the
// server lets it: one left behind carries this step's own name, so nobody
// takes it for a data file, and it only takes up room.
LockStep ServerLock::SendByRename(const std::string& localFile, const std::string& serverFile) {
    const std::string upload = serverFile + "." + ComputerName() + "-" + token_ + kUploadSuffix;
    if (ftp_.UploadAs(localFile, upload) != ServerReply::Done) {
        if (!ftp_.Cancelled()) {
            static_cast<void>(ftp_.DeleteFile(upload));
        }
        return LockStep::Failed;
    }
    // A waiter may have taken this lock for one left behind while this step
    // was slow; then the data file is no longer this step's to replace.
    if (!StillOurs(ftp_)) {
        static_cast<void>(ftp_.DeleteFile(upload));
        return LockStep::Failed;
    }
    ServerReply renamed = ftp_.RenameFile(upload, serverFile);
    if (renamed == ServerReply::Refused) {
        const std::string note = upload + "\r\n" + serverFile + "\r\n";
        if (!PutText(ftp_, folder_ + kPendingName, note)) {
            static_cast<void>(ftp_.DeleteFile(upload));
            return LockStep::Failed;
        }
        pendingNote_ = note;
        if (ftp_.DeleteFile(serverFile) == ServerReply::NoAnswer) {
            return LockStep::Failed;
        }
        renamed = ftp_.RenameFile(upload, serverFile);
        if (renamed == ServerReply::Done &&
            ftp_.DeleteFile(folder_ + kPendingName) == ServerReply::Done) {
            pendingNote_.clear();
        }
    }
    return renamed == ServerReply::Done ? LockStep::Done : LockStep::Failed;
}

bool ServerLock::StillOurs(CFtpTransfer& ftp) {
    std::string owner;
    return ftp.FetchText(folder_ + kOwnerName, owner) == ServerFetch::Fetched &&
           owner.find("token=" + token_) != std::string::npos;
}

LockStep ServerLock::ReadGeneration(const std::string& serverFile, std::string& generation) {
    const ServerFetch got = ftp_.FetchText(serverFile + kGenerationSuffix, generation);
    while (!generation.empty() && (generation.back() == '\n' || generation.back() == '\r')) {
        generation.pop_back();
    }
    // One that is there but cannot be read is no proof of the first generation.
    return got == ServerFetch::Fetched || got == ServerFetch::NotThere ? LockStep::Done
                                                                       : LockStep::Failed;
}

// The generation is every computer's merge basis: a step whose lock was
// broken meanwhile must not replace it under another's merge.
LockStep ServerLock::NewGeneration(const std::string& serverFile, std::string& generation) {
    if (!StillOurs(ftp_)) {
        return LockStep::Failed;
    }
    generation = RandomToken();
    return PutText(ftp_, serverFile + kGenerationSuffix, generation + "\r\n") ? LockStep::Done
                                                                              : LockStep::Failed;
}

bool ServerLock::Refresh(CFtpTransfer& ftp) {
    if (!held_ || !StillOurs(ftp)) {
        return false;
    }
    ++refreshes_;
    return PutText(ftp, folder_ + kOwnerName,
                   OwnerText() + "refreshed=" + TimeText(Clock::Now()) + " #" +
                       std::to_string(refreshes_) + "\r\n");
}

void ServerLock::Release(CFtpTransfer& ftp) {
    if (!held_) {
        return;
    }
    if (!StillOurs(ftp)) {
        held_ = false;  // broken by a waiter: no longer ours to give back
        return;
    }
    if (!pendingNote_.empty()) {
        FinishPending(ftp);
        std::string note;
        if (ftp.FetchText(folder_ + kPendingName, note) == ServerFetch::Fetched) {
            // The data file is gone and its replacement would not move: the
            // lock stays, so that nobody takes the missing file for a new
            // server, until a waiter breaks it and tries the rename again.
            return;
        }
        pendingNote_.clear();
    }
    // Given back as far as the server lets it: a lock it keeps and cannot
    // mark given back is taken for stale in time, and broken by whoever
    // waits for it.
    static_cast<void>(ftp.DeleteFile(folder_ + kOwnerName));
    static_cast<void>(RemoveFolder(ftp));
    held_ = false;
}
