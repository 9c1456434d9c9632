// The order of the steps is what keeps a sync cut short anywhere from losing
// work: the other side's versions are set aside before any write replaces
// them on the server; the server is written before the data file, and the
// data file before the state. A sync that stops between two of them finds,
// the next time, either a change it already made (the same value on both
// sides, which merges to nothing) or a subject whose item it knows by key.
#include "DavSync.h"

#include <QSet>

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "Clock.h"
#include "DavAddress.h"
#include "DavClient.h"
#include "DavSettings.h"
#include "DavState.h"
#include "DavSyncQuestions.h"
#include "ItemMerge.h"
#include "ListItems.h"
#include "MultiStatus.h"
#include "RepTodoForm.h"
#include "SjisCodec.h"
#include "SjisText.h"
#include "SubjMerge.h"
#include "SubjUid.h"
#include "TodoForm.h"
#include "TodoReading.h"

namespace {

// A write, and as many again after other programs wrote in between.
constexpr int kWriteTries = 4;
constexpr int kLoginTries = 3;
// An emptied list is asked about from this many items the state knew.
constexpr std::size_t kEmptyListAlarm = 3;

enum class WriteKind { None, Create, Patch, Recreate, Delete };
enum class WriteEnd { NotTried, Written, Failed, Refused };

// What differs between the sync of the dated subjects and that of the
// repeating ones: their records, files, item forms and words.
struct DatedForm {
    using Subj = IndivSubj;
    static constexpr SubjKind kKind = SubjKind::Indiv;
    static constexpr TodoShape kShape = TodoShape::Dated;
    static constexpr const char* kWord = "個別案件";
    static constexpr char kUidMark = 'd';

    static Subj Decode(const RecordText& record) { return DecodeIndivSubj(record); }
    static RecordText Encode(Subj subj) { return EncodeIndivSubj(subj); }
    static ItemReading<Subj> Read(const std::string& text, const std::string& zoneName) {
        return ReadTodo(text, zoneName);
    }
    static std::string New(const Subj& subj, const std::string& uid, std::time_t now,
                           const std::string& zoneName) {
        return NewTodoText(subj, uid, now, zoneName);
    }
    static PatchOutcome Patch(std::string_view text, const Subj& subj, FieldSet fields,
                              std::time_t now, const std::string& zoneName, std::string& patched) {
        return PatchTodo(text, subj, fields, now, zoneName, patched);
    }
};

struct RepForm {
    using Subj = RepSubj;
    static constexpr SubjKind kKind = SubjKind::Rep;
    static constexpr TodoShape kShape = TodoShape::Rules;
    static constexpr const char* kWord = "反復案件";
    static constexpr char kUidMark = 'r';

    static Subj Decode(const RecordText& record) { return DecodeRepSubj(record); }
    static RecordText Encode(Subj subj) { return EncodeRepSubj(subj); }
    static ItemReading<Subj> Read(const std::string& text, const std::string&) {
        return ReadRepTodo(text);
    }
    static std::string New(const Subj& subj, const std::string& uid, std::time_t now,
                           const std::string& zoneName) {
        return NewRepTodoText(subj, uid, now, zoneName);
    }
    static PatchOutcome Patch(std::string_view text, const Subj& subj, FieldSet fields,
                              std::time_t now, const std::string& zoneName, std::string& patched) {
        return PatchRepTodo(text, subj, fields, now, zoneName, patched);
    }
};

KeyBytes KeyOfSubj(const IndivSubj& subj) {
    return KeyBytesOf(DatedForm::Encode(subj));
}

KeyBytes KeyOfSubj(const RepSubj& subj) {
    return KeyBytesOf(RepForm::Encode(subj));
}

template <typename Subj>
bool SameSubject(const Subj& a, const Subj& b) {
    return std::all_of(kAllSubjFields.begin(), kAllSubjFields.end(),
                       [&](SubjField f) { return SameField(a, b, f); });
}

std::string Utf8(const std::string& sjis) {
    return SjisToQString(sjis).toStdString();
}

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// A question's text with the kind of subject it is about.
template <typename Form>
QString Said(const char* utf8) {
    return Text(utf8).replace(Text("個別案件"), Text(Form::kWord));
}

QString ReasonText(const ServerCall& call) {
    switch (call.outcome) {
        case DavOutcome::NotAuthorised:
            return Text("ユーザーIDかパスワードが受け付けられませんでした");
        case DavOutcome::CertificateRefused:
            return Text("サーバーの証明書を確かめられませんでした");
        case DavOutcome::Unreachable:
            return Text("サーバーに届きませんでした");
        case DavOutcome::Stalled:
            return Text("サーバーが応答しなくなりました");
        case DavOutcome::AddressRefused:
            return Text("アドレスが https でないため送れません");
        case DavOutcome::TooLarge:
            return Text("サーバーの返答が大きすぎます");
        case DavOutcome::NotFound:
            return Text("タスクリストが見つかりません");
        case DavOutcome::Forbidden:
            return Text("タスクリストを読むことが許されていません");
        default:
            return Text("サーバーが要求を受け付けませんでした (%1)").arg(call.status);
    }
}

// One item of the list, or one subject of the data file, through the sync.
template <typename Form>
struct ItemOf {
    using Subj = typename Form::Subj;

