// DavClient on libcurl. One easy handle lives as long as the object, so a
// discovery or a sync reuses one connection for all its requests.
#include "DavClient.h"

#include <curl/curl.h>

#include <utility>
#include <vector>

#include "DavAddress.h"
#include "SecretText.h"

struct DavClient::Handle {
    CURL* easy = nullptr;
};

struct DavClient::Request {
    const char* method = "GET";
    QUrl url;
    std::vector<QByteArray> headers;
    QByteArray body;
    bool hasBody = false;
};

namespace {

constexpr long kConnectSeconds = 20;

constexpr const char* kXmlType = "Content-Type: application/xml; charset=utf-8";
constexpr const char* kCalendarType = "Content-Type: text/calendar; charset=utf-8";

const char* DepthHeader(DavDepth depth) {
    switch (depth) {
        case DavDepth::Zero:
            return "Depth: 0";
        case DavDepth::One:
            return "Depth: 1";
        case DavDepth::Infinity:
            break;
    }
    return "Depth: infinity";
}

// A header value from a server's reply goes back in a header of ours: a line
// break in it would let the server's text add headers of its own.
bool IsHeaderSafe(const QByteArray& value) {
    return !value.contains('\r') && !value.contains('\n') && !value.contains('\0');
}

struct ReplySink {
    DavReply* reply = nullptr;
    std::size_t limit = 0;
    bool overflowed = false;
};

std::size_t TakeBody(char* data, std::size_t size, std::size_t count, void* userData) {
    auto* sink = static_cast<ReplySink*>(userData);
    const std::size_t length = size * count;
    if (static_cast<std::size_t>(sink->reply->body.size()) + length > sink->limit) {
        sink->overflowed = true;
        return 0;
    }
    sink->reply->body.append(data, static_cast<qsizetype>(length));
    return length;
}

// Header lines of every response that arrives, so that a 401 before the
// answer leaves none of its headers behind.
std::size_t TakeHeader(char* data, std::size_t size, std::size_t count, void* userData) {
    auto* reply = static_cast<ReplySink*>(userData)->reply;
    const std::size_t length = size * count;
    const QByteArray line = QByteArray(data, static_cast<qsizetype>(length)).trimmed();
    if (line.startsWith("HTTP/")) {
        reply->etag.clear();
        reply->location.clear();
        reply->contentType.clear();
        return length;
    }
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0) {
        return length;
    }
    const QByteArray name = line.left(colon).trimmed().toLower();
    const QByteArray value = line.mid(colon + 1).trimmed();
    if (name == "etag") {
        reply->etag = value;
    } else if (name == "location") {
        reply->location = value;
    } else if (name == "content-type") {
        reply->contentType = value;
    }
    return length;
}

DavReply Unsent(DavOutcome outcome) {
    DavReply reply;
    reply.outcome = outcome;
    return reply;
}

DavOutcome FromStatus(long status) {
    if (status >= 200 && status < 300) {
        return DavOutcome::Done;
    }
    switch (status) {
        case 401:
            return DavOutcome::NotAuthorised;
        case 403:
            return DavOutcome::Forbidden;
        case 404:
        case 410:
            return DavOutcome::NotFound;
        case 412:
            return DavOutcome::PreconditionFailed;
        default:
            return DavOutcome::Refused;
    }
}

}  // namespace

DavClient::DavClient() : curl_(new Handle) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    curl_->easy = curl_easy_init();
}

DavClient::~DavClient() {
    if (curl_->easy != nullptr) {
        curl_easy_cleanup(curl_->easy);
    }
    delete curl_;
    curl_global_cleanup();
    WipeText(password_);
}

void DavClient::SetLogin(const std::string& userId, const std::string& password) {
    userId_ = userId;
    WipeText(password_);
    password_ = password;
}

int DavClient::OnProgress(void* self, long long, long long downloaded, long long,
                          long long uploaded) {
    auto* client = static_cast<DavClient*>(self);
    client->bytesMoved_ = client->bytesBefore_ + downloaded + uploaded;
    return client->cancelled_ ? 1 : 0;
}

