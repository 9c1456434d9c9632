// SubjTree: the ordered in-memory store of 640-byte record texts, a B+-tree of
// order 5 with one leaf per record, and a two-key cursor for stepping through
// it. The subject lists each own one; loading and saving it is data/FieldLine.h
// plus SubjTree::Load and SubjTree::Save.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "NodePool.h"
#include "SubjRecord.h"

class SubjTree {
  public:
    // The kinds of format 3, the only format the program uses.
    static constexpr std::int32_t kBranchKind = 2;
    static constexpr std::int32_t kLeafKind = 5;

    // An empty store whose data file starts with `header`.
    explicit SubjTree(std::string header);
    ~SubjTree();
    SubjTree(const SubjTree&) = delete;
    SubjTree& operator=(const SubjTree&) = delete;

    // 0 inserted; 2 a record with an equal key is stored (nothing changes);
    // -1 out of memory (the store keeps what it held). The cursor stays.
    int Insert(const RecordText& record);
    // 0 removed; 1 no record has that key. The cursor stays, so a walk may
    // remove the record it has just fetched and go on.
    int Remove(SubjKey key);
    // 0 the record with that key is copied to `out` (which may hold the key);
    // 1 not found. Either way the cursor is set around the key.
    int Find(SubjKey key, RecordText& out);
    // 0 the record with the smallest key is in `out`; 1 the store is empty.
    int First(RecordText& out);
    // 0 the record at the cursor's next or previous key is in `out`; 1 none.
    int Next(RecordText& out);
    int Prev(RecordText& out);
    // 0 the stored record with the key of `record` now holds all its bytes; 1 none.
    int Replace(const RecordText& record);

    // What a load could not keep as the file has it, for the caller to tell
    // the user and to keep the original file aside.
    struct LoadReport {
        int linesNotTaken = 0;  // duplicate keys, or lines left when memory ran out
        int linesChanged = 0;   // taken, but with bytes a save would not write back
    };
    // Fills the store from a data file, the first line being its header.
    // 0 every line read; -1 the file cannot be opened (store unchanged) or
    // memory ran out; 2 at least one line repeated a key already loaded and was
    // skipped (every other line is loaded). `report`, when given, is filled.
    int Load(const std::string& fileName, const int* widths, LoadReport* report = nullptr);
    // Writes the header and every record in key order, each line ending in
    // CR LF, replacing the file only once it is completely written.
    // 0 written; -1 nothing changed on disk.
    int Save(const std::string& fileName, const int* widths) const;

    // Calls `visit` for every record in key order, depth first through the
    // tree, until it returns false. Leaves the cursor alone.
    void VisitInOrder(const std::function<bool(const RecordText&)>& visit) const;

    const std::string& Header() const { return header_; }

    // For tests: the tree as nested brackets, "[[1 2 3] [4 5 6]]", each leaf
    // named by `label`; and every broken invariant, none when the tree is sound.
    std::string DescribeShape(const std::function<std::string(SubjKey)>& label) const;
    std::vector<std::string> CheckInvariants() const;

  private:
    struct Node;
    struct Branch;
    struct Leaf;
    using Key = std::array<std::uint8_t, kKeySize>;

    static constexpr int kOrder = 5;
    static constexpr int kChanged = 50;  // internal: separators above need a refresh

    struct SeparatorHit {
        int index;  // separators smaller than the probe
        bool equal;
    };
    static SeparatorHit SearchSeparators(const Branch& branch, const std::uint8_t* probe);
    static const Leaf* SmallestLeaf(const Node* node);
    static const std::uint8_t* SmallestKey(const Node* node);
    static const std::uint8_t* LargestKey(const Node* node);
    static void Place(Branch& branch, int position, Node* child);

    Leaf* NewLeaf(const RecordText& record);
    bool StockSpares();
    Branch* TakeSpare();
    int InsertInto(Node*& place, Leaf* leaf, Node*& spilled);
    Node* AddChild(Branch& x, int i, Node* below);
    void GrowRoot(Node* spilled);
    // Insert, without the search when the record's key is above every stored
    // key: such a record goes last at every level, which is where Insert's
    // search puts it, so the tree takes the same shape. A sorted file is all
    // such records.
    int InsertSorted(const RecordText& record);
    Node* AppendInto(Node* place, Leaf* leaf);
    int RemoveFrom(Node*& place, Node* sibling, bool siblingIsRight, const std::uint8_t* key);
    void Rebalance(Node*& place, Branch& x, int dropped, Branch& y, bool yIsRight);
    const Leaf* Descend(const std::uint8_t* probe);
    const Leaf* Arrive(const std::uint8_t* probe);
    bool StepPath(bool forward, const std::uint8_t* probe);
    int StepTo(Key& cursorKey, std::uint8_t none, RecordText& out);

    static bool VisitNode(const Node* node, const std::function<bool(const RecordText&)>& visit);
    void CheckNode(const Node* node, int depth, bool isRoot, int& leafDepth,
                   std::vector<std::string>& problems) const;

    // Every node lives in one of the two pools and goes with it.
    NodePool leaves_;
    NodePool branches_;
    std::string header_;
    Node* root_ = nullptr;
    int height_ = 0;  // branch levels above the leaves
    // A tree 64 branches high would hold more than 3^63 records.
    static constexpr int kMaxHeight = 64;
    // Branches allocated before an insert starts, so that a split can never
    // fail halfway and lose a record already in the tree.
    Branch* spares_[kMaxHeight] = {};
    int spareCount_ = 0;
    // The path of the cursor's last descent, root first: the branch and the
    // child taken at each level, and the leaf reached (nullptr once an insert
    // or removal has made the path stale). Next and Prev step along it.
    const Branch* path_[kMaxHeight] = {};
    std::uint8_t pathIndex_[kMaxHeight] = {};
    int pathDepth_ = 0;
    const Leaf* pathLeaf_ = nullptr;
    Key nextKey_{};
    Key prevKey_{};
};
