#include "SubjTree.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <new>
#include <utility>

struct SubjTree::Node {
    std::int32_t kind;
    bool IsLeaf() const { return kind == kLeafKind; }
};

struct SubjTree::Leaf : Node {
    RecordText record;
    const std::uint8_t* Key() const { return record.data(); }
};

namespace {

// The first 16 bytes of a key as two big-endian numbers, which order exactly
// as the bytes do.
struct KeyPrefix {
    std::uint64_t high;
    std::uint64_t low;

    static std::uint64_t Load(const std::uint8_t* bytes) {
        std::uint64_t v;
        std::memcpy(&v, bytes, sizeof v);
        if constexpr (std::endian::native == std::endian::little) {
            v = __builtin_bswap64(v);
        }
        return v;
    }
    static KeyPrefix Of(const std::uint8_t* key) { return {Load(key), Load(key + 8)}; }
};

int CompareKeys(const std::uint8_t* a, const std::uint8_t* b) {
    return std::memcmp(a, b, kKeySize);
}

// CompareKeys(a, b) < 0, eight bytes a step as big-endian numbers, which order as the bytes do:
// a load asks it of every record, and the keys of one day often share their first words (titles
// begun alike), where a call to the library's compare costs more than the few steps it takes.
bool KeyBelow(const std::uint8_t* a, const std::uint8_t* b) {
    for (std::size_t at = 0; at < kKeySize; at += sizeof(std::uint64_t)) {
        const std::uint64_t p = KeyPrefix::Load(a + at);
        const std::uint64_t q = KeyPrefix::Load(b + at);
        if (p != q) {
            return p < q;
        }
    }
    return false;
}

}  // namespace

struct SubjTree::Branch : Node {
    std::int32_t count;
    Node* children[kOrder];
    // separators[i - 1] is separator i, the smallest key below child i. It is
    // read where it lies, in the leaf that holds it, since a copy of 128 bytes
    // each would make the branches outweigh the leaves; its first 16 bytes
    // beside the child pointers settle nearly every comparison without
    // touching that leaf.
    const Leaf* separators[kOrder - 1];
    KeyPrefix prefixes[kOrder - 1];

    const std::uint8_t* Separator(int i) const { return separators[i - 1]->Key(); }

    void SetSeparator(int i, const Leaf* leaf) {
        separators[i - 1] = leaf;
        prefixes[i - 1] = KeyPrefix::Of(leaf->Key());
    }
    void CopySeparator(int to, int from) {
        separators[to - 1] = separators[from - 1];
        prefixes[to - 1] = prefixes[from - 1];
    }
    // The separator against a probe whose prefix is already worked out.
    int CompareSeparator(int i, const std::uint8_t* probe, const KeyPrefix& probePrefix) const {
        const KeyPrefix& p = prefixes[i - 1];
        if (p.high != probePrefix.high)
            return p.high < probePrefix.high ? -1 : 1;
        if (p.low != probePrefix.low)
            return p.low < probePrefix.low ? -1 : 1;
        return std::memcmp(Separator(i) + 16, probe + 16, kKeySize - 16);
    }
};

SubjTree::SubjTree(std::string header)
    : leaves_(std::make_shared<NodePool>(sizeof(Leaf))),
      branches_(sizeof(Branch)),
      header_(std::move(header)) {
    nextKey_.fill(0);
    prevKey_.fill(0xFF);
    Revise();
}

// Stores are loaded on another thread than the one that edits them. Each thread numbers in a
// range of its own, 2^40 numbers taken once from a counter for all, so that a load's hundred
// thousand inserts need no atomic step each.
void SubjTree::Revise() {
    static std::atomic<std::uint64_t> ranges{0};
    thread_local std::uint64_t next = (ranges.fetch_add(1, std::memory_order_relaxed) + 1) << 40;
    revision_ = ++next;
}

SubjTree::SubjTree(std::string header, const SubjTree& other) : SubjTree(std::move(header)) {
    if (other.leaves_.use_count() > 1) {
        leaves_ = other.leaves_;
    }
}

// The pools free every node, spares included; a leaves' pool that lives on for records lent
// from it, or for another store, takes this store's leaves back for its next ones.
SubjTree::~SubjTree() {
    if (leaves_.use_count() > 1) {
        if (root_ != nullptr) {
            GiveBackEveryLeaf(root_);
        }
        if (reserved_ != nullptr) {
            leaves_->Give(reserved_);
        }
    }
}

void SubjTree::GiveBackEveryLeaf(const Node* node) {
    if (node->IsLeaf()) {
        leaves_->Give(const_cast<Node*>(node));
        return;
    }
    auto* branch = static_cast<const Branch*>(node);
    for (int i = 0; i < branch->count; ++i) {
        GiveBackEveryLeaf(branch->children[i]);
    }
}

