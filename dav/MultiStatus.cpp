#include "MultiStatus.h"

#include <QXmlStreamReader>

namespace {

DavName NameOf(const QXmlStreamReader& xml) {
    return {xml.namespaceUri().toString(), xml.name().toString()};
}

bool IsDav(const QXmlStreamReader& xml, const char* local) {
    return xml.namespaceUri() == DavNames::kDav && xml.name() == QLatin1String(local);
}

// Passes over an element nobody asked for; false when the reply breaks off in it.
bool SkipElement(QXmlStreamReader& xml) {
    xml.skipCurrentElement();
    return !xml.hasError();
}

// The text of an element with text only, such as href or status.
QString ReadText(QXmlStreamReader& xml) {
    return xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
}

// One property element, the reader standing on its start.
bool ReadProp(QXmlStreamReader& xml, DavProp& prop) {
    prop.name = NameOf(xml);
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
            case QXmlStreamReader::StartElement:
                if (depth == 1) {
                    prop.children.push_back(NameOf(xml));
                    if (xml.namespaceUri() == DavNames::kCalDav &&
                        xml.name() == QLatin1String("comp")) {
                        prop.compNames.push_back(xml.attributes().value("name").toString());
                    }
                }
                if (IsDav(xml, "href")) {
                    const QString href = ReadText(xml);
                    prop.hrefs.push_back(href);
                    prop.text += href;
                } else {
                    ++depth;
                }
                break;
            case QXmlStreamReader::EndElement:
                --depth;
                break;
            case QXmlStreamReader::Characters:
                prop.text += xml.text();
                break;
            default:
                break;
        }
    }
    return !xml.hasError();
}

// A propstat: its properties go to the response only when its status is 2xx.
bool ReadPropStat(QXmlStreamReader& xml, DavResponse& response) {
    std::vector<DavProp> props;
    int status = 0;
    while (xml.readNextStartElement()) {
        if (IsDav(xml, "prop")) {
            while (xml.readNextStartElement()) {
                DavProp prop;
                if (!ReadProp(xml, prop)) {
                    return false;
                }
                props.push_back(std::move(prop));
            }
        } else if (IsDav(xml, "status")) {
            status = StatusCodeOf(ReadText(xml));
        } else if (!SkipElement(xml)) {
            return false;
        }
    }
    if (status >= 200 && status < 300) {
        for (DavProp& prop : props) {
            response.found.push_back(std::move(prop));
        }
    }
    return !xml.hasError();
}

bool ReadResponse(QXmlStreamReader& xml, DavResponse& response) {
    while (xml.readNextStartElement()) {
        if (IsDav(xml, "href") && response.href.isEmpty()) {
            response.href = ReadText(xml);
        } else if (IsDav(xml, "status")) {
            response.status = StatusCodeOf(ReadText(xml));
        } else if (IsDav(xml, "propstat")) {
            if (!ReadPropStat(xml, response)) {
                return false;
            }
        } else if (!SkipElement(xml)) {
            return false;
        }
    }
    return !xml.hasError();
}

// Reads up to the root element; false at a DTD, which XML allows only
// before the root, or when there is no root.
bool ReachRoot(QXmlStreamReader& xml) {
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
            case QXmlStreamReader::StartElement:
                return true;
            case QXmlStreamReader::DTD:
                return false;
            default:
                break;
        }
    }
    return false;
}

}  // namespace

const DavProp* DavResponse::Find(const DavName& name) const {
    for (const DavProp& prop : found) {
        if (prop.name == name) {
            return &prop;
        }
    }
    return nullptr;
}

int StatusCodeOf(const QString& statusLine) {
    const QStringList words = statusLine.simplified().split(QLatin1Char(' '));
    if (words.size() < 2) {
        return 0;
    }
    bool ok = false;
    const int code = words[1].toInt(&ok);
    return ok && code >= 100 && code <= 999 ? code : 0;
}

XmlOutcome ReadMultiStatus(const QByteArray& body, MultiStatus& into) {
    into = MultiStatus();
    QXmlStreamReader xml(body);
    if (!ReachRoot(xml)) {
        return XmlOutcome::NotXml;
    }
    if (!IsDav(xml, "multistatus")) {
        return SkipElement(xml) ? XmlOutcome::NotMultiStatus : XmlOutcome::NotXml;
    }
    while (xml.readNextStartElement()) {
        if (IsDav(xml, "response")) {
            DavResponse response;
            if (!ReadResponse(xml, response)) {
                into = MultiStatus();
                return XmlOutcome::NotXml;
            }
            into.responses.push_back(std::move(response));
        } else if (IsDav(xml, "sync-token")) {
            into.syncToken = ReadText(xml);
        } else if (!SkipElement(xml)) {
            break;
        }
    }
    // What follows the root must be well-formed too: a reply cut short or
    // with garbage behind it is not one the server meant.
    while (!xml.atEnd()) {
        xml.readNext();
    }
    if (xml.hasError()) {
        into = MultiStatus();
        return XmlOutcome::NotXml;
    }
    return XmlOutcome::Read;
}
