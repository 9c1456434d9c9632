// What DavClient puts on the wire and how it takes answers that a real
// server gives only when something is wrong, against http_probe.py, which
// logs every request it gets: the headers of every method, redirects never
// followed, replies beyond the limit, a stalled server, and requests that
// must not be sent at all.
#include <gtest/gtest.h>

#include <QJsonObject>

#include "ChildProcess.h"
#include "DavClient.h"
#include "HttpProbe.h"

namespace {

class DavClientTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(probe_.Running()); }

    QString Header(const QJsonObject& request, const char* name) const {
        return request["headers"].toObject()[QLatin1String(name)].toString();
    }

    HttpProbe probe_;
    DavClient client_;
};

TEST_F(DavClientTest, EveryMethodSendsItsTypeDepthAndCondition) {
    const QByteArray xml = "<d:propfind xmlns:d=\"DAV:\"/>";
    // ETags go back exactly as a server wrote them, weak mark and quotes included.
    const QByteArray etag = "W/\"3-\\\"x\\\"\"";
    const QUrl url = probe_.Url("/list/a.ics");
    struct Case {
        const char* method;
        DavReply (*send)(DavClient&, const QUrl&, const QByteArray&, const QByteArray&);
        const char* contentType;
        const char* depth;
        const char* ifMatch;
        const char* ifNoneMatch;
    };
    const Case cases[] = {
        {"PROPFIND",
         [](DavClient& c, const QUrl& u, const QByteArray& b, const QByteArray&) {
             return c.Propfind(u, DavDepth::One, b);
         },
         "application/xml; charset=utf-8", "1", "", ""},
        {"REPORT",
         [](DavClient& c, const QUrl& u, const QByteArray& b, const QByteArray&) {
             return c.Report(u, DavDepth::Infinity, b);
         },
         "application/xml; charset=utf-8", "infinity", "", ""},
        {"MKCALENDAR",
         [](DavClient& c, const QUrl& u, const QByteArray& b, const QByteArray&) {
             return c.MkCalendar(u, b);
         },
         "application/xml; charset=utf-8", "0", "", ""},
        {"PUT",
         [](DavClient& c, const QUrl& u, const QByteArray& b, const QByteArray&) {
             return c.Put(u, b, WriteCondition::CreateOnly());
         },
         "text/calendar; charset=utf-8", "", "", "*"},
        {"PUT",
         [](DavClient& c, const QUrl& u, const QByteArray& b, const QByteArray& e) {
             return c.Put(u, b, WriteCondition::IfMatch(e));
         },
         "text/calendar; charset=utf-8", "", etag.constData(), ""},
        {"DELETE",
         [](DavClient& c, const QUrl& u, const QByteArray&, const QByteArray& e) {
             return c.Delete(u, e);
         },
         "", "", etag.constData(), ""},
        {"GET",
         [](DavClient& c, const QUrl& u, const QByteArray&, const QByteArray&) { return c.Get(u); },
         "", "", "", ""},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const DavReply reply = c.send(client_, url, xml, etag);
        EXPECT_EQ(reply.outcome, DavOutcome::Done) << c.method;
        EXPECT_EQ(reply.status, 207) << c.method;
        EXPECT_EQ(reply.etag, "\"e1\"") << c.method;
        const std::vector<QJsonObject> requests = probe_.Requests();
        ASSERT_EQ(requests.size(), i + 1) << c.method;
        const QJsonObject& got = requests.back();
        EXPECT_EQ(got["method"].toString(), QLatin1String(c.method));
        EXPECT_EQ(Header(got, "content-type"), QLatin1String(c.contentType)) << c.method;
        EXPECT_EQ(Header(got, "depth"), QLatin1String(c.depth)) << c.method;
        EXPECT_EQ(Header(got, "if-match"), QLatin1String(c.ifMatch)) << c.method;
        EXPECT_EQ(Header(got, "if-none-match"), QLatin1String(c.ifNoneMatch)) << c.method;
        EXPECT_EQ(Header(got, "expect"), QString()) << c.method;
        const bool hasBody = std::string(c.contentType).size() > 0;
        EXPECT_EQ(got["body"].toString().toUtf8(), hasBody ? xml : QByteArray()) << c.method;
    }
}