void SubjTree::Swap(SubjTree& other) noexcept {
    std::swap(leaves_, other.leaves_);
    branches_.Swap(other.branches_);
    std::swap(header_, other.header_);
    std::swap(root_, other.root_);
    std::swap(height_, other.height_);
    std::swap(revision_, other.revision_);
    std::swap(spares_, other.spares_);
    std::swap(spareCount_, other.spareCount_);
    std::swap(reserved_, other.reserved_);
    std::swap(last_, other.last_);
    std::swap(lastBranches_, other.lastBranches_);
    std::swap(path_, other.path_);
    std::swap(pathIndex_, other.pathIndex_);
    std::swap(pathDepth_, other.pathDepth_);
    std::swap(pathLeaf_, other.pathLeaf_);
    std::swap(reached_, other.reached_);
    std::swap(nextKey_, other.nextKey_);
    std::swap(prevKey_, other.prevKey_);
}

SubjTree::SeparatorHit SubjTree::SearchSeparators(const Branch& branch, const std::uint8_t* probe) {
    const KeyPrefix probePrefix = KeyPrefix::Of(probe);
    int i = 1;
    for (; i < branch.count; ++i) {
        int c = branch.CompareSeparator(i, probe, probePrefix);
        if (c >= 0) {
            return {i - 1, c == 0};
        }
    }
    return {i - 1, false};
}

const SubjTree::Leaf* SubjTree::SmallestLeaf(const Node* node) {
    while (!node->IsLeaf()) {
        node = static_cast<const Branch*>(node)->children[0];
    }
    return static_cast<const Leaf*>(node);
}

const std::uint8_t* SubjTree::SmallestKey(const Node* node) {
    return SmallestLeaf(node)->Key();
}

const SubjTree::Leaf* SubjTree::LargestLeaf(const Node* node) {
    while (!node->IsLeaf()) {
        auto* branch = static_cast<const Branch*>(node);
        node = branch->children[branch->count - 1];
    }
    return static_cast<const Leaf*>(node);
}

const std::uint8_t* SubjTree::LargestKey(const Node* node) {
    return LargestLeaf(node)->Key();
}

void SubjTree::Place(Branch& branch, int position, Node* child) {
    branch.children[position] = child;
    if (position >= 1) {
        branch.SetSeparator(position, SmallestLeaf(child));
    }
}

// ---- insertion -------------------------------------------------------------

SubjTree::Leaf* SubjTree::NewLeaf(bool zeroed) {
    void* slot = zeroed ? leaves_->TakeZeroed() : leaves_->Take();
    if (slot == nullptr) {
        return nullptr;
    }
    auto* leaf = new (slot) Leaf;
    leaf->kind = kLeafKind;
    return leaf;
}

bool SubjTree::StockSpares() {
    // Every branch on the path may split, and the root may need a parent.
    int needed = std::min(height_ + 1, kMaxHeight);
    while (spareCount_ < needed) {
        // All its bytes zero, and without a clearing of its own when a load's block came so.
        void* slot = branches_.TakeZeroed();
        if (slot == nullptr) {
            return false;
        }
        auto* branch = new (slot) Branch;
        branch->kind = kBranchKind;
        spares_[spareCount_++] = branch;
    }
    return true;
}

SubjTree::Branch* SubjTree::TakeSpare() {
    Branch* branch = spares_[--spareCount_];
    spares_[spareCount_] = nullptr;
    return branch;
}

StoreResult SubjTree::Insert(const RecordText& record) {
    return InsertCopy(record, false);
}

StoreResult SubjTree::InsertSorted(const RecordText& record) {
    return InsertCopy(record, true);
}

StoreResult SubjTree::InsertCopy(const RecordText& record, bool sorted) {
    Leaf* leaf = NewLeaf();
    if (leaf == nullptr) {
        return StoreResult::OutOfMemory;
    }
    leaf->record = record;
    const StoreResult result = Link(leaf, sorted);
    if (result != StoreResult::Done) {
        leaves_->Give(leaf);  // a leaf the tree did not take goes back to the pool
    }
    return result;
}

RecordText* SubjTree::Reserve() {
    if (reserved_ == nullptr) {
        reserved_ = NewLeaf(true);
    } else {
        reserved_->record.fill(0);  // written by the loader and not taken
    }
    return reserved_ == nullptr ? nullptr : &reserved_->record;
}

StoreResult SubjTree::InsertReserved(LoadWatch* watch) {
    if (reserved_ == nullptr) {
        return StoreResult::OutOfMemory;
    }
    Leaf* const leaf = reserved_;
    const StoreResult result = Link(leaf, true);
    if (result != StoreResult::Done) {
        return result;
    }
    reserved_ = nullptr;
    if (watch != nullptr && last_ == leaf) {  // an insert elsewhere forgets the last leaf
        watch->Taken(leaf->record);
    } else if (watch != nullptr) {
        watch->Unordered();
    }
    return result;
}

// Appended in key order, branches split three and three, so there are about
// half as many as leaves.
void SubjTree::Expect(std::size_t records) {
    leaves_->Expect(records);
    branches_.Expect(records / 2);
}

