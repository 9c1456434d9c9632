#include "ItemMerge.h"

ItemAction DecideItem(LocalSide local, ServerSide server) {
    switch (local) {
        case LocalSide::Absent:
            return server == ServerSide::New ? ItemAction::Take : ItemAction::Nothing;
        case LocalSide::New:
            if (server == ServerSide::Absent) {
                return ItemAction::Create;
            }
            return server == ServerSide::New ? ItemAction::MergeFields : ItemAction::Nothing;
        case LocalSide::Unchanged:
            switch (server) {
                case ServerSide::Changed:
                    return ItemAction::Take;
                case ServerSide::Deleted:
                    return ItemAction::DeleteHere;
                default:
                    return ItemAction::Nothing;
            }
        case LocalSide::Changed:
            switch (server) {
                case ServerSide::Unchanged:
                    return ItemAction::Send;
                case ServerSide::Changed:
                    return ItemAction::MergeFields;
                case ServerSide::Deleted:
                    // A deletion can be made again; lost text cannot be typed back.
                    return ItemAction::KeepOurs;
                default:
                    return ItemAction::Nothing;
            }
        case LocalSide::Deleted:
            switch (server) {
                case ServerSide::Unchanged:
                    return ItemAction::DeleteOnServer;
                case ServerSide::Changed:
                    return ItemAction::KeepServers;
                case ServerSide::Deleted:
                    return ItemAction::Forget;
                default:
                    return ItemAction::Nothing;
            }
    }
    return ItemAction::Nothing;
}

FieldAction DecideField(bool changedHere, bool changedThere, bool sameValue) {
    if (!changedThere) {
        return changedHere ? FieldAction::Send : FieldAction::Keep;
    }
    if (!changedHere) {
        return FieldAction::Take;
    }
    return sameValue ? FieldAction::Keep : FieldAction::SendAndSetAside;
}

namespace {

template <typename Subj>
FieldMergeOf<Subj> MergeFields(const ItemSidesOf<Subj>& sides) {
    FieldMergeOf<Subj> merge;
    merge.merged = *sides.local;
    const Subj& theirs = sides.server->subj;
    for (const SubjField field : kAllSubjFields) {
        const auto index = static_cast<std::size_t>(field);
        const bool hasBase = sides.base != nullptr && sides.serverBase != nullptr;
        const bool changedHere = !hasBase || !SameField(*sides.local, *sides.base, field);
        const bool changedThere =
            !hasBase || sides.server->prints[index] != sides.serverBase->prints[index];
        switch (DecideField(changedHere, changedThere, SameField(*sides.local, theirs, field))) {
            case FieldAction::Keep:
                break;
            case FieldAction::SendAndSetAside:
                merge.setAside = true;
                [[fallthrough]];
            case FieldAction::Send:
                merge.send.Add(field);
                break;
            case FieldAction::Take:
                CopyField(merge.merged, theirs, field);
                merge.taken = true;
                break;
        }
    }
    return merge;
}

}  // namespace

FieldMergeOf<IndivSubj> MergeItemFields(const ItemSidesOf<IndivSubj>& sides) {
    return MergeFields(sides);
}

FieldMergeOf<RepSubj> MergeItemFields(const ItemSidesOf<RepSubj>& sides) {
    return MergeFields(sides);
}
