// SubjTree: the ordered in-memory store of 640-byte record texts, a B+-tree of order 5 with one
// leaf per record, and a two-key cursor for stepping through it. Each subject list owns one;
// SubjTree::Load and SubjTree::Save move it to and from a data file (see data/FieldLine.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "NodePool.h"
#include "StoreResult.h"
#include "SubjRecord.h"

class SubjTree {
  public:
    // The kinds of format 3, the only format the program uses.
    static constexpr std::int32_t kBranchKind = 2;
    static constexpr std::int32_t kLeafKind = 5;

    // An empty store whose data file starts with `header`.
    explicit SubjTree(std::string header);
    // The same, its records kept in the memory of `other`'s while any of that is lent (see Lent),
    // so that a store built to take `other`'s place keeps all its records in one memory, however
    // long the lent ones are kept; in memory of its own otherwise.
    SubjTree(std::string header, const SubjTree& other);
    ~SubjTree();
    SubjTree(const SubjTree&) = delete;
    SubjTree& operator=(const SubjTree&) = delete;
    // Trades every record, the header and the cursor with `other`; nothing is
    // copied, so it cannot fail.
    void Swap(SubjTree& other) noexcept;

    // Done inserted; KeyExists a record with an equal key is stored (nothing
    // changes); OutOfMemory (the store keeps what it held). The cursor stays.
    StoreResult Insert(const RecordText& record);
    // Insert, the same in every result, without the search when the record's key is above every
    // stored key: such a record goes last at every level, which is where Insert's search puts it,
    // so the tree takes the same shape. A sorted file is all such records.
    StoreResult InsertSorted(const RecordText& record);
    // Where a loader writes the next record: a place in the store's own memory,
    // so that each record is written once, where it will live, all its bytes
    // zero. nullptr when no memory is left. The same place until InsertReserved
    // takes it, cleared again each time it is asked for.
    RecordText* Reserve();
    // What a load tells of the records it takes, for a view to read each while it is fresh from
    // the file, instead of walking the store for it once the load is done.
    class LoadWatch {
      public:
        // The record just taken, where it lies: it went last, above every key taken before.
        virtual void Taken(const RecordText& record) = 0;
        // The record just taken went elsewhere (the file is not in key order): what was told
        // before no longer stands in key order.
        virtual void Unordered() = 0;

      protected:
        ~LoadWatch() = default;
    };
    // InsertSorted of the record written at Reserve's place, the same in every
    // result; on any but Done the place stays reserved for the next record.
    // `watch`, when given, is told of the record on Done.
    StoreResult InsertReserved(LoadWatch* watch = nullptr);
    // Room for `records` more records is taken in one piece at the next insert.
    void Expect(std::size_t records);
    // A number no other state of any store has had: each insert, removal and
    // rewrite gives the store a new one, and Swap trades them with the records.
    // Whatever was read of a store holds while its revision stays.
    std::uint64_t Revision() const { return revision_; }
    // Done removed; NotFound no record has that key. The cursor stays, so a
    // walk may remove the record it has just fetched and go on.
    StoreResult Remove(SubjKey key);
    // Remove of the record the cursor's last Find, First, Next, Prev or
    // PrevInPlace reached, for a walk that has read it and need not say its
    // key again. NotFound when that step reached none, or a record was
    // inserted or removed since. The cursor stays.
    StoreResult RemoveReached();
    // The record RemoveReached would remove, where it lies; nullptr when it would remove none.
    const RecordText* Reached() const;

    // Records removed from a store but kept where they lay, for an undo step that holds what a
    // command removed without copying it: the store's record memory lives on while any is lent,
    // and a record given back goes back into it. Binds to the first store it is lent by.
    class Lent {
      public:
        // True when RemoveKept may lend into this from `tree`: nothing lent yet, or by a store
        // on the same memory.
        bool From(const SubjTree& tree) const;
        // Takes back one record lent here, whose address is then no longer valid. Each record
        // goes back once; whatever is not given back stays until the memory itself goes.
        void GiveBack(const RecordText* record) noexcept;
        // The memory each lent record holds.
        static std::size_t BytesEach();

      private:
        friend class SubjTree;
        std::shared_ptr<NodePool> leaves_;
    };
    // Remove and RemoveReached, keeping the removed record where it lies, lent to `lent` (which
    // must be From this store): its address, nullptr when none was removed (NotFound).
    const RecordText* RemoveKept(SubjKey key, Lent& lent);
    const RecordText* RemoveReachedKept(Lent& lent);