// Puts a leaf into the tree. A sorted leaf whose key is above every stored key
// goes last at every level without a search, which is where the search would
// put it, so the tree takes the same shape.
StoreResult SubjTree::Link(Leaf* leaf, bool sorted) {
    pathLeaf_ = nullptr;
    reached_ = nullptr;
    if (!StockSpares()) {
        return StoreResult::OutOfMemory;
    }
    if (root_ == nullptr) {
        root_ = leaf;
        last_ = leaf;
        lastBranches_[0] = nullptr;
        Revise();
        return StoreResult::Done;
    }
    if (sorted) {
        last_ = last_ != nullptr ? last_ : LargestLeaf(root_);
        if (KeyBelow(last_->Key(), leaf->Key())) {
            Append(leaf);
            Revise();
            return StoreResult::Done;
        }
    }
    ForgetLast();
    Node* spilled = nullptr;
    const StoreResult result = InsertInto(root_, leaf, spilled);
    if (result == StoreResult::Done) {
        GrowRoot(spilled);
        Revise();
    }
    return result;
}

StoreResult SubjTree::InsertInto(Node*& place, Leaf* leaf, Node*& spilled) {
    if (place->IsLeaf()) {
        auto* existing = static_cast<Leaf*>(place);
        int c = CompareKeys(existing->Key(), leaf->Key());
        if (c == 0) {
            return StoreResult::KeyExists;
        }
        if (c > 0) {
            place = leaf;
            spilled = existing;
        } else {
            spilled = leaf;
        }
        return StoreResult::Done;
    }

    auto& x = *static_cast<Branch*>(place);
    SeparatorHit hit = SearchSeparators(x, leaf->Key());
    if (hit.equal) {
        return StoreResult::KeyExists;
    }
    Node* below = nullptr;
    StoreResult result = InsertInto(x.children[hit.index], leaf, below);
    if (result != StoreResult::Done || below == nullptr) {
        return result;
    }
    spilled = AddChild(x, hit.index, below);
    return StoreResult::Done;
}

// Puts `below` into X right behind child i. Returns the branch split off to
// X's right, or nullptr when X had room.
SubjTree::Node* SubjTree::AddChild(Branch& x, int i, Node* below) {
    if (x.count < kOrder) {
        // Children behind i move one place right, each with its separator.
        for (int p = x.count; p > i + 1; --p) {
            x.children[p] = x.children[p - 1];
            x.CopySeparator(p, p - 1);
        }
        Place(x, i + 1, below);
        ++x.count;
        return nullptr;
    }

    // Split: the six children in order, X keeps three and R takes three.
    Node* six[kOrder + 1];
    for (int p = 0, q = 0; p <= kOrder; ++p) {
        six[p] = (p == i + 1) ? below : x.children[q++];
    }
    Branch* r = TakeSpare();
    x.count = 3;
    r->count = 3;
    // The children up to i keep their places in X, and their separators with them: an append,
    // the way a load splits, moves only the three that go right.
    for (int p = i + 1; p < 3; ++p) {
        Place(x, p, six[p]);
    }
    for (int p = 0; p < 3; ++p) {
        Place(*r, p, six[p + 3]);
    }
    for (int p = 3; p < kOrder; ++p) {
        x.children[p] = nullptr;
    }
    return r;
}

// A node spilled out of the root gets a new root above both.
void SubjTree::GrowRoot(Node* spilled) {
    if (spilled == nullptr) {
        return;
    }
    Branch* newRoot = TakeSpare();
    newRoot->count = 2;
    Place(*newRoot, 0, root_);
    Place(*newRoot, 1, spilled);
    root_ = newRoot;
    ++height_;
}

// A leaf whose key is above every stored key goes last. The last branch of
// each level takes it in turn, as the way down from the root would: while the
// one above the leaves has room, nothing above changes (the new key is no
// branch's smallest), and a full one splits into the one above it. So a load
// in key order costs no descent at all, and a split about every third record
// touches the levels it changes alone.
void SubjTree::Append(Leaf* leaf) {
    if (height_ > 0 && lastBranches_[0] == nullptr) {
        FindLastBranches();
    }
    Node* below = leaf;
    for (int level = 0; below != nullptr && level < height_; ++level) {
        Branch*& x = lastBranches_[level];
        Node* split = AddChild(*x, x->count - 1, below);
        x = split != nullptr ? static_cast<Branch*>(split) : x;
        below = split;
    }
    if (below != nullptr) {
        GrowRoot(below);
        lastBranches_[height_ - 1] = static_cast<Branch*>(root_);
    }
    last_ = leaf;
}

void SubjTree::FindLastBranches() {
    Node* node = root_;
    for (int level = height_ - 1; level >= 0; --level) {
        auto* branch = static_cast<Branch*>(node);
        lastBranches_[level] = branch;
        node = branch->children[branch->count - 1];
    }
}

void SubjTree::ForgetLast() {
    last_ = nullptr;
    lastBranches_[0] = nullptr;
}

// ---- removal ---------------------------------------------------------------