    // What the last sync knew of it; null for an item or subject new since.
    const DavItemState* entry = nullptr;
    Subj base;
    ItemReading<Subj> baseRead;
    // The subject of the data file that is its own.
    std::optional<Subj> local;
    LocalSide localSide = LocalSide::Absent;
    // The server's item as it stands now (the text at the last sync when it
    // is unchanged).
    ServerSide serverSide = ServerSide::Absent;
    QString href;
    QByteArray etag;
    std::string text;
    ItemReading<Subj> read;
    std::string uid;
    int uidNumber = 1;
    // Kept on both sides at the user's word, against deletions on one.
    bool restored = false;
    bool absorbed = false;  // a new subject another item took as its own
    // Made by a sync cut short, and not on the server now: made again, told.
    bool resent = false;
    // Where the item's date and title are another's here: "(2)", "(3)" ...
    // after its title, on this computer alone.
    std::string mark;

    // The plan: what both sides hold afterwards (none: the subject is gone)
    // and what the server is sent for it.
    ItemAction action = ItemAction::Nothing;
    std::optional<Subj> merged;
    std::optional<Subj> shown;  // merged, with the mark
    FieldSet send;
    WriteKind write = WriteKind::None;
    std::string writeText;
    bool setAside = false;
    bool adopted = false;
    // Made on the server since the listing, by this sync or, found at a
    // create, by another computer: no token of the listing knows it.
    bool madeSinceListing = false;
    WriteEnd end = WriteEnd::NotTried;

    // The subject here changes: the server's changes are taken in.
    bool Taken() const {
        if (!shown) {
            return local.has_value();
        }
        return !local || !SameSubject(*shown, *local);
    }
};

template <typename Form>
class DavSync {
    using Subj = typename Form::Subj;
    using Item = ItemOf<Form>;

  public:
    DavSync(const DavSyncSetup& setup, DavSettings& settings, DavClient& client,
            DavSyncQuestions& questions)
        : setup_(setup),
          settings_(settings),
          client_(client),
          questions_(questions),
          now_(Clock::Now()),
          listPath_(setup.list.path(QUrl::FullyDecoded)) {
        result_.report.kind = Form::kKind;
    }

    DavSyncResult Run();

  private:
    bool LoadLocal();
    void LoadState();
    bool LogInAndList();
    bool FetchChanged();
    void ForgetUnconfirmed();
    bool CreateConfirmed(const DavItemState& entry, const std::set<QString>& removed) const;
    void Pair();
    void AskAboutDeletions();
    void PlanAll();
    void Plan(Item& item);
    static void ApplyMark(Item& item);
    void AssignUid(Item& item);
    void PlaceKeys();
    void MarkWhereTaken(std::map<KeyBytes, Item*>& placed, Item& item);
    bool KeepConflictsAside();
    void NoteCreates();
    void WriteAll();
    void WriteOne(Item& item);
    bool ReadAgain(Item& item);
    void Commit();
    QString TokenAfter(const DavState& next, bool keptOld, bool madeSince) const;
    QString TokenPastOwnWrites(const DavState& next) const;
    DavItemState EntryAfter(const Item& item) const;
    DavSyncResult Ended(DavSyncOutcome outcome);

    const DavSyncSetup& setup_;
    DavSettings& settings_;
    DavClient& client_;
    DavSyncQuestions& questions_;
    const std::time_t now_;
    const QString listPath_;