    // What RemoveBefore asks of the records it passes.
    class Sweep {
      public:
        // Whether `record`, where it lies, is to go.
        virtual bool Goes(const RecordText& record) = 0;
        // Said of a record that goes, just before it does: where it is to be kept, lent (From
        // this store), or nullptr when it is to be given up.
        virtual Lent* Going(const RecordText& record) = 0;
        // The record just lent where Going said, at the address it keeps.
        virtual void Kept(const RecordText* record) = 0;

      protected:
        ~Sweep() = default;
    };
    // Walks back from the last record whose key is below `end` to the first, removing each that
    // `sweep` says goes, in one pass along the path by the tree's own pointers: no key is copied
    // and no step searches from the root. The number removed. The cursor is left empty: Next and
    // Prev find nothing and RemoveReached removes nothing until a Find or First.
    std::size_t RemoveBefore(SubjKey end, Sweep& sweep);
    // Done the record with that key is copied to `out` (which may hold the
    // key); NotFound. Either way the cursor is set around the key.
    StoreResult Find(SubjKey key, RecordText& out);
    // Done the record with the smallest key is in `out`; NotFound the store is empty.
    StoreResult First(RecordText& out);
    // The stored record with that key where it lies, nullptr when none. It
    // stays at that address, rewritten there by Replace, until it is removed:
    // a handle by which a view reads records when it needs them. Leaves the
    // cursor alone.
    const RecordText* Locate(SubjKey key) const;
    // Done the record at the cursor's next or previous key is in `out`; NotFound none.
    StoreResult Next(RecordText& out);
    StoreResult Prev(RecordText& out);
    // Prev without the copy: the record where it lies, nullptr for none. For
    // walks that read a record and may remove it before the next step.
    const RecordText* PrevInPlace();
    // Done the stored record with the key of `record` now holds all its bytes;
    // NotFound none.
    StoreResult Replace(const RecordText& record);

    // What a load could not keep as the file has it, for the caller to tell
    // the user and to keep the original file aside.
    struct LoadReport {
        int linesNotTaken = 0;  // duplicate keys, or lines left when memory ran out
        int linesChanged = 0;   // taken, but with bytes a save would not write back
    };
    // Fills the store from a data file, the first line being its header; each
    // record is stored as encoding its subject would give it (data/FORMAT.md).
    // Done every line read; FileFailed the file cannot be opened or is no
    // regular file (store unchanged); OutOfMemory, the records before stay;
    // KeyExists at least one line repeated a key already loaded and was
    // skipped (every other line is loaded). `report`, when given, is filled on
    // every path.
    // `watch`, when given, is told of every record taken (see LoadWatch).
    StoreResult Load(const std::string& fileName, const int* widths, LoadReport* report = nullptr,
                     LoadWatch* watch = nullptr);
    // Writes the header and every record in key order, each line ending in
    // CR LF, replacing the file only once it is completely written.
    // Done written; FileFailed nothing changed on disk.
    StoreResult Save(const std::string& fileName, const int* widths) const;
    // True when Save would write exactly `bytes`: a save that would change
    // nothing need not touch the file.
    bool SavesAs(std::string_view bytes, const int* widths) const;

    // Calls `visit` for every record in key order, depth first through the
    // tree, until it returns false. Leaves the cursor alone.
    void VisitInOrder(const std::function<bool(const RecordText&)>& visit) const;
    // The same from the first record whose key is `from` or above: what lies
    // before it is never read, so a look at a few days costs those days alone.
    void VisitFrom(SubjKey from, const std::function<bool(const RecordText&)>& visit) const;
    // Every record where it lies (see Locate), in key order, appended to
    // `records`: a view of the whole store reads it in one pass, without a
    // call per record. Leaves the cursor alone.
    void AppendInOrder(std::vector<const RecordText*>& records) const;

    // For tests: the tree as nested brackets, "[[1 2 3] [4 5 6]]", each leaf
    // named by `label`; and every broken invariant, none when the tree is sound.
    std::string DescribeShape(const std::function<std::string(SubjKey)>& label) const;
    std::vector<std::string> CheckInvariants() const;

