// Reading 207 replies: the same reply in any spelling of its namespaces,
// what a failed propstat or an inner status means, and the replies that
// must be refused whole (a DTD, a reply cut short).
#include <gtest/gtest.h>

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

}  // namespace
