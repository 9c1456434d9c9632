// A state that cannot be read is never taken for an empty one: that would
// send every subject's deletion or bring every deleted one back. The sync
// sets it aside and finds the items by key instead.
#include "DavState.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kFormat = 1;

QString Base64(const std::uint8_t* bytes, std::size_t size) {
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size)).toBase64());
}

// The bytes of `text` (Base64) into `into`; false unless exactly N of them.
template <std::size_t N>
bool FromBase64(const QJsonValue& text, std::array<std::uint8_t, N>& into) {
    const auto decoded = QByteArray::fromBase64Encoding(text.toString().toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != static_cast<qsizetype>(N)) {
        return false;
    }
    std::memcpy(into.data(), decoded.decoded.constData(), N);
    return true;
}

QJsonObject ItemObject(const DavItemState& item) {
    QJsonObject object{{"uid", QString::fromStdString(item.uid)},
                       {"href", item.href},
                       {"etag", QString::fromLatin1(item.etag)}};
    if (item.alone) {
        object["alone"] = true;
        return object;
    }
    object["text"] = QString::fromStdString(item.text);
    object["record"] = Base64(item.record.data(), item.record.size());
    if (item.key != KeyBytesOf(item.record)) {
        object["key"] = Base64(item.key.data(), item.key.size());
    }
    if (item.unconfirmed) {
        object["unconfirmed"] = true;
    }
    return object;
}

bool ReadItem(const QJsonObject& object, DavItemState& item) {
    item.uid = object["uid"].toString().toStdString();
    item.href = object["href"].toString();
    item.etag = object["etag"].toString().toLatin1();
    item.alone = object["alone"].toBool();
    if (item.href.isEmpty() || !object["href"].isString() || !object["etag"].isString()) {
        return false;
    }
    if (item.alone) {
        return true;
    }
    item.text = object["text"].toString().toStdString();
    item.unconfirmed = object["unconfirmed"].toBool();
    if (!object["text"].isString() || !FromBase64(object["record"], item.record)) {
        return false;
    }
    item.key = KeyBytesOf(item.record);
    return !object.contains("key") || FromBase64(object["key"], item.key);
}

StateRead Damaged(DavState& state) {
    state = DavState();
    return StateRead::Damaged;
}

}  // namespace

KeyBytes KeyBytesOf(const RecordText& record) {
    KeyBytes key;
    std::copy_n(record.begin(), kKeySize, key.begin());
    return key;
}

KeyBytes NoSubjectKey() {
    KeyBytes key;
    key.fill(0xFF);
    return key;
}

std::string DavStateFileName(const std::string& dataFile) {
    return dataFile + ".caldav";
}

StateRead ReadDavState(const std::string& dataFile, DavState& state) {
    state = DavState();
    const std::string fileName = DavStateFileName(dataFile);
    if (!PathExists(fileName)) {
        return StateRead::Missing;
    }
    const std::optional<std::string> bytes = ReadWholeFile(fileName);
    if (!bytes) {
        return Damaged(state);
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray::fromRawData(bytes->data(), static_cast<qsizetype>(bytes->size())), &error);
    const QJsonObject root = document.object();
    if (error.error != QJsonParseError::NoError || root["format"].toInt() != kFormat ||
        !root["items"].isArray()) {
        return Damaged(state);
    }
    state.list = root["list"].toString();
    state.syncToken = root["syncToken"].toString();
    const QJsonArray items = root["items"].toArray();
    state.items.reserve(static_cast<std::size_t>(items.size()));
    for (const QJsonValue& value : items) {
        DavItemState item;
        if (!value.isObject() || !ReadItem(value.toObject(), item)) {
            return Damaged(state);
        }
        state.items.push_back(std::move(item));
    }
    return StateRead::Read;
}

FileWrite WriteDavState(const std::string& dataFile, const DavState& state) {
    QJsonArray items;
    for (const DavItemState& item : state.items) {
        items.append(ItemObject(item));
    }
    const QJsonObject root{{"format", kFormat},
                           {"list", state.list},
                           {"syncToken", state.syncToken},
                           {"items", items}};
    const QByteArray bytes = QJsonDocument(root).toJson(QJsonDocument::Compact);
    return WriteSideFile(
        DavStateFileName(dataFile),
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), dataFile);
}

std::string SetDamagedStateAside(const std::string& dataFile) {
    const std::string fileName = DavStateFileName(dataFile);
    const std::optional<std::string> bytes = ReadWholeFile(fileName);
    if (!bytes) {
        return {};
    }
    std::string kept = CreateUnderFreeName(fileName + ".damaged-" + FileStamp(), *bytes, dataFile);
    if (!kept.empty() && !DeleteFile(fileName)) {
        return {};
    }
    return kept;
}

MoveNote NoteKeyMoves(const std::string& dataFile, const std::vector<KeyMove>& moves) {
    DavState state;
    switch (ReadDavState(dataFile, state)) {
        case StateRead::Missing:
            return MoveNote::NoState;
        case StateRead::Damaged:
            return MoveNote::NotWritten;
        case StateRead::Read:
            break;
    }
    for (const KeyMove& move : moves) {
        auto moved = std::find_if(state.items.begin(), state.items.end(), [&](const auto& item) {
            return !item.alone && item.key == move.from;
        });
        if (moved == state.items.end()) {
            continue;
        }
        // The subject that had the new key is gone, or the edit would have
        // been refused: its item is now one whose subject was deleted here.
        for (DavItemState& other : state.items) {
            if (!other.alone && other.key == move.to) {
                other.key = NoSubjectKey();
            }
        }
        moved->key = move.to;
    }
    return WriteDavState(dataFile, state) == FileWrite::Written ? MoveNote::Noted
                                                                : MoveNote::NotWritten;
}
