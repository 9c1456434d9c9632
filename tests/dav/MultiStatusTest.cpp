// Reading 207 replies: the same reply in any spelling of its namespaces,
// what a failed propstat or an inner status means, and the replies that
// must be refused whole (a DTD, a reply cut short). A randomised run writes
// replies from a model and checks that reading them gives the model back.
#include <gtest/gtest.h>

#include <QXmlStreamWriter>

#include <random>

#include "MultiStatus.h"

namespace {

MultiStatus Read(const QByteArray& body) {
    MultiStatus parsed;
    EXPECT_EQ(ReadMultiStatus(body, parsed), XmlOutcome::Read) << body.constData();
    return parsed;
}

TEST(MultiStatusTest, TheNamespacesNotTheirPrefixesCount) {
    // As Radicale writes it (a default namespace) and as Xandikos does (ns0, ns1).
    const QByteArray bodies[] = {
        "<?xml version='1.0' encoding='utf-8'?>\n<multistatus xmlns=\"DAV:\" "
        "xmlns:C=\"urn:ietf:params:xml:ns:caldav\"><response><href>/a/l/</href><propstat><prop>"
        "<resourcetype><C:calendar /><collection /></resourcetype>"
        "<displayname>veskat \xE5\x8F\x8D\xE5\xBE\xA9</displayname>"
        "<C:supported-calendar-component-set><C:comp name=\"VTODO\" />"
        "</C:supported-calendar-component-set><C:calendar-home-set><href>/a/</href>"
        "</C:calendar-home-set></prop><status>HTTP/1.1 200 OK</status></propstat></response>"
        "</multistatus>",
        "<ns0:multistatus xmlns:ns0=\"DAV:\" xmlns:ns1=\"urn:ietf:params:xml:ns:caldav\">"
        "<ns0:response><ns0:href>/a/l/</ns0:href><ns0:propstat><ns0:status>HTTP/1.1 200 OK"
        "</ns0:status><ns0:prop><ns0:resourcetype><ns1:calendar /><ns0:collection />"
        "</ns0:resourcetype><ns0:displayname>veskat \xE5\x8F\x8D\xE5\xBE\xA9</ns0:displayname>"
        "<ns1:supported-calendar-component-set><ns1:comp name=\"VTODO\" />"
        "</ns1:supported-calendar-component-set><ns1:calendar-home-set><ns0:href>/a/</ns0:href>"
        "</ns1:calendar-home-set></ns0:prop></ns0:propstat></ns0:response></ns0:multistatus>",
    };
    for (const QByteArray& body : bodies) {
        const MultiStatus parsed = Read(body);
        ASSERT_EQ(parsed.responses.size(), 1u);
        const DavResponse& r = parsed.responses[0];
        EXPECT_EQ(r.href, "/a/l/");
        EXPECT_EQ(r.status, 0);
        ASSERT_NE(r.Find(DavNames::kResourceType), nullptr);
        EXPECT_EQ(r.Find(DavNames::kResourceType)->children,
                  (std::vector<DavName>{DavNames::kCalendar, DavNames::kCollection}));
        EXPECT_EQ(r.Find(DavNames::kDisplayName)->text, QString::fromUtf8("veskat 反復"));
        EXPECT_EQ(r.Find(DavNames::kComponentSet)->compNames, QStringList{"VTODO"});
        EXPECT_EQ(r.Find(DavNames::kCalendarHomeSet)->hrefs, QStringList{"/a/"});
    }
}

TEST(MultiStatusTest, OnlyTwoHundredsAreFoundAndInnerStatusesAreKept) {
    const MultiStatus parsed = Read(
        "<d:multistatus xmlns:d=\"DAV:\"><d:response><d:href>/x/</d:href>"
        "<d:propstat><d:prop><d:displayname>x</d:displayname></d:prop>"
        "<d:status>HTTP/1.1 200 OK</d:status></d:propstat>"
        "<d:propstat><d:prop><d:getetag/></d:prop><d:status>HTTP/1.1 404 Not Found</d:status>"
        "</d:propstat></d:response>"
        "<d:response><d:href>/x/gone.ics</d:href><d:status>HTTP/1.1 404 Not Found</d:status>"
        "</d:response><d:response><d:href>/x/a.ics</d:href><d:status>HTTP/1.1 412 Precondition "
        "Failed</d:status><d:error><d:unknown/></d:error></d:response>"
        "<d:sync-token>http://radicale.org/ns/sync/abc</d:sync-token></d:multistatus>");
    ASSERT_EQ(parsed.responses.size(), 3u);
    EXPECT_NE(parsed.responses[0].Find(DavNames::kDisplayName), nullptr);
    EXPECT_EQ(parsed.responses[0].Find(DavNames::kGetEtag), nullptr);
    EXPECT_EQ(parsed.responses[1].status, 404);
    EXPECT_EQ(parsed.responses[2].status, 412);
    EXPECT_EQ(parsed.syncToken, "http://radicale.org/ns/sync/abc");
}

TEST(MultiStatusTest, CalendarDataKeepsItsText) {
    const MultiStatus parsed = Read(
        "<d:multistatus xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\"><d:response>"
        "<d:href>/l/a.ics</d:href><d:propstat><d:prop><d:getetag>\"1-2\"</d:getetag>"
        "<c:calendar-data><![CDATA[BEGIN:VCALENDAR\r\nSUMMARY:a<b>&c\r\n]]>"
        "END:VCALENDAR&#13;\n</c:calendar-data></d:prop><d:status>HTTP/1.1 200 OK</d:status>"
        "</d:propstat></d:response></d:multistatus>");
    ASSERT_EQ(parsed.responses.size(), 1u);
    EXPECT_EQ(parsed.responses[0].Find(DavNames::kGetEtag)->text, "\"1-2\"");
    // XML reads a CR LF in the text as LF; only a CR written as &#13; stays.
    EXPECT_EQ(parsed.responses[0].Find(DavNames::kCalendarData)->text,
              "BEGIN:VCALENDAR\nSUMMARY:a<b>&c\nEND:VCALENDAR\r\n");
}

TEST(MultiStatusTest, RepliesThatCannotBeTrustedAreRefusedWhole) {
    const std::pair<QByteArray, XmlOutcome> cases[] = {
        // Entities that grow a small reply into a huge one.
        {"<?xml version=\"1.0\"?><!DOCTYPE m [<!ENTITY a \"aaaaaaaaaa\">"
         "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
         "<multistatus xmlns=\"DAV:\"><response><href>&b;</href></response></multistatus>",
         XmlOutcome::NotXml},
        {"<!DOCTYPE multistatus SYSTEM \"file:///etc/passwd\"><multistatus xmlns=\"DAV:\"/>",
         XmlOutcome::NotXml},
        {"<multistatus xmlns=\"DAV:\"><response><href>/a/</href>", XmlOutcome::NotXml},
        {"<multistatus xmlns=\"DAV:\"></multistatus><extra/>", XmlOutcome::NotXml},
        {"<html><body>Login</body></html>", XmlOutcome::NotMultiStatus},
        {"<multistatus xmlns=\"urn:other\"/>", XmlOutcome::NotMultiStatus},
        {"", XmlOutcome::NotXml},
        {"Redirected to /", XmlOutcome::NotXml},
    };
    for (const auto& [body, outcome] : cases) {
        MultiStatus parsed;
        parsed.syncToken = "stale";
        EXPECT_EQ(ReadMultiStatus(body, parsed), outcome) << body.constData();
        EXPECT_TRUE(parsed.responses.empty());
        EXPECT_TRUE(parsed.syncToken.isEmpty());
    }
}

// A reply as a model: per response an href, an optional inner status, and
// propstats of properties with hrefs, child elements, comps and text.
struct ModelProp {
    DavName name;
    QString text;
    QStringList hrefs;
    std::vector<DavName> children;
    QStringList comps;
};
struct ModelPropStat {
    int status;
    std::vector<ModelProp> props;
};
struct ModelResponse {
    QString href;
    int status = 0;
    std::vector<ModelPropStat> propstats;
};

class ReplyWriter {
  public:
    explicit ReplyWriter(std::mt19937& random) : random_(random) {}

