// The subject lists through which the rest of the program reaches the
// subjects: a SubjTree plus one `current` subject that every operation reads
// or fills. IndivSubjList holds the dated subjects, RepSubjList the repeating
// ones; the main window owns one of each.
#pragma once

#include <string>

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

    // 0 the subject is in `current`; 1 there is none (current unchanged).
    int First() { return Fetched(tree_.First(record_)); }
    int Next() { return Fetched(tree_.Next(record_)); }
    // 0 the stored subject with current's key is now in `current`; 1 none.
    int Find() {
        record_ = Codec::Encode(current);
        return Fetched(tree_.Find(KeyOf(record_), record_));
    }
    // 0 stored; 2 the key is taken; -1 out of memory.
    int Insert() {
        record_ = Codec::Encode(current);
        return Stored(tree_.Insert(record_));
    }
    // 0 removed; 1 none had current's key.
    int Remove() {
        record_ = Codec::Encode(current);
        return tree_.Remove(KeyOf(record_));
    }
    // 0 the stored subject with current's key now holds all of current; 1 none.
    int Replace() {
        record_ = Codec::Encode(current);
        return Stored(tree_.Replace(record_));
    }
    int Load(const std::string& fileName, SubjTree::LoadReport* report = nullptr) {
        return tree_.Load(fileName, Codec::kWidths, report);
    }
    int Save(const std::string& fileName) const { return tree_.Save(fileName, Codec::kWidths); }

    const SubjTree& Tree() const { return tree_; }

  protected:
    int Prev() { return Fetched(tree_.Prev(record_)); }
    // Prev with a decoder of the caller's choice.
    int PrevDecodedBy(Subj (*decode)(const RecordText&)) {
        int result = tree_.Prev(record_);
        if (result == 0) {
            current = decode(record_);
        }
        return result;
    }

  private:
    int Fetched(int result) {
        if (result == 0) {
            current = Codec::Decode(record_);
        }
        return result;
    }
    int Stored(int result) {
        if (result == 0 && Codec::kRefreshAfterStore) {
            current = Codec::Decode(record_);
        }
        return result;
    }

    SubjTree tree_;
    RecordText record_{};
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
    // Prev that reads only the head of the subject (DecodeIndivHead): for walks
    // that pick subjects by key and progress, such as the batch's purge, where
    // working out the days left of every subject passed would cost the most.
    int PrevHead() { return PrevDecodedBy(DecodeIndivHead); }

    // Removes the not-tracked and done subjects generated from the repeating
    // subject `title`; open ones and those entered by hand stay. Always 0.
    int RemoveGenerated(const std::string& title);
    // Gives every subject generated from `oldTitle` the origin `newTitle`. Always 0.
    int RenameOrigin(const std::string& oldTitle, const std::string& newTitle);
};

class RepSubjList : public BasicSubjList<RepCodec> {};

constexpr const char* kIndivFileName = "veskat_i.dat";
constexpr const char* kRepFileName = "veskat_r.dat";