TEST_F(DavClientTest, NoRedirectIsEverFollowed) {
    const QUrl url = probe_.Url("/redirect/a.ics");
    const DavReply replies[] = {
        client_.Put(url, "BEGIN:VCALENDAR", WriteCondition::CreateOnly()),
        client_.Delete(url, "\"e\""),
        client_.Propfind(url, DavDepth::Zero, "<x/>"),
    };
    for (const DavReply& reply : replies) {
        EXPECT_EQ(reply.outcome, DavOutcome::Refused);
        EXPECT_EQ(reply.status, 301);
        EXPECT_EQ(reply.location, "/moved/");
    }
    const std::vector<QJsonObject> requests = probe_.Requests();
    ASSERT_EQ(requests.size(), 3u);
    for (const QJsonObject& request : requests) {
        EXPECT_EQ(request["path"].toString(), QLatin1String("/redirect/a.ics"));
    }
}

TEST_F(DavClientTest, AReplyBeyondTheLimitIsDroppedWhole) {
    client_.SetReplyLimit(64 * 1024);
    const DavReply within = client_.Get(probe_.Url("/big/65536"));
    EXPECT_EQ(within.outcome, DavOutcome::Done);
    EXPECT_EQ(within.body.size(), 65536);
    const DavReply beyond = client_.Get(probe_.Url("/big/65537"));
    EXPECT_EQ(beyond.outcome, DavOutcome::TooLarge);
    EXPECT_TRUE(beyond.body.isEmpty());
}

TEST_F(DavClientTest, AStalledServerIsGivenUpAndItsPartNotTaken) {
    client_.SetStallSeconds(2);
    const DavReply reply = client_.Get(probe_.Url("/stall"));
    EXPECT_EQ(reply.outcome, DavOutcome::Stalled);
    EXPECT_TRUE(reply.body.isEmpty());
}

TEST_F(DavClientTest, StatusesNameTheirOutcomes) {
    const std::pair<int, DavOutcome> cases[] = {
        {201, DavOutcome::Done},
        {204, DavOutcome::Done},
        {401, DavOutcome::NotAuthorised},
        {403, DavOutcome::Forbidden},
        {404, DavOutcome::NotFound},
        {410, DavOutcome::NotFound},
        {412, DavOutcome::PreconditionFailed},
        {415, DavOutcome::Refused},
        {500, DavOutcome::Refused},
        {307, DavOutcome::Refused},
    };
    for (const auto& [status, outcome] : cases) {
        const DavReply reply = client_.Get(probe_.Url("/status/" + QString::number(status)));
        EXPECT_EQ(reply.outcome, outcome) << status;
        EXPECT_EQ(reply.status, status);
    }
}

TEST_F(DavClientTest, WhatMayNotTravelIsNeverSent) {
    const QUrl url = probe_.Url("/list/a.ics");
    // A line break in an ETag from a server would add a header of its own.
    EXPECT_EQ(client_.Delete(url, "\"e\"\r\nX-Evil: 1").outcome, DavOutcome::NotSent);
    EXPECT_EQ(client_.Put(url, "x", WriteCondition::IfMatch("\"e\"\nX: 1")).outcome,
              DavOutcome::NotSent);
    // A write with no ETag to match would replace or remove unseen changes.
    EXPECT_EQ(client_.Delete(url, "").outcome, DavOutcome::NotSent);
    EXPECT_EQ(client_.Put(url, "x", WriteCondition::IfMatch("")).outcome, DavOutcome::NotSent);
    // The password would cross the network in clear.
    QUrl elsewhere = url;
    elsewhere.setHost("10.0.0.1");
    EXPECT_EQ(client_.Get(elsewhere).outcome, DavOutcome::AddressRefused);
    QUrl withLogin = url;
    withLogin.setUserInfo("alice:secret");
    EXPECT_EQ(client_.Get(withLogin).outcome, DavOutcome::AddressRefused);
    EXPECT_TRUE(probe_.Requests().empty());
}

TEST_F(DavClientTest, TheLoginTravelsAsBasicInUtf8) {
    client_.SetLogin("alice", "p\xC3\xA4ss");
    EXPECT_EQ(client_.Get(probe_.Url("/x")).outcome, DavOutcome::Done);
    const std::vector<QJsonObject> requests = probe_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(Header(requests[0], "authorization"),
              QLatin1String("Basic ") + QByteArray("alice:p\xC3\xA4ss").toBase64());
}

TEST_F(DavClientTest, CancelledAndUnreachableClientsSayWhy) {
    DavClient closed;
    QUrl nobody = probe_.Url("/x");
    nobody.setPort(FreeLoopbackPort());
    EXPECT_EQ(closed.Get(nobody).outcome, DavOutcome::Unreachable);
    client_.Cancel();
    EXPECT_EQ(client_.Get(probe_.Url("/x")).outcome, DavOutcome::Cancelled);
    EXPECT_TRUE(probe_.Requests().empty());
}

}  // namespace