// Sets the path on the leaf of `key`; false when there is none.
bool SubjTree::FindForRemoval(SubjKey key) {
    ForgetLast();
    if (root_ == nullptr) {
        pathLeaf_ = nullptr;
        return false;
    }
    Key probe;
    std::copy(key.begin(), key.end(), probe.begin());
    // A walk that removes the record it has just reached finds it at the end
    // of the path already; any other key needs the search, which must not
    // move the cursor.
    if (pathLeaf_ == nullptr || CompareKeys(pathLeaf_->Key(), probe.data()) != 0) {
        const Key next = nextKey_;
        const Key prev = prevKey_;
        const Leaf* found = Descend(probe.data());
        nextKey_ = next;
        prevKey_ = prev;
        if (found == nullptr) {
            return false;
        }
    }
    return true;
}

StoreResult SubjTree::Remove(SubjKey key) {
    if (!FindForRemoval(key)) {
        return StoreResult::NotFound;
    }
    RemoveOnPath();
    return StoreResult::Done;
}

const RecordText* SubjTree::Reached() const {
    return reached_ != nullptr && reached_ == pathLeaf_ ? &reached_->record : nullptr;
}

StoreResult SubjTree::RemoveReached() {
    if (Reached() == nullptr) {
        return StoreResult::NotFound;
    }
    ForgetLast();
    RemoveOnPath();
    return StoreResult::Done;
}

const RecordText* SubjTree::RemoveKept(SubjKey key, Lent& lent) {
    if (!FindForRemoval(key)) {
        return nullptr;
    }
    const RecordText* kept = &pathLeaf_->record;
    Lend(lent);
    RemoveOnPath(true);
    return kept;
}

const RecordText* SubjTree::RemoveReachedKept(Lent& lent) {
    const RecordText* kept = Reached();
    if (kept == nullptr) {
        return nullptr;
    }
    ForgetLast();
    Lend(lent);
    RemoveOnPath(true);
    return kept;
}

// Bound once: a walk that lends thousands need not count each one in the pool's owners.
void SubjTree::Lend(Lent& lent) const {
    if (lent.leaves_ != leaves_) {
        lent.leaves_ = leaves_;
    }
}

bool SubjTree::Lent::From(const SubjTree& tree) const {
    return leaves_ == nullptr || leaves_ == tree.leaves_;
}

namespace {

// Where a leaf's record lies in it, to find the leaf of a record lent.
template <typename LeafT>
std::ptrdiff_t RecordOffset() {
    static const std::ptrdiff_t offset = [] {
        LeafT leaf;
        return reinterpret_cast<const char*>(&leaf.record) - reinterpret_cast<const char*>(&leaf);
    }();
    return offset;
}

}  // namespace

void SubjTree::Lent::GiveBack(const RecordText* record) noexcept {
    const char* leaf = reinterpret_cast<const char*>(record) - RecordOffset<Leaf>();
    leaves_->Give(const_cast<char*>(leaf));
}

std::size_t SubjTree::Lent::BytesEach() {
    return NodePool(sizeof(Leaf)).SlotSize();
}

namespace {

template <typename BranchT>
void DropChild(BranchT& x, int e) {
    for (int p = e; p < x.count - 1; ++p) {
        x.children[p] = x.children[p + 1];
        if (p >= 1) {
            x.CopySeparator(p, p + 1);
        }
    }
    --x.count;
    x.children[x.count] = nullptr;
}

template <typename BranchT, typename NodeT>
int IndexOf(const BranchT& x, const NodeT* child) {
    int i = 0;
    while (x.children[i] != child) {
        ++i;
    }
    return i;
}

}  // namespace

// Takes the leaf at the end of the path out of the tree, working up the path
// with no search, and leaves the path on a neighbour of that leaf in the same
// bottom branch: the cursor's keys name both neighbours, so its next step
// either way starts there instead of at the root. A branch left with two
// children takes from or merges into a sibling; only a merge goes on to the
// level above.
void SubjTree::RemoveOnPath(bool keep) {
    const Leaf* gone = pathLeaf_;
    reached_ = nullptr;
    Revise();
    if (pathDepth_ == 0) {
        if (!keep) {
            leaves_->Give(root_);
        }
        root_ = nullptr;
        pathLeaf_ = nullptr;
        return;
    }
    int level = pathDepth_ - 1;
    int dropped = pathIndex_[level];
    const Node* neighbour = path_[level]->children[dropped >= 1 ? dropped - 1 : 1];
    // The one separator that can name the leaf: that of the deepest branch
    // the path leaves by another child than the first, when every branch
    // below leaves by the first.
    int namer = -1;
    if (dropped == 0) {
        namer = level - 1;
        while (namer >= 0 && pathIndex_[namer] == 0) {
            --namer;
        }
    }
    if (!keep) {
        leaves_->Give(const_cast<Leaf*>(gone));
    }
    for (;;) {
        auto& x = *const_cast<Branch*>(path_[level]);
        if (level == 0 || x.count >= 4) {
            DropChild(x, dropped);
            break;
        }
        auto& parent = *const_cast<Branch*>(path_[level - 1]);
        const int xi = pathIndex_[level - 1];
        const int yi = xi >= 1 ? xi - 1 : 1;
        auto& y = *static_cast<Branch*>(parent.children[yi]);
        Rebalance(parent.children[xi], x, dropped, y, yi > xi);
        if (parent.children[xi] != nullptr) {
            // X took children from Y: whichever of the two lies right starts
            // with another key.
            const int right = std::max(xi, yi);
            parent.SetSeparator(right, SmallestLeaf(parent.children[right]));
            break;
        }
        path_[level] = &y;  // X merged into Y, which the path now runs through
        dropped = xi;
        --level;
    }
    // Branches from `level` down were rebuilt with their separators; those
    // above keep their children.
    if (namer >= 0 && namer < level) {
        auto& branch = *const_cast<Branch*>(path_[namer]);
        const int i = pathIndex_[namer];
        if (branch.separators[i - 1] == gone) {
            branch.SetSeparator(i, SmallestLeaf(branch.children[i]));
        }
    }
    FollowPath(level, neighbour);
    if (!root_->IsLeaf() && static_cast<Branch*>(root_)->count == 1) {
        auto* old = static_cast<Branch*>(root_);
        root_ = old->children[0];
        branches_.Give(old);
        --height_;
        std::copy(path_ + 1, path_ + pathDepth_, path_);
        std::copy(pathIndex_ + 1, pathIndex_ + pathDepth_, pathIndex_);
        --pathDepth_;
    }
}