void DavClient::ApplyOptions(const QUrl& url) {
    CURL* easy = curl_->easy;
    // Resetting keeps the handle's live connections for the next request.
    curl_easy_reset(easy);
    const bool tls = url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    // CheckAddress allowed this URL; libcurl may not wander to another scheme.
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, tls ? "https" : "http");
    // A redirect is the caller's to judge: a PUT or DELETE sent on to
    // another address would change what nobody read, and the login would
    // follow it to a host the user never named.
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    // Verbose output would print the Authorization header.
    curl_easy_setopt(easy, CURLOPT_VERBOSE, 0L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // Plain http to this computer must not go out through a proxy.
    curl_easy_setopt(easy, CURLOPT_NOPROXY, "127.0.0.1,::1,localhost");
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, stallSeconds_);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "veskat");
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    if (!userId_.empty()) {
        // Basic goes with the first request, never after a probe without
        // it; the address rules keep it inside TLS or on this computer.
        curl_easy_setopt(easy, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
        curl_easy_setopt(easy, CURLOPT_USERNAME, userId_.c_str());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, password_.c_str());
    }
    if (tls) {
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
        curl_easy_setopt(easy, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
        if (!caFile_.empty()) {
            curl_easy_setopt(easy, CURLOPT_CAINFO, caFile_.c_str());
        }
    }
}

DavReply DavClient::Send(const Request& request) {
    if (cancelled_) {
        return Unsent(DavOutcome::Cancelled);
    }
    if (CheckAddress(request.url) != AddressVerdict::Allowed) {
        return Unsent(DavOutcome::AddressRefused);
    }
    for (const QByteArray& header : request.headers) {
        if (!IsHeaderSafe(header)) {
            return Unsent(DavOutcome::NotSent);
        }
    }
    DavReply reply;
    ApplyOptions(request.url);
    CURL* easy = curl_->easy;
    const QByteArray url = request.url.toEncoded();
    curl_easy_setopt(easy, CURLOPT_URL, url.constData());
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.method);
    if (request.hasBody) {
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.body.constData());
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.body.size()));
    }
    // No "Expect: 100-continue" wait before a large body.
    curl_slist* headers = curl_slist_append(nullptr, "Expect:");
    for (const QByteArray& header : request.headers) {
        headers = curl_slist_append(headers, header.constData());
    }
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    ReplySink sink{&reply, replyLimit_, false};
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, TakeBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, TakeHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &sink);

    const CURLcode result = curl_easy_perform(easy);
    curl_slist_free_all(headers);
    bytesBefore_ = bytesMoved_;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &reply.status);
    curl_off_t connectMicros = 0;
    curl_easy_getinfo(easy, CURLINFO_CONNECT_TIME_T, &connectMicros);
    switch (result) {
        case CURLE_OK:
            reply.outcome = FromStatus(reply.status);
            return reply;
        case CURLE_ABORTED_BY_CALLBACK:
            reply.outcome = DavOutcome::Cancelled;
            break;
        case CURLE_WRITE_ERROR:
            reply.outcome = sink.overflowed ? DavOutcome::TooLarge : DavOutcome::Unreachable;
            break;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_CERTPROBLEM:
            reply.outcome = DavOutcome::CertificateRefused;
            break;
        case CURLE_OPERATION_TIMEDOUT:
            reply.outcome = connectMicros > 0 ? DavOutcome::Stalled : DavOutcome::Unreachable;
            break;
        default:
            reply.outcome = DavOutcome::Unreachable;
            break;
    }
    // Only a whole answer counts; a part of one must not pass for all of it.
    reply.body.clear();
    return reply;
}

DavReply DavClient::Propfind(const QUrl& url, DavDepth depth, const QByteArray& body) {
    return Send({"PROPFIND", url, {kXmlType, DepthHeader(depth)}, body, true});
}

DavReply DavClient::Report(const QUrl& url, DavDepth depth, const QByteArray& body) {
    return Send({"REPORT", url, {kXmlType, DepthHeader(depth)}, body, true});
}

DavReply DavClient::MkCalendar(const QUrl& url, const QByteArray& body) {
    // The request makes this one collection and nothing below it.
    return Send({"MKCALENDAR", url, {kXmlType, DepthHeader(DavDepth::Zero)}, body, true});
}

DavReply DavClient::Get(const QUrl& url) {
    return Send({"GET", url, {}, {}, false});
}

DavReply DavClient::Put(const QUrl& url, const QByteArray& icalendar,
                        const WriteCondition& condition) {
    if (!condition.CreatesOnly() && condition.Etag().isEmpty()) {
        return Unsent(DavOutcome::NotSent);
    }
    const QByteArray match =
        condition.CreatesOnly() ? QByteArray("If-None-Match: *") : "If-Match: " + condition.Etag();
    return Send({"PUT", url, {kCalendarType, match}, icalendar, true});
}

DavReply DavClient::Delete(const QUrl& url, const QByteArray& etag) {
    if (etag.isEmpty()) {
        return Unsent(DavOutcome::NotSent);
    }
    return Send({"DELETE", url, {"If-Match: " + etag}, {}, false});
}