  private:
    // The file Save writes, header first, handed to `take` a piece at a time
    // until it returns false.
    void WriteInPieces(const int* widths, const std::function<bool(std::string_view)>& take) const;

    struct Node;
    struct Branch;
    struct Leaf;
    using Key = std::array<std::uint8_t, kKeySize>;

    static constexpr int kOrder = 5;

    struct SeparatorHit {
        int index;  // separators smaller than the probe
        bool equal;
    };
    static SeparatorHit SearchSeparators(const Branch& branch, const std::uint8_t* probe);
    static const Leaf* SmallestLeaf(const Node* node);
    static const std::uint8_t* SmallestKey(const Node* node);
    static const Leaf* LargestLeaf(const Node* node);
    static const std::uint8_t* LargestKey(const Node* node);
    static void Place(Branch& branch, int position, Node* child);

    Leaf* NewLeaf(bool zeroed = false);
    bool FindForRemoval(SubjKey key);
    void Lend(Lent& lent) const;
    void GiveBackEveryLeaf(const Node* node);
    StoreResult Link(Leaf* leaf, bool sorted);
    StoreResult InsertCopy(const RecordText& record, bool sorted);
    bool StockSpares();
    Branch* TakeSpare();
    StoreResult InsertInto(Node*& place, Leaf* leaf, Node*& spilled);
    Node* AddChild(Branch& x, int i, Node* below);
    void GrowRoot(Node* spilled);
    void Append(Leaf* leaf);
    void FindLastBranches();
    void ForgetLast();
    void Revise();
    // Takes the leaf at the end of the path out of the tree; its memory is given back unless
    // `keep`, when it stays as it is, the caller's to lend.
    void RemoveOnPath(bool keep = false);
    void FollowPath(int from, const Node* neighbour);
    void Rebalance(Node*& place, Branch& x, int dropped, Branch& y, bool yIsRight);
    const Leaf* Descend(const std::uint8_t* probe);
    const Leaf* Arrive(const std::uint8_t* probe);
    static void Prefetch(const Branch& bottom, int d);
    bool StepPath(bool forward, const std::uint8_t* probe);
    void FollowEdge(int level, const Node* node, bool forward);
    bool PathBack();
    void EmptyCursor();
    const Leaf* StepTo(Key& cursorKey, std::uint8_t none);
    static StoreResult CopyOut(const Leaf* leaf, RecordText& out);

    static bool VisitNode(const Node* node, const std::function<bool(const RecordText&)>& visit);
    static bool VisitNodeFrom(const Node* node, const std::uint8_t* from,
                              const std::function<bool(const RecordText&)>& visit);
    static void AppendNode(const Node* node, int height, std::vector<const RecordText*>& records);
    void CheckNode(const Node* node, int depth, bool isRoot, int& leafDepth,
                   std::vector<std::string>& problems) const;

    // Every node lives in one of the two pools and goes with it. The leaves' pool is shared with
    // the records lent from it, and so outlives the tree while any is kept.
    std::shared_ptr<NodePool> leaves_;
    NodePool branches_;
    std::string header_;
    Node* root_ = nullptr;
    int height_ = 0;  // branch levels above the leaves
    std::uint64_t revision_;
    // A tree 64 branches high would hold more than 3^63 records.
    static constexpr int kMaxHeight = 64;
    // Branches allocated before an insert starts, so that a split can never
    // fail halfway and lose a record already in the tree.
    Branch* spares_[kMaxHeight] = {};
    int spareCount_ = 0;
    Leaf* reserved_ = nullptr;  // Reserve's place, in no branch yet
    // The leaf of the largest key and the last branch of each level, the one
    // above the leaves first, so that a load in key order does not look for
    // them again at every record; nullptr when not known (the branches also
    // while the root is a leaf, the first of them standing for all).
    const Leaf* last_ = nullptr;
    Branch* lastBranches_[kMaxHeight] = {};
    // The path of the cursor's last descent, root first: the branch and the
    // child taken at each level, and the leaf reached (nullptr once an insert
    // or removal has made the path stale). Next and Prev step along it.
    const Branch* path_[kMaxHeight] = {};
    std::uint8_t pathIndex_[kMaxHeight] = {};
    int pathDepth_ = 0;
    const Leaf* pathLeaf_ = nullptr;
    const Leaf* reached_ = nullptr;  // the leaf the cursor's last step returned, if any
    Key nextKey_{};
    Key prevKey_{};
};