// After a removal: the path's indices from level `from` down found anew by
// the nodes it runs through, ending on `neighbour`.
void SubjTree::FollowPath(int from, const Node* neighbour) {
    for (int level = from; level < pathDepth_; ++level) {
        const Node* below = level + 1 < pathDepth_ ? path_[level + 1] : neighbour;
        pathIndex_[level] = static_cast<std::uint8_t>(IndexOf(*path_[level], below));
    }
    pathLeaf_ = static_cast<const Leaf*>(neighbour);
}

// Whether Y lies right of X comes from the parent, which knows their places:
// X's own separators may still name the leaf just removed.
void SubjTree::Rebalance(Node*& place, Branch& x, int dropped, Branch& y, bool yIsRight) {
    Node* remaining[kOrder];
    int r = 0;
    for (int p = 0; p < x.count; ++p) {
        if (p != dropped) {
            remaining[r++] = x.children[p];
        }
    }
    const int m = y.count;

    if (r + m <= kOrder) {
        if (yIsRight) {
            Node* merged[kOrder];
            int n = 0;
            for (int p = 0; p < r; ++p)
                merged[n++] = remaining[p];
            for (int p = 0; p < m; ++p)
                merged[n++] = y.children[p];
            for (int p = 0; p < n; ++p) {
                Place(y, p, merged[p]);
            }
        } else {
            // Y's own children keep their places and their separators: none
            // of their keys changed.
            for (int p = 0; p < r; ++p) {
                Place(y, m + p, remaining[p]);
            }
        }
        y.count = r + m;
        branches_.Give(&x);
        place = nullptr;
        return;
    }

    const int k = (m - r) / 2;
    Node* ownX[kOrder];
    Node* ownY[kOrder];
    int nx = 0;
    int ny = 0;
    if (yIsRight) {
        for (int p = 0; p < r; ++p)
            ownX[nx++] = remaining[p];
        for (int p = 0; p < k; ++p)
            ownX[nx++] = y.children[p];
        for (int p = k; p < m; ++p)
            ownY[ny++] = y.children[p];
    } else {
        for (int p = m - k; p < m; ++p)
            ownX[nx++] = y.children[p];
        for (int p = 0; p < r; ++p)
            ownX[nx++] = remaining[p];
        for (int p = 0; p < m - k; ++p)
            ownY[ny++] = y.children[p];
    }
    x.count = nx;
    y.count = ny;
    for (int p = 0; p < kOrder; ++p) {
        x.children[p] = nullptr;
        y.children[p] = nullptr;
    }
    for (int p = 0; p < nx; ++p)
        Place(x, p, ownX[p]);
    for (int p = 0; p < ny; ++p)
        Place(y, p, ownY[p]);
}

// ---- lookup and the cursor -------------------------------------------------

const SubjTree::Leaf* SubjTree::Descend(const std::uint8_t* probe) {
    pathLeaf_ = nullptr;
    const Node* node = root_;
    if (node == nullptr) {
        return nullptr;
    }
    pathDepth_ = 0;
    while (!node->IsLeaf()) {
        auto* branch = static_cast<const Branch*>(node);
        SeparatorHit hit = SearchSeparators(*branch, probe);
        const int d = hit.equal ? hit.index + 1 : hit.index;
        path_[pathDepth_] = branch;
        pathIndex_[pathDepth_++] = static_cast<std::uint8_t>(d);
        node = branch->children[d];
    }
    pathLeaf_ = static_cast<const Leaf*>(node);
    return Arrive(probe);
}