    std::vector<RecordText> localRecords_;
    DavState state_;
    Listing listing_;
    std::map<QString, FetchedItem> fetched_;
    std::vector<Item> items_;
    std::vector<DavItemState> alone_;
    int newlyAlone_ = 0;
    std::set<KeyBytes> resendKeys_;
    std::set<std::string> takenUids_;
    QSet<QString> takenHrefs_;
    std::vector<std::string> conflictFiles_;
    bool serverGone_ = false;  // a write found the server unusable: no more are tried
    DavSyncResult result_;
};

template <typename Form>
DavSyncResult DavSync<Form>::Ended(DavSyncOutcome outcome) {
    result_.outcome = outcome;
    return std::move(result_);
}

template <typename Form>
DavSyncResult DavSync<Form>::Run() {
    if (!LoadLocal()) {
        return Ended(DavSyncOutcome::LocalDamaged);
    }
    LoadState();
    if (!LogInAndList() || !FetchChanged()) {
        return std::move(result_);
    }
    ForgetUnconfirmed();
    Pair();
    const auto known = static_cast<std::size_t>(
        std::count_if(state_.items.begin(), state_.items.end(),
                      [](const DavItemState& entry) { return !entry.alone; }));
    const bool listEmpty = std::none_of(items_.begin(), items_.end(),
                                        [](const Item& i) {
                                            return i.serverSide != ServerSide::Deleted &&
                                                   i.serverSide != ServerSide::Absent;
                                        }) &&
                           alone_.empty();
    if (listEmpty && known >= kEmptyListAlarm) {
        const QString question =
            Said<Form>(
                "タスクリストが空になっています。前回の同期では %1 件ありました。\n"
                "このコンピューターの個別案件をサーバーに送り直しますか？\n"
                "「いいえ」では同期をやめ、どちらも変えません。")
                .arg(known);
        if (!questions_.SendListAgain(question)) {
            return Ended(DavSyncOutcome::Stopped);
        }
        for (Item& item : items_) {
            if (item.serverSide == ServerSide::Deleted && item.local) {
                item.localSide = LocalSide::Changed;
                item.restored = true;
            }
        }
    }
    PlanAll();
    AskAboutDeletions();
    PlaceKeys();
    if (!KeepConflictsAside()) {
        // Those items wait: the server keeps its version until it can be kept here.
        for (Item& item : items_) {
            if (item.setAside) {
                item.write = WriteKind::None;
                item.end = WriteEnd::Failed;
            }
        }
    }
    NoteCreates();
    WriteAll();
    Commit();
    return Ended(client_.Cancelled() ? DavSyncOutcome::Cancelled : DavSyncOutcome::Synced);
}

template <typename Form>
bool DavSync<Form>::LoadLocal() {
    if (!PathExists(setup_.dataFile)) {
        return true;  // a computer that has no subjects yet
    }
    if (CheckServerCopy(Form::kKind, setup_.dataFile) != CopyCheck::Clean) {
        return false;
    }
    SubjTree tree(HeaderOf(Form::kKind));
    if (tree.Load(setup_.dataFile, WidthsOf(Form::kKind)) != StoreResult::Done) {
        return false;
    }
    tree.VisitInOrder([this](const RecordText& record) {
        localRecords_.push_back(record);
        return true;
    });
    return true;
}

template <typename Form>
void DavSync<Form>::LoadState() {
    switch (ReadDavState(setup_.dataFile, state_)) {
        case StateRead::Read:
            // A state of another list says nothing of this one's items.
            if (!SameResource(QUrl(state_.list), setup_.list)) {
                state_ = DavState();
            }
            break;
        case StateRead::Missing:
            break;
        case StateRead::Damaged:
            result_.report.stateSetAside = SetDamagedStateAside(setup_.dataFile);
            break;
    }
    state_.list = setup_.list.toString();
}

template <typename Form>
bool DavSync<Form>::LogInAndList() {
    const std::string userId = Utf8(settings_.userId);
    bool refused = false;
    ServerCall call;
    for (int attempt = 0; attempt < kLoginTries; ++attempt) {
        if (!userId.empty() && (settings_.password.empty() || refused)) {
            questions_.AskPassword(settings_, refused);
            if (settings_.password.empty()) {
                break;
            }
        }
        client_.SetLogin(userId, settings_.password);
        call = ListItems(client_, setup_.list, state_.syncToken, listing_);
        if (call.Ok()) {
            return true;
        }
        if (call.outcome != DavOutcome::NotAuthorised) {
            break;
        }
        refused = true;
    }
    if (call.outcome == DavOutcome::Cancelled) {
        result_.outcome = DavSyncOutcome::Cancelled;
        return false;
    }
    const QString question =
        Said<Form>(
            "CalDAVサーバーと同期できませんでした（%1）。\n"
            "このコンピューター上の個別案件で作業を続けますか？\n"
            "変更は次に保存したときに送ります。")
            .arg(call.Ok() ? ReasonText({DavOutcome::NotAuthorised, 401}) : ReasonText(call));
    result_.outcome =
        questions_.WorkOffline(question) ? DavSyncOutcome::Offline : DavSyncOutcome::GaveUp;
    return false;
}

template <typename Form>
bool DavSync<Form>::FetchChanged() {
    std::map<QString, const DavItemState*> known;
    for (const DavItemState& entry : state_.items) {
        known[entry.href] = &entry;
    }
    std::vector<QString> wanted;
    for (const ListedItem& listed : listing_.present) {
        auto found = known.find(listed.href);
        if (found == known.end() || listed.etag.isEmpty() || found->second->etag != listed.etag) {
            wanted.push_back(listed.href);
        }
    }
    std::vector<FetchedItem> items;
    const ServerCall call = FetchItems(client_, setup_.list, wanted, items);
    if (!call.Ok()) {
        const QString question = Said<Form>(
                                     "CalDAVサーバーから個別案件を読めませんでした（%1）。\n"
                                     "このコンピューター上の個別案件で作業を続けますか？")
                                     .arg(ReasonText(call));
        result_.outcome = call.outcome == DavOutcome::Cancelled ? DavSyncOutcome::Cancelled
                          : questions_.WorkOffline(question)    ? DavSyncOutcome::Offline
                                                                : DavSyncOutcome::GaveUp;
        return false;
    }
    for (FetchedItem& item : items) {
        QString href = item.href;
        fetched_[href] = std::move(item);
    }
    return true;
}

template <typename Form>
void DavSync<Form>::Pair() {
    std::set<QString> present;
    for (const ListedItem& listed : listing_.present) {
        present.insert(listed.href);
    }
    const std::set<QString> removed(listing_.removed.begin(), listing_.removed.end());
    const auto gone = [&](const QString& href) {
        if (listing_.full ? present.count(href) == 0 : removed.count(href) != 0) {
            return true;
        }
        auto f = fetched_.find(href);
        return f != fetched_.end() && f->second.missing;
    };

    std::map<KeyBytes, std::size_t> localAt;
    for (std::size_t i = 0; i < localRecords_.size(); ++i) {
        localAt[KeyBytesOf(localRecords_[i])] = i;
    }
    std::vector<bool> linked(localRecords_.size(), false);

    for (const DavItemState& entry : state_.items) {
        takenHrefs_.insert(entry.href);
        takenUids_.insert(entry.uid);
        auto fresh = fetched_.find(entry.href);
        const bool changed = fresh != fetched_.end() && !fresh->second.missing;
        if (entry.alone) {
            if (gone(entry.href)) {
                continue;
            }
            if (!changed) {
                alone_.push_back(entry);
                continue;
            }
            continue;  // read again below as an item new to this computer
        }
        Item item;
        item.entry = &entry;
        item.base = Form::Decode(entry.record);
        item.baseRead = Form::Read(entry.text, setup_.zoneName);
        item.href = entry.href;
        item.uid = entry.uid;
        item.etag = entry.etag;
        item.text = entry.text;
        item.read = item.baseRead;
        if (auto at = localAt.find(entry.key); at != localAt.end()) {
            item.local = Form::Decode(localRecords_[at->second]);
            linked[at->second] = true;
            item.localSide =
                SameSubject(*item.local, item.base) ? LocalSide::Unchanged : LocalSide::Changed;
        } else {
            item.localSide = LocalSide::Deleted;
        }
        if (gone(entry.href)) {
            item.serverSide = ServerSide::Deleted;
        } else if (changed) {
            item.etag = fresh->second.etag;
            item.text = fresh->second.text;
            item.read = Form::Read(item.text, setup_.zoneName);
            item.serverSide = ServerSide::Changed;
            if (item.read.shape != Form::kShape) {
                // Another program made it something veskat does not show:
                // it stays as that, and the subject here goes on as a new one.
                alone_.push_back({entry.uid, entry.href, item.etag, {}, {}, {}, true});
                ++newlyAlone_;
                if (item.local) {
                    item.entry = nullptr;
                    item.localSide = LocalSide::New;
                    item.serverSide = ServerSide::Absent;
                    item.href.clear();
                    items_.push_back(std::move(item));
                }
                continue;
            }
        } else {
            item.serverSide = ServerSide::Unchanged;
        }
        items_.push_back(std::move(item));
    }

    // Items new to this computer, in the order of their names, so that which
    // of two with one key gets the mark does not depend on the reply.
    std::map<KeyBytes, std::size_t> newAt;
    std::map<QString, const DavItemState*> byHref;
    for (const DavItemState& entry : state_.items) {
        byHref[entry.href] = &entry;
    }
    for (auto& [href, got] : fetched_) {
        const auto known = byHref.find(href);
        const bool knownHere = known != byHref.end();
        if (got.missing || (knownHere && !known->second->alone)) {
            continue;
        }
        Item item;
        item.href = href;
        item.etag = got.etag;
        item.text = got.text;
        item.read = Form::Read(item.text, setup_.zoneName);
        item.uid = item.read.uid;
        takenHrefs_.insert(href);
        takenUids_.insert(item.uid);
        if (item.read.shape != Form::kShape) {
            alone_.push_back({item.uid, href, item.etag, {}, {}, {}, true});
            newlyAlone_ += knownHere ? 0 : 1;
            continue;
        }
        item.serverSide = ServerSide::New;
        const KeyBytes key = KeyOfSubj(item.read.subj);
        // A subject here with the item's key that no item has yet is the
        // same subject: a lost state, or a second computer's first sync.
        if (auto at = localAt.find(key); at != localAt.end() && !linked[at->second]) {
            item.local = Form::Decode(localRecords_[at->second]);
            item.localSide = LocalSide::New;
            item.adopted = true;
            linked[at->second] = true;
        }
        items_.push_back(std::move(item));
    }

    for (std::size_t i = 0; i < localRecords_.size(); ++i) {
        if (!linked[i]) {
            Item item;
            item.local = Form::Decode(localRecords_[i]);
            item.localSide = LocalSide::New;
            item.resent = resendKeys_.count(KeyBytesOf(localRecords_[i])) != 0;
            items_.push_back(std::move(item));
        }
    }
}

template <typename Form>
void DavSync<Form>::ForgetUnconfirmed() {
    // Their subjects are new here again.
    const std::set<QString> removed(listing_.removed.begin(), listing_.removed.end());
    std::erase_if(state_.items, [&](const DavItemState& entry) {
        if (!entry.unconfirmed || CreateConfirmed(entry, removed)) {
            return false;
        }
        if (fetched_.count(entry.href) == 0) {
            resendKeys_.insert(entry.key);
        }
        return true;
    });
}

template <typename Form>
bool DavSync<Form>::CreateConfirmed(const DavItemState& entry,
                                    const std::set<QString>& removed) const {
    // The server tells of an item made since the token (or lists every item
    // without one): there with the subject it was made for, or deleted since.
    // Not told of, the create may never have been sent, or a server that lists
    // the difference of two states lost an item made and deleted since the
    // token: either way it is made again, and the user told why.
    const auto fresh = fetched_.find(entry.href);
    if (fresh == fetched_.end()) {
        return removed.count(entry.href) != 0;
    }
    if (fresh->second.missing) {
        return true;
    }
    // A name another subject took first: the create got another UID.
    const ItemReading<Subj> read = Form::Read(fresh->second.text, setup_.zoneName);
    return read.shape == Form::kShape && KeyOfSubj(read.subj) == KeyBytesOf(entry.record);
}

template <typename Form>
void DavSync<Form>::PlanAll() {
    for (Item& item : items_) {
        Plan(item);
    }
}

template <typename Form>
void DavSync<Form>::Plan(Item& item) {
    item.action = DecideItem(item.localSide, item.serverSide);
    item.end = WriteEnd::NotTried;
    item.merged = item.local;
    item.send = FieldSet();
    item.write = WriteKind::None;
    item.setAside = false;
    switch (item.action) {
        case ItemAction::Nothing:
        case ItemAction::Forget:
            break;
        case ItemAction::Create:
            AssignUid(item);
            item.write = WriteKind::Create;
            item.writeText = Form::New(*item.local, item.uid, now_, setup_.zoneName);
            break;
        case ItemAction::Send:
        case ItemAction::Take:
        case ItemAction::MergeFields: {
            if (!item.local) {
                item.merged = item.read.subj;
                break;
            }
            const bool hasBase = item.entry != nullptr && item.baseRead.shape == Form::kShape;
            const FieldMergeOf<Subj> merge =
                MergeItemFields({hasBase ? &item.base : nullptr, hasBase ? &item.baseRead : nullptr,
                                 &*item.local, &item.read});
            item.merged = merge.merged;
            item.send = merge.send;
            item.setAside = merge.setAside;
            if (!item.send.Empty()) {
                item.write = WriteKind::Patch;
                if (Form::Patch(item.text, *item.merged, item.send, now_, setup_.zoneName,
                                item.writeText) != PatchOutcome::Patched) {
                    // The server's text holds no to-do to patch: the change
                    // stays here, told as one the server did not take.
                    item.write = WriteKind::None;
                    item.end = WriteEnd::Refused;
                }
            }
            break;
        }
        case ItemAction::DeleteOnServer:
            item.merged.reset();
            item.write = WriteKind::Delete;
            break;
        case ItemAction::DeleteHere:
            item.merged.reset();
            break;
        case ItemAction::KeepServers:
            item.merged = item.read.subj;
            break;
        case ItemAction::KeepOurs: {
            // Made again from its text at the last sync, so that what other
            // programs had added to it comes back with it.
            FieldSet changed;
            for (const SubjField field : kAllSubjFields) {
                if (!SameField(*item.local, item.base, field)) {
                    changed.Add(field);
                }
            }
            item.write = WriteKind::Recreate;
            if (Form::Patch(item.entry->text, *item.local, changed, now_, setup_.zoneName,
                            item.writeText) != PatchOutcome::Patched) {
                item.writeText = Form::New(*item.local, item.uid, now_, setup_.zoneName);
            }
            break;
        }
    }
    ApplyMark(item);
}

template <typename Form>
void DavSync<Form>::ApplyMark(Item& item) {
    item.shown = item.merged;
    if (item.shown && !item.mark.empty()) {
        std::string& title = item.shown->title;
        title.resize(SjisPrefixLength(title, kTitleLimit - item.mark.size()));
        title += item.mark;
    }
}

template <typename Form>
void DavSync<Form>::AssignUid(Item& item) {
    const KeyBytes key = KeyOfSubj(*item.local);
    for (;; ++item.uidNumber) {
        const std::string uid = DerivedUid(key, item.uidNumber, Form::kUidMark);
        const QString href = listPath_ + ItemName(uid);
        if (takenUids_.count(uid) == 0 && !takenHrefs_.contains(href)) {
            item.uid = uid;
            item.href = href;
            takenUids_.insert(uid);
            takenHrefs_.insert(href);
            return;
        }
    }
}

template <typename Form>
void DavSync<Form>::AskAboutDeletions() {
    std::size_t here = 0;
    std::size_t there = 0;
    std::size_t known = 0;
    for (const Item& item : items_) {
        here += item.action == ItemAction::DeleteHere;
        there += item.action == ItemAction::DeleteOnServer;
        known += item.entry != nullptr;
    }
    const std::size_t held = localRecords_.size();
    if (DeletesMany(here, held)) {
        const QString question = Said<Form>(
                                     "他の機器で個別案件 %1 件が削除されています。\n"
                                     "このコンピューターの %1 件を残し、サーバーにも戻しますか？\n"
                                     "「いいえ」ではこのコンピューターからも削除します。")
                                     .arg(here);
        if (questions_.KeepDeletedSubjects(question)) {
            for (Item& item : items_) {
                if (item.action == ItemAction::DeleteHere) {
                    item.localSide = LocalSide::Changed;
                    item.restored = true;
                    Plan(item);
                }
            }
        }
    }
    if (DeletesMany(there, known)) {
        const QString question =
            Said<Form>(
                "このコンピューターで個別案件 %1 件が削除されています。\n"
                "サーバーと他の機器の %1 件を残し、このコンピューターにも戻しますか？\n"
                "「いいえ」ではサーバーからも削除します。")
                .arg(there);
        if (questions_.KeepDeletedSubjects(question)) {
            for (Item& item : items_) {
                if (item.action == ItemAction::DeleteOnServer) {
                    item.serverSide = ServerSide::Changed;
                    item.restored = true;
                    Plan(item);
                }
            }
        }
    }
}

template <typename Form>
void DavSync<Form>::PlaceKeys() {
    // The subjects that keep their key here first; then those that take a
    // key from the server, each onto a free key.
    std::map<KeyBytes, Item*> placed;
    std::vector<Item*> moving;
    for (Item& item : items_) {
        if (!item.shown) {
            continue;
        }
        if (item.local && KeyOfSubj(*item.shown) == KeyOfSubj(*item.local)) {
            placed[KeyOfSubj(*item.shown)] = &item;
        } else {
            moving.push_back(&item);
        }
    }
    std::stable_sort(moving.begin(), moving.end(),
                     [](const Item* a, const Item* b) { return a->href < b->href; });
    for (Item* item : moving) {
        auto there = placed.find(KeyOfSubj(*item->shown));
        if (there != placed.end() && there->second->action == ItemAction::Create &&
            item->entry != nullptr) {
            // The server moved an item onto the key of a subject made here
            // since: the two are one subject, as two computers' batches make.
            Item& made = *there->second;
            placed.erase(there);
            item->local = made.local;
            item->localSide = LocalSide::Changed;
            made.absorbed = true;
            made.merged.reset();
            made.shown.reset();
            made.write = WriteKind::None;
            Plan(*item);
        }
        MarkWhereTaken(placed, *item);
    }
}

template <typename Form>
void DavSync<Form>::MarkWhereTaken(std::map<KeyBytes, Item*>& placed, Item& item) {
    // Two items with one date and title: both are shown, this one with a
    // mark, which is never sent.
    for (int n = 2; placed.count(KeyOfSubj(*item.shown)) != 0; ++n) {
        item.mark = "(" + std::to_string(n) + ")";
        ApplyMark(item);
    }
    placed[KeyOfSubj(*item.shown)] = &item;
}

template <typename Form>
bool DavSync<Form>::KeepConflictsAside() {
    std::vector<RecordText> theirs;
    for (const Item& item : items_) {
        if (item.setAside) {
            theirs.push_back(Form::Encode(item.read.subj));
        }
    }
    if (theirs.empty()) {
        return true;
    }
    std::sort(theirs.begin(), theirs.end(), [](const RecordText& a, const RecordText& b) {
        return std::lexicographical_compare(a.begin(), a.begin() + kKeySize, b.begin(),
                                            b.begin() + kKeySize);
    });
    // Two of them with one key would not fit one data file.
    theirs.erase(std::unique(theirs.begin(), theirs.end(),
                             [](const RecordText& a, const RecordText& b) {
                                 return std::equal(a.begin(), a.begin() + kKeySize, b.begin());
                             }),
                 theirs.end());
    const std::string file = SetRecordsAside(Form::kKind, setup_.dataFile, theirs);
    if (file.empty()) {
        return false;
    }
    conflictFiles_.push_back(file);
    return true;
}

template <typename Form>
void DavSync<Form>::NoteCreates() {
    // A sync killed after a create reached the server would leave a subject
    // the state does not know: the next sync would make it again, even after
    // another device had deleted it. So the state learns of the creates
    // first, with the token of the last sync, which no item made now is in.
    DavState noted = state_;
    for (const Item& item : items_) {
        if (item.write == WriteKind::Create) {
            DavItemState entry;
            entry.uid = item.uid;
            entry.href = item.href;
            entry.record = Form::Encode(*item.local);
            entry.key = KeyOfSubj(*item.local);
            entry.unconfirmed = true;
            noted.items.push_back(std::move(entry));
        }
    }
    if (noted.items.size() > state_.items.size()) {
        // Unwritten, a sync cut short is as it was before.
        static_cast<void>(WriteDavState(setup_.dataFile, noted));
    }
}

template <typename Form>
void DavSync<Form>::WriteAll() {
    for (Item& item : items_) {
        if (item.write == WriteKind::None) {
            continue;
        }
        if (serverGone_ || client_.Cancelled()) {
            item.end = WriteEnd::Failed;
            continue;
        }
        WriteOne(item);
    }
}

template <typename Form>
void DavSync<Form>::WriteOne(Item& item) {
    for (int attempt = 0; attempt < kWriteTries && item.write != WriteKind::None; ++attempt) {
        const QUrl url = MemberUrl(setup_.list, item.href);
        const QByteArray body = QByteArray::fromStdString(item.writeText);
        DavReply reply;
        switch (item.write) {
            case WriteKind::Create:
            case WriteKind::Recreate:
                reply = client_.Put(url, body, WriteCondition::CreateOnly());
                break;
            case WriteKind::Patch:
                reply = client_.Put(url, body, WriteCondition::IfMatch(item.etag));
                break;
            case WriteKind::Delete:
                reply = client_.Delete(url, item.etag);
                break;
            case WriteKind::None:
                break;
        }
        // Xandikos answers a refused write with a 207 that holds the 412.
        MultiStatus inner;
        bool innerFailed = false;
        bool conflict = reply.outcome == DavOutcome::PreconditionFailed;
        if (reply.status == 207 && ReadMultiStatus(reply.body, inner) == XmlOutcome::Read) {
            for (const DavResponse& response : inner.responses) {
                conflict = conflict || response.status == 412;
                innerFailed = innerFailed || response.status >= 300;
            }
        }
        if (reply.outcome == DavOutcome::Done && !innerFailed) {
            item.madeSinceListing = item.madeSinceListing || item.write == WriteKind::Create ||
                                    item.write == WriteKind::Recreate;
            if (item.write == WriteKind::Delete) {
                item.etag.clear();
            } else {
                item.text = item.writeText;
                item.etag = reply.status == 207 ? QByteArray() : reply.etag;
                if (item.etag.isEmpty()) {
                    // The server may have stored it otherwise than sent.
                    std::vector<FetchedItem> got;
                    if (FetchItems(client_, setup_.list, {item.href}, got).Ok() &&
                        !got.front().missing) {
                        item.etag = got.front().etag;
                        item.text = got.front().text;
                    }
                }
            }
            item.end = WriteEnd::Written;
            return;
        }
        if (conflict && !ConditionNamed(reply.body).isEmpty()) {
            // Not a version that moved on: the server will not take this
            // text, however often it is sent.
            item.end = WriteEnd::Refused;
            return;
        }
        if (!conflict) {
            serverGone_ = reply.outcome == DavOutcome::Unreachable ||
                          reply.outcome == DavOutcome::Stalled ||
                          reply.outcome == DavOutcome::NotAuthorised ||
                          reply.outcome == DavOutcome::Cancelled;
            item.end = WriteEnd::Failed;
            return;
        }
        if (!ReadAgain(item)) {
            item.end = WriteEnd::Failed;
            return;
        }
        Plan(item);
        if (item.setAside && !KeepConflictsAside()) {
            item.end = WriteEnd::Failed;
            return;
        }
    }
    if (item.write != WriteKind::None) {
        item.end = WriteEnd::Failed;  // the tries ran out
    }
}

template <typename Form>
bool DavSync<Form>::ReadAgain(Item& item) {
    std::vector<FetchedItem> got;
    if (!FetchItems(client_, setup_.list, {item.href}, got).Ok()) {
        return false;
    }
    const FetchedItem& fresh = got.front();
    if (fresh.missing) {
        // Gone since the conflict: what was to be patched is to be made again.
        item.serverSide = item.entry != nullptr ? ServerSide::Deleted : ServerSide::Absent;
        return true;
    }
    item.etag = fresh.etag;
    item.text = fresh.text;
    item.read = Form::Read(item.text, setup_.zoneName);
    if (item.read.shape != Form::kShape) {
        return false;
    }
    if (item.entry != nullptr) {
        item.serverSide = ServerSide::Changed;
    } else if (item.local && KeyOfSubj(item.read.subj) == KeyOfSubj(*item.local)) {
        // Another computer made the same subject first: it is ours too.
        item.madeSinceListing = true;
        item.serverSide = ServerSide::New;
        item.uid = item.read.uid;
        item.adopted = true;
    } else {
        // The name is another subject's: the next UID of the series.
        ++item.uidNumber;
        item.serverSide = ServerSide::Absent;
        item.text.clear();
    }
    return true;
}

// The token goes only with every change up to it taken in, and with no item
// made since it: a server that lists the changes since a token as the
// difference of two states (Xandikos) never tells of an item made and deleted
// after it. Without a token the next sync compares every ETag with the state.
template <typename Form>
QString DavSync<Form>::TokenAfter(const DavState& next, bool keptOld, bool madeSince) const {
    if (keptOld) {
        return {};
    }
    const bool wrote = std::any_of(items_.begin(), items_.end(),
                                   [](const Item& item) { return item.end == WriteEnd::Written; });
    if (wrote) {
        // The listing's token is behind this sync's own writes: the look
        // after it would run a sync that finds nothing.
        if (QString past = TokenPastOwnWrites(next); !past.isEmpty()) {
            return past;
        }
    }
    return madeSince ? QString() : listing_.syncToken;
}

// The list's token now, where what changed since the listing is only this
// sync's own writes, each item as the state holds it; empty when another
// device may have changed anything in between, which the token would hide.
// Every item this sync made or adopted must be told of: one made after the
// listing and deleted by another device before this request would not be,
// by a server that lists the difference of two states.
template <typename Form>
QString DavSync<Form>::TokenPastOwnWrites(const DavState& next) const {
    Listing since;
    if (listing_.syncToken.isEmpty() || serverGone_ || client_.Cancelled() ||
        !ListItems(client_, setup_.list, listing_.syncToken, since).Ok() || since.full) {
        return {};
    }
    std::map<QString, QByteArray> held;
    for (const DavItemState& entry : next.items) {
        held[entry.href] = entry.etag;
    }
    std::set<QString> told;
    for (const ListedItem& listed : since.present) {
        const auto entry = held.find(listed.href);
        if (entry == held.end() || entry->second.isEmpty() || entry->second != listed.etag) {
            return {};
        }
        told.insert(listed.href);
    }
    const bool removedHeld = std::any_of(since.removed.begin(), since.removed.end(),
                                         [&](const QString& href) { return held.count(href); });
    const bool untold = std::any_of(items_.begin(), items_.end(), [&](const Item& item) {
        const bool wroteIt = item.end == WriteEnd::Written && item.write != WriteKind::Delete;
        return (wroteIt || item.madeSinceListing) && held.count(item.href) != 0 &&
               told.count(item.href) == 0;
    });
    return removedHeld || untold ? QString() : since.syncToken;
}

template <typename Form>
DavItemState DavSync<Form>::EntryAfter(const Item& item) const {
    DavItemState entry;
    entry.uid = item.uid;
    entry.href = item.href;
    entry.etag = item.etag;
    entry.text = item.text;
    Subj base = *item.shown;
    if (item.end == WriteEnd::Failed || item.end == WriteEnd::Refused) {
        // Unsent: the server's version is the base, and what was to be sent
        // stays a change made here.
        for (const SubjField field : kAllSubjFields) {
            if (item.send.Has(field)) {
                CopyField(base, item.read.subj, field);
            }
        }
    }
    entry.record = Form::Encode(base);
    entry.key = KeyOfSubj(*item.shown);
    return entry;
}

template <typename Form>
void DavSync<Form>::Commit() {
    DavSyncReport& report = result_.report;
    // A retry may have brought a key from the server that another subject
    // took meanwhile.
    std::map<KeyBytes, Item*> placed;
    for (Item& item : items_) {
        if (item.shown) {
            MarkWhereTaken(placed, item);
        }
    }
    std::vector<RecordText> records;
    for (const auto& [key, item] : placed) {
        records.push_back(Form::Encode(*item->shown));
    }
    const bool localChanged = records != localRecords_;
    bool localWritten = true;
    if (localChanged) {
        localWritten = WriteSubjFile(Form::kKind, setup_.dataFile, records) == FileWrite::Written;
        report.localNotWritten = !localWritten;
    }
    if (localChanged && localWritten) {
        result_.localChanged = true;
        result_.records = records;
    }

    DavState next;
    next.list = state_.list;
    next.items = alone_;
    bool keptOld = false;
    bool madeSince = false;
    for (const Item& item : items_) {
        const bool unsentCreate = item.write == WriteKind::Create && item.end != WriteEnd::Written;
        const bool gone = !item.shown || item.absorbed || unsentCreate ||
                          (item.write == WriteKind::Delete && item.end == WriteEnd::Written);
        const bool keepOld =
            (item.Taken() && !localWritten) ||
            ((item.write == WriteKind::Recreate || item.write == WriteKind::Delete) &&
             item.end != WriteEnd::Written) ||
            (item.setAside && item.end == WriteEnd::Failed && item.write == WriteKind::None);
        keptOld = keptOld || keepOld;
        madeSince = madeSince || (!gone && item.madeSinceListing);
        if (keepOld) {
            if (item.entry != nullptr) {
                next.items.push_back(*item.entry);
            }
        } else if (!gone) {
            next.items.push_back(EntryAfter(item));
        }
        const bool taken = item.Taken() && localWritten && !item.absorbed;
        report.taken += taken;
        report.degraded += taken && item.read.degraded;
        report.sent += item.end == WriteEnd::Written;
        report.refused += item.end == WriteEnd::Refused;
        report.unsent += item.end == WriteEnd::Failed;
        report.adopted += item.adopted && !item.absorbed;
        report.resent += item.resent && item.end == WriteEnd::Written;
        report.keptHere += item.action == ItemAction::KeepOurs && !item.restored;
        report.keptThere += item.action == ItemAction::KeepServers && !item.restored;
        report.marked += !item.mark.empty();
        report.conflicts += item.setAside;
    }
    next.syncToken = TokenAfter(next, keptOld, madeSince);
    report.leftAlone = newlyAlone_;
    if (!conflictFiles_.empty()) {
        report.conflictFile = conflictFiles_.front();
    }
    report.stateNotWritten = WriteDavState(setup_.dataFile, next) != FileWrite::Written;
}

}  // namespace

DavSyncResult SyncDatedSubjects(const DavSyncSetup& setup, DavSettings& settings, DavClient& client,
                                DavSyncQuestions& questions) {
    return DavSync<DatedForm>(setup, settings, client, questions).Run();
}

DavSyncResult SyncRepSubjects(const DavSyncSetup& setup, DavSettings& settings, DavClient& client,
                              DavSyncQuestions& questions) {
    return DavSync<RepForm>(setup, settings, client, questions).Run();
}
