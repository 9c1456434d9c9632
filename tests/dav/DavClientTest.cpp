// What DavClient puts on the wire and how it takes answers that a real
// server gives only when something is wrong, against http_probe.py, which
// logs every request it gets: the headers of every method, redirects never
// followed, replies beyond the limit, a stalled server, and requests that
// must not be sent at all.
#include <gtest/gtest.h>

#include <QJsonObject>

#include <functional>

#include "DavClient.h"
#include "HttpProbe.h"

namespace {

class DavClientTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(probe_.Running()); }

    static QString Header(const QJsonObject& request, const char* name) {
        return request["headers"].toObject()[QLatin1String(name)].toString();
    }

    HttpProbe probe_;
    DavClient client_;
};

TEST_F(DavClientTest, EveryMethodSendsItsTypeDepthAndCondition) {
    const QByteArray body = "<d:propfind xmlns:d=\"DAV:\"/>";
    // ETags go back exactly as a server wrote them, weak mark and quotes included.
    const QByteArray etag = "W/\"3-\\\"x\\\"\"";
    const QUrl url = probe_.Url("/list/a.ics");
    const char* xml = "application/xml; charset=utf-8";
    const char* ics = "text/calendar; charset=utf-8";
    const struct {
        std::function<DavReply()> send;
        const char* method;
        const char* type;  // also whether the body went
        const char* depth;
        const char* ifMatch;
        const char* ifNoneMatch;
    } cases[] = {
        {[&] { return client_.Propfind(url, DavDepth::One, body); }, "PROPFIND", xml, "1", "", ""},
        {[&] { return client_.Report(url, DavDepth::Infinity, body); }, "REPORT", xml, "infinity",
         "", ""},
        {[&] { return client_.MkCalendar(url, body); }, "MKCALENDAR", xml, "0", "", ""},
        {[&] { return client_.Put(url, body, WriteCondition::CreateOnly()); }, "PUT", ics, "", "",
         "*"},
        {[&] { return client_.Put(url, body, WriteCondition::IfMatch(etag)); }, "PUT", ics, "",
         etag.constData(), ""},
        {[&] { return client_.Delete(url, etag); }, "DELETE", "", "", etag.constData(), ""},
        {[&] { return client_.Get(url); }, "GET", "", "", "", ""},
    };
    for (const auto& c : cases) {
        const DavReply reply = c.send();
        EXPECT_EQ(reply.outcome, DavOutcome::Done) << c.method;
        EXPECT_EQ(reply.etag, "\"e1\"") << c.method;
        const QJsonObject got = probe_.Requests().back();
        EXPECT_EQ(got["method"].toString(), QLatin1String(c.method));
        EXPECT_EQ(Header(got, "content-type"), QLatin1String(c.type)) << c.method;
        EXPECT_EQ(Header(got, "depth"), QLatin1String(c.depth)) << c.method;
        EXPECT_EQ(Header(got, "if-match"), QLatin1String(c.ifMatch)) << c.method;
        EXPECT_EQ(Header(got, "if-none-match"), QLatin1String(c.ifNoneMatch)) << c.method;
        EXPECT_EQ(got["body"].toString().toUtf8(), *c.type ? body : QByteArray()) << c.method;
    }
    EXPECT_EQ(probe_.Requests().size(), std::size(cases));
}

TEST_F(DavClientTest, NoRedirectIsEverFollowed) {
    const QUrl url = probe_.Url("/redirect/a.ics");
    for (const DavReply& reply : {client_.Put(url, "x", WriteCondition::CreateOnly()),
                                  client_.Delete(url, "\"e\""), client_.Get(url)}) {
        EXPECT_EQ(reply.outcome, DavOutcome::Refused);
        EXPECT_EQ(reply.status, 301);
        EXPECT_EQ(reply.location, "/moved/");
    }
    EXPECT_EQ(probe_.Requests().size(), 3u);
}

TEST_F(DavClientTest, AReplyBeyondTheLimitOrStalledIsDroppedWhole) {
    client_.SetReplyLimit(64 * 1024);
    EXPECT_EQ(client_.Get(probe_.Url("/big/65536")).body.size(), 65536);
    const DavReply beyond = client_.Get(probe_.Url("/big/65537"));
    EXPECT_EQ(beyond.outcome, DavOutcome::TooLarge);
    EXPECT_TRUE(beyond.body.isEmpty());
    client_.SetStallSeconds(2);
    const DavReply stalled = client_.Get(probe_.Url("/stall"));
    EXPECT_EQ(stalled.outcome, DavOutcome::Stalled);
    EXPECT_TRUE(stalled.body.isEmpty());
}

TEST_F(DavClientTest, WhatMayNotTravelIsNeverSent) {
    const QUrl url = probe_.Url("/list/a.ics");
    // A line break in an ETag from a server would add a header of its own.
    EXPECT_EQ(client_.Delete(url, "\"e\"\r\nX-Evil: 1").outcome, DavOutcome::NotSent);
    // A write with no ETag to match would replace or remove unseen changes.
    EXPECT_EQ(client_.Delete(url, "").outcome, DavOutcome::NotSent);
    EXPECT_EQ(client_.Put(url, "x", WriteCondition::IfMatch("")).outcome, DavOutcome::NotSent);
    // The password would cross the network in clear, or sit in the URL.
    QUrl elsewhere = url;
    elsewhere.setHost("10.0.0.1");
    EXPECT_EQ(client_.Get(elsewhere).outcome, DavOutcome::AddressRefused);
    QUrl withLogin = url;
    withLogin.setUserInfo("alice:secret");
    EXPECT_EQ(client_.Get(withLogin).outcome, DavOutcome::AddressRefused);
    EXPECT_TRUE(probe_.Requests().empty());
}

}  // namespace