// What reaching the leaf at the end of the path tells the cursor. Of the
// branches on the way, the deepest with a child right of the path names the
// next key, its separator; the deepest with a child to the left holds the
// previous key, that child's largest. A leaf below the probe is itself the
// previous key.
const SubjTree::Leaf* SubjTree::Arrive(const std::uint8_t* probe) {
    if (pathDepth_ >= 1) {
        Prefetch(*path_[pathDepth_ - 1], pathIndex_[pathDepth_ - 1]);
    }
    for (int level = pathDepth_ - 1; level >= 0; --level) {
        const int d = pathIndex_[level];
        if (d + 1 < path_[level]->count) {
            std::memcpy(nextKey_.data(), path_[level]->Separator(d + 1), kKeySize);
            break;
        }
    }
    for (int level = pathDepth_ - 1; level >= 0; --level) {
        const int d = pathIndex_[level];
        if (d >= 1) {
            std::memcpy(prevKey_.data(), LargestKey(path_[level]->children[d - 1]), kKeySize);
            break;
        }
    }
    int c = CompareKeys(pathLeaf_->Key(), probe);
    if (c < 0) {
        std::memcpy(prevKey_.data(), pathLeaf_->Key(), kKeySize);
    }
    reached_ = c == 0 ? pathLeaf_ : nullptr;
    return reached_;
}

// Arriving at a leaf reads its neighbours' keys, and the next step will read
// theirs: asking now for the keys and heads of the leaves two places either
// way lets a walk's reads of memory overlap instead of waiting one by one.
void SubjTree::Prefetch(const Branch& bottom, int d) {
    for (int p : {d - 2, d + 2}) {
        if (p >= 0 && p < bottom.count) {
            const char* leaf = reinterpret_cast<const char*>(bottom.children[p]);
            for (std::size_t line = 0; line < kKeySize + 16; line += 64) {
                __builtin_prefetch(leaf + line);
            }
        }
    }
}

// Moves the path to the leaf after (or before) the one it reaches, when that
// leaf holds `probe`; keeps it when the leaf it reaches does. A descent with
// that probe would take the same path, so a walk costs a step or two per
// record instead of a search from the root.
bool SubjTree::StepPath(bool forward, const std::uint8_t* probe) {
    if (pathLeaf_ == nullptr) {
        return false;
    }
    if (CompareKeys(pathLeaf_->Key(), probe) == 0) {
        return true;  // a removal left the path on this neighbour
    }
    int level = pathDepth_ - 1;
    while (level >= 0 &&
           (forward ? pathIndex_[level] + 1 >= path_[level]->count : pathIndex_[level] == 0)) {
        --level;
    }
    if (level < 0) {
        return false;
    }
    const int d = pathIndex_[level] + (forward ? 1 : -1);
    const Node* node = path_[level]->children[d];
    if (CompareKeys(forward ? SmallestKey(node) : LargestKey(node), probe) != 0) {
        return false;
    }
    pathIndex_[level] = static_cast<std::uint8_t>(d);
    FollowEdge(level, node, forward);
    return true;
}

// The path from `node`, the child it takes at `level`, down that node's first
// leaf going forward, its last going back.
void SubjTree::FollowEdge(int level, const Node* node, bool forward) {
    while (!node->IsLeaf()) {
        auto* branch = static_cast<const Branch*>(node);
        const int edge = forward ? 0 : branch->count - 1;
        path_[++level] = branch;
        pathIndex_[level] = static_cast<std::uint8_t>(edge);
        node = branch->children[edge];
    }
    pathLeaf_ = static_cast<const Leaf*>(node);
}

// The path moved to the leaf before the one it reaches, by its pointers alone;
// false at the first leaf.
bool SubjTree::PathBack() {
    int level = pathDepth_ - 1;
    while (level >= 0 && pathIndex_[level] == 0) {
        --level;
    }
    if (level < 0) {
        return false;
    }
    const int d = pathIndex_[level] - 1;
    pathIndex_[level] = static_cast<std::uint8_t>(d);
    FollowEdge(level, path_[level]->children[d], false);
    return true;
}

void SubjTree::EmptyCursor() {
    nextKey_.fill(0);
    prevKey_.fill(0xFF);
    pathLeaf_ = nullptr;
    reached_ = nullptr;
}

// ---- the walk back that removes --------------------------------------------

// A removal leaves the path on a neighbour in the same bottom branch: the leaf
// before, when there is one, which is where the walk goes on; otherwise the
// leaf after, one step back from which is that same place.
std::size_t SubjTree::RemoveBefore(SubjKey end, Sweep& sweep) {
    ForgetLast();
    std::size_t removed = 0;
    static_cast<void>(Descend(end.data()));  // only to lay the path at `end`
    bool on = pathLeaf_ != nullptr && (CompareKeys(pathLeaf_->Key(), end.data()) < 0 || PathBack());
    while (on) {
        const Leaf* leaf = pathLeaf_;
        if (pathDepth_ >= 1) {
            Prefetch(*path_[pathDepth_ - 1], pathIndex_[pathDepth_ - 1]);
        }
        if (!sweep.Goes(leaf->record)) {
            on = PathBack();
            continue;
        }
        const bool beforeStays = pathDepth_ >= 1 && pathIndex_[pathDepth_ - 1] >= 1;
        Lent* lent = sweep.Going(leaf->record);
        if (lent != nullptr) {
            Lend(*lent);
        }
        RemoveOnPath(lent != nullptr);
        if (lent != nullptr) {
            sweep.Kept(&leaf->record);
        }
        ++removed;
        on = pathLeaf_ != nullptr && (beforeStays || PathBack());
    }
    EmptyCursor();
    return removed;
}

