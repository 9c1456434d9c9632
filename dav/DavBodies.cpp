#include "DavBodies.h"

#include <QXmlStreamWriter>

namespace {

// Writes the document with the DAV and CalDAV prefixes declared on the root,
// and `content` inside it.
template <typename Content>
QByteArray Document(const DavName& root, Content content) {
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument();
    xml.writeNamespace(DavNames::kDav, QStringLiteral("d"));
    xml.writeNamespace(DavNames::kCalDav, QStringLiteral("c"));
    xml.writeStartElement(root.ns, root.local);
    content(xml);
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

}  // namespace

namespace DavBodies {

QByteArray Propfind(std::initializer_list<DavName> props) {
    return Document({DavNames::kDav, QStringLiteral("propfind")}, [&](QXmlStreamWriter& xml) {
        xml.writeStartElement(DavNames::kDav, QStringLiteral("prop"));
        for (const DavName& prop : props) {
            xml.writeEmptyElement(prop.ns, prop.local);
        }
        xml.writeEndElement();
    });
}

QByteArray MkCalendar(const QString& displayName, const QString& component) {
    return Document({DavNames::kCalDav, QStringLiteral("mkcalendar")}, [&](QXmlStreamWriter& xml) {
        xml.writeStartElement(DavNames::kDav, QStringLiteral("set"));
        xml.writeStartElement(DavNames::kDav, QStringLiteral("prop"));
        xml.writeTextElement(DavNames::kDisplayName.ns, DavNames::kDisplayName.local, displayName);
        xml.writeStartElement(DavNames::kComponentSet.ns, DavNames::kComponentSet.local);
        xml.writeEmptyElement(DavNames::kCalDav, QStringLiteral("comp"));
        xml.writeAttribute(QStringLiteral("name"), component);
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeEndElement();
    });
}

}  // namespace DavBodies