    QByteArray Write(const std::vector<ModelResponse>& responses) {
        QByteArray out;
        QXmlStreamWriter xml(&out);
        xml.writeStartDocument();
        // Any prefix for any namespace, and sometimes the default one.
        const QString prefixes[] = {"", "d", "D", "ns0", "a"};
        xml.writeNamespace(DavNames::kDav, prefixes[Pick(5)]);
        xml.writeNamespace(DavNames::kCalDav, Pick(2) ? QString("C") : QString("ns1"));
        xml.writeStartElement(DavNames::kDav, "multistatus");
        for (const ModelResponse& response : responses) {
            xml.writeStartElement(DavNames::kDav, "response");
            xml.writeTextElement(DavNames::kDav, "href", response.href);
            if (response.status != 0) {
                xml.writeTextElement(DavNames::kDav, "status", StatusLine(response.status));
            }
            for (const ModelPropStat& propstat : response.propstats) {
                WritePropStat(xml, propstat);
            }
            xml.writeEndElement();
        }
        xml.writeEndElement();
        xml.writeEndDocument();
        return out;
    }

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

  private:
    static QString StatusLine(int status) { return QString("HTTP/1.1 %1 Whatever").arg(status); }

    void WritePropStat(QXmlStreamWriter& xml, const ModelPropStat& propstat) {
        xml.writeStartElement(DavNames::kDav, "propstat");
        // The status may come before or after the properties.
        const bool statusFirst = Pick(2) == 0;
        if (statusFirst) {
            xml.writeTextElement(DavNames::kDav, "status", StatusLine(propstat.status));
        }
        xml.writeStartElement(DavNames::kDav, "prop");
        for (const ModelProp& prop : propstat.props) {
            xml.writeStartElement(prop.name.ns, prop.name.local);
            for (const DavName& child : prop.children) {
                xml.writeEmptyElement(child.ns, child.local);
                if (child.local == "comp") {
                    xml.writeAttribute("name", prop.comps[0]);
                }
            }
            for (const QString& href : prop.hrefs) {
                xml.writeTextElement(DavNames::kDav, "href", href);
            }
            xml.writeCharacters(prop.text);
            xml.writeEndElement();
        }
        xml.writeEndElement();
        if (!statusFirst) {
            xml.writeTextElement(DavNames::kDav, "status", StatusLine(propstat.status));
        }
        xml.writeEndElement();
    }