namespace {

bool IsAll(const std::array<std::uint8_t, kKeySize>& key, std::uint8_t value) {
    return std::all_of(key.begin(), key.end(), [value](std::uint8_t b) { return b == value; });
}

}  // namespace

StoreResult SubjTree::Find(SubjKey key, RecordText& out) {
    Key probe;
    std::copy(key.begin(), key.end(), probe.begin());
    nextKey_.fill(0);
    prevKey_.fill(0xFF);
    return CopyOut(Descend(probe.data()), out);
}

StoreResult SubjTree::First(RecordText& out) {
    nextKey_.fill(0);
    prevKey_.fill(0xFF);
    pathLeaf_ = nullptr;
    const Node* node = root_;
    if (node == nullptr) {
        return StoreResult::NotFound;
    }
    pathDepth_ = 0;
    while (!node->IsLeaf()) {
        auto* branch = static_cast<const Branch*>(node);
        path_[pathDepth_] = branch;
        pathIndex_[pathDepth_++] = 0;
        node = branch->children[0];
    }
    pathLeaf_ = static_cast<const Leaf*>(node);
    out = Arrive(pathLeaf_->Key())->record;
    return StoreResult::Done;
}

const RecordText* SubjTree::Locate(SubjKey key) const {
    const Node* node = root_;
    if (node == nullptr) {
        return nullptr;
    }
    while (!node->IsLeaf()) {
        auto* branch = static_cast<const Branch*>(node);
        const SeparatorHit hit = SearchSeparators(*branch, key.data());
        node = branch->children[hit.equal ? hit.index + 1 : hit.index];
    }
    auto* leaf = static_cast<const Leaf*>(node);
    return CompareKeys(leaf->Key(), key.data()) == 0 ? &leaf->record : nullptr;
}

StoreResult SubjTree::Next(RecordText& out) {
    return CopyOut(StepTo(nextKey_, 0x00), out);
}

StoreResult SubjTree::Prev(RecordText& out) {
    return CopyOut(StepTo(prevKey_, 0xFF), out);
}

const RecordText* SubjTree::PrevInPlace() {
    const Leaf* leaf = StepTo(prevKey_, 0xFF);
    return leaf == nullptr ? nullptr : &leaf->record;
}

StoreResult SubjTree::CopyOut(const Leaf* leaf, RecordText& out) {
    if (leaf == nullptr) {
        return StoreResult::NotFound;
    }
    out = leaf->record;
    return StoreResult::Done;
}

// One step of the cursor: the key it names becomes the probe, and that side of
// the cursor is emptied before the descent sets it anew. The leaf reached, or
// nullptr for none.
const SubjTree::Leaf* SubjTree::StepTo(Key& cursorKey, std::uint8_t none) {
    if (IsAll(cursorKey, none)) {
        reached_ = nullptr;
        return nullptr;
    }
    Key probe = cursorKey;
    cursorKey.fill(none);
    return StepPath(none == 0x00, probe.data()) ? Arrive(probe.data()) : Descend(probe.data());
}

StoreResult SubjTree::Replace(const RecordText& record) {
    nextKey_.fill(0);
    prevKey_.fill(0xFF);
    auto* leaf = const_cast<Leaf*>(Descend(record.data()));
    reached_ = nullptr;  // a record to rewrite, not one a walk has read
    if (leaf == nullptr) {
        return StoreResult::NotFound;
    }
    leaf->record = record;
    Revise();
    return StoreResult::Done;
}

void SubjTree::VisitInOrder(const std::function<bool(const RecordText&)>& visit) const {
    if (root_ != nullptr) {
        VisitNode(root_, visit);
    }
}

bool SubjTree::VisitNode(const Node* node, const std::function<bool(const RecordText&)>& visit) {
    if (node->IsLeaf()) {
        return visit(static_cast<const Leaf*>(node)->record);
    }
    auto* branch = static_cast<const Branch*>(node);
    for (int i = 0; i < branch->count; ++i) {
        if (!VisitNode(branch->children[i], visit)) {
            return false;
        }
    }
    return true;
}

void SubjTree::VisitFrom(SubjKey from, const std::function<bool(const RecordText&)>& visit) const {
    if (root_ != nullptr) {
        VisitNodeFrom(root_, from.data(), visit);
    }
}

// Only the children on the path to `from` can hold keys below it; those right
// of the path are visited whole.
bool SubjTree::VisitNodeFrom(const Node* node, const std::uint8_t* from,
                             const std::function<bool(const RecordText&)>& visit) {
    if (node->IsLeaf()) {
        const auto* leaf = static_cast<const Leaf*>(node);
        return CompareKeys(leaf->Key(), from) < 0 || visit(leaf->record);
    }
    auto* branch = static_cast<const Branch*>(node);
    const SeparatorHit hit = SearchSeparators(*branch, from);
    const int first = hit.equal ? hit.index + 1 : hit.index;
    if (!VisitNodeFrom(branch->children[first], from, visit)) {
        return false;
    }
    for (int i = first + 1; i < branch->count; ++i) {
        if (!VisitNode(branch->children[i], visit)) {
            return false;
        }
    }
    return true;
}

