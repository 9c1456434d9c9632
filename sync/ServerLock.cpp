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
        for (auto slept = std::chrono::milliseconds(0); slept < timing.poll && !ftp_.Cancelled();
             slept += kCancelCheck) {
            std::this_thread::sleep_for(std::min(kCancelCheck, timing.poll));
        }
    }
    waiting_ = false;
    return ftp_.Cancelled() ? LockWait::Cancelled : LockWait::Failed;
}

LockWait ServerLock::WriteOwner() {
    const std::string text = "computer=" + ComputerName() + "\r\ntaken=" + TimeText(Clock::Now()) +
                             "\r\ntoken=" + token_ + "\r\n";
    if (PutText(ftp_, folder_ + kOwnerName, text)) {
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
    return ftp_.RemoveDir(folder_) == ServerReply::Done || !FolderExists() ? LockStep::Done
                                                                           : LockStep::Failed;
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

LockStep ServerLock::NewGeneration(const std::string& serverFile, std::string& generation) {
    generation = RandomToken();
    return PutText(ftp_, serverFile + kGenerationSuffix, generation + "\r\n") ? LockStep::Done
                                                                              : LockStep::Failed;
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
    // Given back as far as the server lets it: a lock it keeps is taken for
    // stale in time, and broken by whoever waits for it.
    static_cast<void>(ftp.DeleteFile(folder_ + kOwnerName));
    static_cast<void>(ftp.RemoveDir(folder_));
    held_ = false;
}
