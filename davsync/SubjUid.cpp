#include "SubjUid.h"

#include <QCryptographicHash>

namespace {

constexpr const char* kDomain = "@veskat";

}  // namespace

std::string DerivedUid(const KeyBytes& key, int n, char mark) {
    const QByteArray digest =
        QCryptographicHash::hash(QByteArrayView(reinterpret_cast<const char*>(key.data()),
                                                static_cast<qsizetype>(key.size())),
                                 QCryptographicHash::Sha256);
    std::string uid = digest.left(16).toHex().toStdString() + "-" + mark;
    if (n > 1) {
        uid += std::to_string(n);
    }
    return uid + kDomain;
}

QString ItemName(const std::string& uid) {
    std::string name = uid;
    if (name.size() > std::char_traits<char>::length(kDomain) && name.ends_with(kDomain)) {
        name.resize(name.size() - std::char_traits<char>::length(kDomain));
    }
    return QString::fromStdString(name) + QStringLiteral(".ics");
}