void SubjTree::AppendInOrder(std::vector<const RecordText*>& records) const {
    if (root_ != nullptr) {
        AppendNode(root_, height_, records);
    }
}

// Every leaf lies `height` levels down, so the branches above the leaves hand out their
// children's records without reading a byte of any leaf.
void SubjTree::AppendNode(const Node* node, int height, std::vector<const RecordText*>& records) {
    if (height == 0) {
        records.push_back(&static_cast<const Leaf*>(node)->record);
        return;
    }
    const auto* branch = static_cast<const Branch*>(node);
    for (int i = 0; i < branch->count; ++i) {
        if (height == 1) {
            records.push_back(&static_cast<const Leaf*>(branch->children[i])->record);
        } else {
            AppendNode(branch->children[i], height - 1, records);
        }
    }
}

// ---- inspection for tests --------------------------------------------------

std::string SubjTree::DescribeShape(const std::function<std::string(SubjKey)>& label) const {
    std::function<std::string(const Node*)> describe = [&](const Node* node) -> std::string {
        if (node->IsLeaf()) {
            return label(SubjKey(static_cast<const Leaf*>(node)->Key(), kKeySize));
        }
        auto* branch = static_cast<const Branch*>(node);
        std::string text = "[";
        for (int i = 0; i < branch->count; ++i) {
            text += (i ? " " : "") + describe(branch->children[i]);
        }
        return text + "]";
    };
    return root_ == nullptr ? std::string() : describe(root_);
}

// The checks, numbered as the messages name them:
//  1. every node is of the store's branch or leaf kind;
//  2. a branch holds at most 5 children, the root at least 2, any other at least 3;
//  3. every leaf lies at the same depth;
//  4. separator i of a branch names the leaf of the smallest key below child i,
//     and its prefix is that key's;
//  5. every key below child i is smaller than separator i+1;
//  6. the keys are strictly ascending in key order.
std::vector<std::string> SubjTree::CheckInvariants() const {
    std::vector<std::string> problems;
    if (root_ == nullptr) {
        return problems;
    }
    int leafDepth = -1;
    CheckNode(root_, 0, true, leafDepth, problems);

    const std::uint8_t* previous = nullptr;
    std::function<void(const Node*)> walk = [&](const Node* node) {
        if (node->IsLeaf()) {
            const std::uint8_t* key = static_cast<const Leaf*>(node)->Key();
            if (previous != nullptr && CompareKeys(previous, key) >= 0) {
                problems.push_back("6: keys not strictly ascending");
            }
            previous = key;
            return;
        }
        auto* branch = static_cast<const Branch*>(node);
        for (int i = 0; i < branch->count; ++i) {
            if (branch->children[i] != nullptr) {
                walk(branch->children[i]);
            }
        }
    };
    walk(root_);
    return problems;
}

void SubjTree::CheckNode(const Node* node, int depth, bool isRoot, int& leafDepth,
                         std::vector<std::string>& problems) const {
    if (node == nullptr) {
        problems.push_back("2: empty child slot at depth " + std::to_string(depth));
        return;
    }
    if (node->kind != kLeafKind && node->kind != kBranchKind) {
        problems.push_back("1: node of kind " + std::to_string(node->kind));
        return;
    }
    if (node->IsLeaf()) {
        if (leafDepth < 0) {
            leafDepth = depth;
        } else if (leafDepth != depth) {
            problems.push_back("3: leaves at depths " + std::to_string(leafDepth) + " and " +
                               std::to_string(depth));
        }
        return;
    }
    auto* branch = static_cast<const Branch*>(node);
    const int least = isRoot ? 2 : 3;
    if (branch->count > kOrder || branch->count < least) {
        problems.push_back("2: branch at depth " + std::to_string(depth) + " has " +
                           std::to_string(branch->count) + " children");
        if (branch->count > kOrder || branch->count < 1) {
            return;
        }
    }
    for (int i = 0; i < branch->count; ++i) {
        const Node* child = branch->children[i];
        CheckNode(child, depth + 1, false, leafDepth, problems);
        if (child == nullptr) {
            continue;
        }
        if (i >= 1 && (branch->separators[i - 1] != SmallestLeaf(child) ||
                       branch->CompareSeparator(i, SmallestKey(child),
                                                KeyPrefix::Of(SmallestKey(child))) != 0)) {
            problems.push_back("4: separator " + std::to_string(i) + " at depth " +
                               std::to_string(depth) + " is not the smallest key below it");
        }
        if (i + 1 < branch->count &&
            CompareKeys(LargestKey(child), branch->Separator(i + 1)) >= 0) {
            problems.push_back("5: a key below child " + std::to_string(i) + " at depth " +
                               std::to_string(depth) + " is not below separator " +
                               std::to_string(i + 1));
        }
    }
}