    std::mt19937& random_;
};

TEST(MultiStatusTest, AnyReplyWrittenFromAModelReadsBackAsTheModel) {
    std::mt19937 random(35);
    ReplyWriter writer(random);
    const DavName names[] = {DavNames::kDisplayName,     DavNames::kGetEtag,
                             DavNames::kCalendarHomeSet, DavNames::kResourceType,
                             DavNames::kComponentSet,    DavName{"urn:x", "odd"}};
    const QString texts[] = {"", "veskat", QString::fromUtf8("反復 & <>"), "\"3-4\"", " a b "};
    const int statuses[] = {200, 207, 404, 403, 500};
    for (int run = 0; run < 200; ++run) {
        std::vector<ModelResponse> model(static_cast<std::size_t>(writer.Pick(4)));
        for (std::size_t i = 0; i < model.size(); ++i) {
            ModelResponse& response = model[i];
            response.href = QString("/u/l%1/%2").arg(run).arg(i);
            response.status = writer.Pick(3) == 0 ? statuses[writer.Pick(5)] : 0;
            for (int s = writer.Pick(3); s > 0; --s) {
                ModelPropStat propstat{statuses[writer.Pick(5)], {}};
                for (int p = writer.Pick(4); p > 0; --p) {
                    ModelProp prop{names[writer.Pick(6)], texts[writer.Pick(5)], {}, {}, {}};
                    for (int h = writer.Pick(3); h > 0; --h) {
                        prop.hrefs.push_back(QString("/h%1/").arg(h));
                    }
                    if (writer.Pick(2) == 0) {
                        prop.children = {DavNames::kCollection};
                    } else if (writer.Pick(2) == 0) {
                        prop.children = {DavName{DavNames::kCalDav, "comp"}};
                        prop.comps = {writer.Pick(2) ? "VTODO" : "VEVENT"};
                    }
                    propstat.props.push_back(prop);
                }
                response.propstats.push_back(propstat);
            }
        }
        const QByteArray body = writer.Write(model);
        const MultiStatus parsed = Read(body);
        ASSERT_EQ(parsed.responses.size(), model.size()) << body.constData();
        for (std::size_t i = 0; i < model.size(); ++i) {
            const DavResponse& got = parsed.responses[i];
            EXPECT_EQ(got.href, model[i].href);
            EXPECT_EQ(got.status, model[i].status);
            std::vector<const ModelProp*> found;
            for (const ModelPropStat& propstat : model[i].propstats) {
                for (const ModelProp& prop : propstat.props) {
                    if (propstat.status >= 200 && propstat.status < 300) {
                        found.push_back(&prop);
                    }
                }
            }
            ASSERT_EQ(got.found.size(), found.size()) << body.constData();
            for (std::size_t p = 0; p < found.size(); ++p) {
                EXPECT_EQ(got.found[p].name, found[p]->name);
                EXPECT_EQ(got.found[p].hrefs, found[p]->hrefs);
                std::vector<DavName> children = found[p]->children;
                for (qsizetype h = 0; h < found[p]->hrefs.size(); ++h) {
                    children.push_back({DavNames::kDav, "href"});
                }
                EXPECT_EQ(got.found[p].children, children);
                EXPECT_EQ(got.found[p].compNames, found[p]->comps);
                EXPECT_EQ(got.found[p].text, found[p]->hrefs.join("") + found[p]->text)
                    << body.constData();
            }
        }
    }
}

}  // namespace
