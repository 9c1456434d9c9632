// The subject lists through which the rest of the program reaches the subjects: a SubjTree plus
// one `current` subject that every operation reads or fills. IndivSubjList holds the dated
// subjects, RepSubjList the repeating ones; the main window owns one of each.
#pragma once

#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "ChangeJournal.h"
#include "SubjRecord.h"
#include "SubjTree.h"

// What the two lists share. Codec supplies the subject type, its encoder and
// decoder, the width table and the file header.
template <typename Codec>
class BasicSubjList {
  public:
    using Subj = typename Codec::Subj;

    BasicSubjList() : tree_(Codec::kHeader) {}

    Subj current{};

    // Done the subject is in `current`; NotFound there is none (current
    // unchanged); OutOfMemory for its texts (current unchanged, the cursor moved).
    StoreResult First() { return Fetched(tree_.First(record_)); }
    StoreResult Next() { return Fetched(tree_.Next(record_)); }
    // Done the stored subject with current's key is now in `current`;
    // NotFound none; OutOfMemory as First.
    StoreResult Find() {
        record_ = Codec::Encode(current);
        return Fetched(tree_.Find(KeyOf(record_), record_));
    }
    // Done stored; KeyExists the key is taken; OutOfMemory.
    StoreResult Insert() {
        record_ = Codec::Encode(current);
        return Stored(Entered(tree_.Insert(record_)));
    }
    // Done removed; NotFound none had current's key.
    StoreResult Remove() {
        record_ = Codec::Encode(current);
        if (SubjTree::Lent* lent = Lending()) {
            return Kept(tree_.RemoveKept(KeyOf(record_), *lent));
        }
        Leaving(KeyOf(record_));
        return Counted(tree_.Remove(KeyOf(record_)));
    }
    // Remove of the subject the last First, Next, Prev, PrevInPlace or Find fetched, by
    // the store's own record of it: a walk that removes what it passes need
    // not encode `current` again (SubjTree::RemoveReached).
    StoreResult RemoveReached() {
        if (SubjTree::Lent* lent = Lending()) {
            return Kept(tree_.RemoveReachedKept(*lent));
        }
        Leaving(tree_.Reached());
        return Counted(tree_.RemoveReached());
    }
    // Removes every subject whose key is below `end` for whose stored record `goes` is true, in
    // one walk back (SubjTree::RemoveBefore), `current` untouched: a purge that picks by a
    // record's bytes decodes none. A watching journal is told of each as by RemoveReached. The
    // number removed; the cursor is left empty.
    template <typename Pick>
    std::size_t RemoveBefore(SubjKey end, Pick goes) {
        Sweeping<Pick> sweep(*this, goes);
        return tree_.RemoveBefore(end, sweep);
    }
    // Done the stored subject with current's key now holds all of current; NotFound none.
    StoreResult Replace() {
        record_ = Codec::Encode(current);
        Leaving(KeyOf(record_));
        return Stored(Entered(tree_.Replace(record_)));
    }
    // A record in or out by its exact bytes, `current` and the journal untouched: how a change
    // noted in a journal is taken back or made again. Results as SubjTree::Insert and Remove.
    StoreResult InsertRecord(const RecordText& record) { return Counted(tree_.Insert(record)); }
    StoreResult RemoveRecord(SubjKey key) { return Counted(tree_.Remove(key)); }

    // How many changes the operations above have made, a load not counted: a list whose count
    // moved has changed since, whoever changed it.
    std::uint64_t Changes() const { return changes_; }

    // While set, Insert, Remove, Replace and RemoveReached, and so every command built of them,
    // tell `journal` what they change; nullptr stops that. Load is not told: a load is no command
    // that could be taken back, nor is a merge, which Assign takes in outside any watch.
    void Watch(ChangeJournal* journal) { journal_ = journal; }
    // Makes the store hold exactly `records` (distinct keys, in key order, as
    // a merge with another computer's copy gives them). They are stored aside
    // and take the old ones' place only once all are in: Done; otherwise the
    // result of the insertion that failed, and the list is as it was.
    // While watched, the records that differ are told to the journal (ChangeJournal::Replaced).
    StoreResult Assign(const std::vector<RecordText>& records) {
        SubjTree fresh(Codec::kHeader, tree_);
        fresh.Expect(records.size());
        for (const RecordText& record : records) {
            if (const StoreResult result = fresh.InsertSorted(record);
                result != StoreResult::Done) {
                return result;
            }
        }
        if (journal_ != nullptr) {
            journal_->Replaced(tree_, records);
        }
        tree_.Swap(fresh);
        ++changes_;
        return StoreResult::Done;
    }
    // Trades every stored record with `other`, a list of the same kind; nothing is copied.
    void SwapStore(BasicSubjList& other) noexcept { tree_.Swap(other.tree_); }
    // The stored record with current's key where it lies (SubjTree::Locate); nullptr when none.
    const RecordText* Stored() {
        record_ = Codec::Encode(current);
        return tree_.Locate(KeyOf(record_));
    }
    StoreResult Load(const std::string& fileName, SubjTree::LoadReport* report = nullptr,
                     SubjTree::LoadWatch* watch = nullptr) {
        return tree_.Load(fileName, Codec::kWidths, report, watch);
    }
    StoreResult Save(const std::string& fileName) const {
        return tree_.Save(fileName, Codec::kWidths);
    }
    bool SavesAs(std::string_view bytes) const { return tree_.SavesAs(bytes, Codec::kWidths); }

