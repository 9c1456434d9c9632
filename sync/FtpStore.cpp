// FtpStore: the lock, the generation and the upload by rename of one step.
#include "FtpStore.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "SjisCodec.h"
#include "SyncQuestions.h"

namespace {

// %1 the computer, %2 when it took the lock, %3 minutes.
const char* const kLockStale =
    "サーバーのファイルを更新中のコンピューター (%1、%2 から) が %3 分以上そのままです。\n"
    "途中で止まったものとみなして、続けますか？";
const char* const kUnknown = "不明";
// %1 the name of the lock folder.
const char* const kLockNotPossible =
    "サーバーに %1 フォルダーを作れないため、ファイルを更新できません。";
// %1 the name of the lock folder.
const char* const kServerKeepsFolders =
    "サーバーがフォルダーの削除を許さないため、同期用のロック %1 を外せません。"
    "サーバーの設定を確かめてください。";

// The value after "<key>=" in the lock's owner file, as it may be shown: the
// file is anyone's to write, so only printable ASCII of a name's length
// reaches the question. kUnknown without one.
QString OwnerField(const std::string& owner, const std::string& key) {
    constexpr std::size_t kFieldLimit = 64;
    const std::size_t at = owner.rfind(key + "=", 0) == 0 ? 0 : owner.find("\n" + key + "=");
    if (at == std::string::npos) {
        return QString::fromUtf8(kUnknown);
    }
    std::string value;
    for (std::size_t i = owner.find('=', at) + 1;
         i < owner.size() && owner[i] != '\r' && owner[i] != '\n' && value.size() < kFieldLimit;
         ++i) {
        if (owner[i] >= 0x20 && owner[i] < 0x7F) {
            value += owner[i];
        }
    }
    return value.empty() ? QString::fromUtf8(kUnknown) : QString::fromLatin1(value);
}

QString ServerName(const std::string& name) {
    return SjisToQString(name);
}

}  // namespace

FtpStore::FtpStore(const ConnectSettings& settings, SyncQuestions& questions)
    : settings_(settings),
      questions_(questions),
      session_(settings, questions),
      lock_(session_.Transfer(), settings.indivSubjPath) {}

FtpStore::~FtpStore() {
    EndStep();
}

bool FtpStore::LogIn() {
    return session_.Connect() == 0;
}

StepHold FtpStore::BeginStep() {
    for (;;) {
        const LockWait wait = session_.Run(
            "", LockWait::Cancelled, [this](CFtpTransfer&) { return lock_.Take(); },
            [this] { return lock_.Waiting(); });
        switch (wait) {
            case LockWait::Taken:
                return StepHold::Held;
            case LockWait::NotPossible:
                return StepHold::ReadOnly;
            case LockWait::Cancelled:
            case LockWait::Failed:
                return StepHold::Failed;
            case LockWait::Stale:
                break;
        }
        const auto minutes =
            std::chrono::duration_cast<std::chrono::minutes>(ServerLockTiming().stale);
        const QString question =
            QString::fromUtf8(kLockStale)
                .arg(OwnerField(lock_.StaleOwner(), "computer"),
                     OwnerField(lock_.StaleOwner(), "taken"), QString::number(minutes.count()));
        if (!questions_.BreakStaleLock(question) ||
            session_.Run("", LockStep::Failed, [this](CFtpTransfer&) { return lock_.Break(); }) !=
                LockStep::Done) {
            return StepHold::Failed;
        }
    }
}

QString FtpStore::ReadOnlyReason() const {
    return QString::fromUtf8(kLockNotPossible).arg(ServerName(lock_.Folder()));
}

void FtpStore::EndStep() {
    if (lock_.Held()) {
        session_.RunEvenIfCancelled([this](CFtpTransfer& ftp) { lock_.Release(ftp); });
    }
    if (lock_.FoundFolderKept() && !keptFolderTold_) {
        keptFolderTold_ = true;
        questions_.Tell(QString::fromUtf8(kServerKeepsFolders).arg(ServerName(lock_.Folder())));
    }
}

ServerFetch FtpStore::Read(const std::string& serverPath, const std::string& into,
                           const std::string& dataFile, BaseOrigin& origin) {
    refusal_.clear();
    origin = {settings_.hostName, settings_.port, settings_.userId, serverPath, {}};
    if (session_.Run(serverPath, LockStep::Failed, [&](CFtpTransfer&) {
            return lock_.ReadGeneration(serverPath, origin.generation);
        }) != LockStep::Done) {
        return ServerFetch::Failed;
    }
    const ServerFetch fetched = session_.Download(serverPath, into, dataFile);
    if (fetched == ServerFetch::Refused) {
        refusal_ = QString::fromLatin1(session_.Transfer().LastRefusal());
    }
    return fetched;
}

StoreWrite FtpStore::Write(const std::string& localFile, const std::string& serverPath) {
    return session_.Run(serverPath, LockStep::Failed,
                        [&](CFtpTransfer&) { return lock_.SendByRename(localFile, serverPath); }) ==
                   LockStep::Done
               ? StoreWrite::Written
               : StoreWrite::Failed;
}

StoreWrite FtpStore::RenewOrigin(const std::string& serverPath, BaseOrigin& origin) {
    return session_.Run(serverPath, LockStep::Failed,
                        [&](CFtpTransfer&) {
                            return lock_.NewGeneration(serverPath, origin.generation);
                        }) == LockStep::Done
               ? StoreWrite::Written
               : StoreWrite::Failed;
}

bool FtpStore::AskHolding(const std::function<bool()>& ask) {
    if (!lock_.Held() || session_.Cancelled()) {
        return ask();
    }
    const auto every = std::max(std::chrono::milliseconds(1), ServerLockTiming().stale / 4);
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;
    // Nothing else uses the transfer while the user answers.
    std::thread keeper([&] {
        std::unique_lock<std::mutex> hold(mutex);
        while (!answered.wait_for(hold, every, [&] { return done; })) {
            hold.unlock();
            static_cast<void>(lock_.Refresh(session_.Transfer()));
            hold.lock();
        }
    });
    struct StopKeeper {
        std::mutex& mutex;
        std::condition_variable& answered;
        bool& done;
        std::thread& keeper;
        ~StopKeeper() {
            {
                const std::lock_guard<std::mutex> hold(mutex);
                done = true;
            }
            answered.notify_all();
            keeper.join();
        }
    } stop{mutex, answered, done, keeper};
    return ask();
}