    const SubjTree& Tree() const { return tree_; }

  protected:
    StoreResult Prev() { return Fetched(tree_.Prev(record_)); }
    const RecordText* PrevInPlace() { return tree_.PrevInPlace(); }

  private:
    // RemoveBefore's questions answered as Remove answers them: each record that goes is counted,
    // and lent to a watching journal or copied by it.
    template <typename Pick>
    class Sweeping final : public SubjTree::Sweep {
      public:
        Sweeping(BasicSubjList& list, Pick& goes) : list_(list), goes_(goes) {}
        bool Goes(const RecordText& record) override { return goes_(record); }
        SubjTree::Lent* Going(const RecordText& record) override {
            static_cast<void>(list_.Counted(StoreResult::Done));  // it goes whatever is noted
            SubjTree::Lent* lent = list_.Lending();
            if (lent == nullptr) {
                list_.Leaving(&record);
            }
            return lent;
        }
        void Kept(const RecordText* record) override { list_.journal_->TakenKept(record); }

      private:
        BasicSubjList& list_;
        Pick& goes_;
    };

    // A removal a journal watches keeps the record where it lies, lent to the journal, so that
    // the undo step holds the store's own bytes instead of a copy; nullptr when the journal
    // cannot take it so, or none watches.
    SubjTree::Lent* Lending() { return journal_ != nullptr ? journal_->Lending(tree_) : nullptr; }
    StoreResult Kept(const RecordText* kept) {
        if (kept == nullptr) {
            return StoreResult::NotFound;
        }
        journal_->TakenKept(kept);
        return Counted(StoreResult::Done);
    }
    // Otherwise a watching journal copies the stored record that is about to leave the store or
    // be written over, before the store reuses its place. Each caller's store operation then
    // succeeds exactly when there is such a record.
    void Leaving(SubjKey key) {
        if (journal_ != nullptr) {
            Leaving(tree_.Locate(key));
        }
    }
    void Leaving(const RecordText* stored) {
        if (journal_ != nullptr && stored != nullptr) {
            journal_->Taken(*stored);
        }
    }
    StoreResult Counted(StoreResult result) {
        changes_ += result == StoreResult::Done ? 1 : 0;
        return result;
    }
    // Counted, and the record just stored told to a watching journal.
    StoreResult Entered(StoreResult result) {
        static_cast<void>(Counted(result));  // counted here, returned below
        if (journal_ != nullptr && result == StoreResult::Done) {
            journal_->Put(record_);
        }
        return result;
    }
    StoreResult Fetched(StoreResult result) {
        if (result == StoreResult::Done && !DecodeCurrent()) {
            return StoreResult::OutOfMemory;
        }
        return result;
    }
    StoreResult Stored(StoreResult result) {
        if (result == StoreResult::Done && Codec::kRefreshAfterStore) {
            DecodeCurrent();  // stored either way; only the derived fields could lag
        }
        return result;
    }
    // The decoded texts are the only allocation between the callers and the
    // store, and no exception may reach a window that holds unsaved subjects.
    bool DecodeCurrent() {
        try {
            current = Codec::Decode(record_);
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

    SubjTree tree_;
    RecordText record_{};
    ChangeJournal* journal_ = nullptr;
    std::uint64_t changes_ = 0;
};

struct IndivCodec {
    using Subj = IndivSubj;
    static constexpr const char* kHeader = "_VESKAT_I_DAT_VER_1_2_";
    static constexpr const int* kWidths = IndivFieldWidths;
    // Decoding again refreshes daysLeft and overdue.
    static constexpr bool kRefreshAfterStore = true;
    static RecordText Encode(IndivSubj& s) { return EncodeIndivSubj(s); }
    static IndivSubj Decode(const RecordText& r) { return DecodeIndivSubj(r); }
};

struct RepCodec {
    using Subj = RepSubj;
    static constexpr const char* kHeader = "_VESKAT_R_DAT_VER_1_2_";
    static constexpr const int* kWidths = RepFieldWidths;
    static constexpr bool kRefreshAfterStore = false;
    static RecordText Encode(RepSubj& s) { return EncodeRepSubj(s); }
    static RepSubj Decode(const RecordText& r) { return DecodeRepSubj(r); }
};

class IndivSubjList : public BasicSubjList<IndivCodec> {
  public:
    using BasicSubjList::Prev;
    // Prev that decodes nothing: the stored record where it lies, nullptr for none; `current`
    // stays. For walks that pick subjects by their bytes, such as the batch's purge, and may
    // remove the one reached (RemoveReached) before the next step.
    using BasicSubjList::PrevInPlace;

    // Removes the not-tracked and done subjects generated from the repeating
    // subject `title`; open ones and those entered by hand stay. Always Done.
    StoreResult RemoveGenerated(const std::string& title);
    // Gives every subject generated from `oldTitle` the origin `newTitle`. Always Done.
    StoreResult RenameOrigin(const std::string& oldTitle, const std::string& newTitle);
};

class RepSubjList : public BasicSubjList<RepCodec> {};

constexpr const char* kIndivFileName = "veskat_i.dat";
constexpr const char* kRepFileName = "veskat_r.dat";
