// The program's HTTP client for CalDAV servers, on libcurl: one request at a
// time, each answered with a DavReply whose outcome names what happened.
// Discovery, the start-up check and the sync of the task lists make every
// request through here, so the safety rules live in one place: https with the
// certificate verified (plain http only to this computer), no redirect ever
// followed, bodies of a bounded size, a stalled transfer given up.
//
// Thread safety: one thread at a time uses an object; Cancel() may be called
// from any thread.
#pragma once

#include <QByteArray>
#include <QUrl>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

enum class [[nodiscard]] DavOutcome{
    Done,                // a 2xx answer (207 included: its inner statuses are the caller's)
    NotAuthorised,       // 401: the user ID or the password was refused
    Forbidden,           // 403
    NotFound,            // 404 or 410
    PreconditionFailed,  // 412: the resource is not as the condition said
    Refused,             // any other status; redirects included, never followed
    AddressRefused,      // the URL failed CheckAddress: nothing was sent
    NotSent,             // a header the caller gave could not travel safely: nothing was sent
    CertificateRefused,  // the server's certificate or name did not verify
    Unreachable,         // no connection: name unknown, refused, or timed out
    Stalled,             // the connection moved no data for the stall time
    TooLarge,            // the reply was longer than the limit; its body is dropped
    Cancelled,
};

// What one request got back.
struct [[nodiscard]] DavReply {
    DavOutcome outcome = DavOutcome::Unreachable;
    long status = 0;      // the HTTP status, 0 when none arrived
    QByteArray body;      // at most the client's reply limit
    QByteArray etag;      // the ETag header exactly as received, quotes and W/ included
    QByteArray location;  // the Location header, for a redirect or a made resource
    QByteArray contentType;
};

// How far below the URL a PROPFIND or REPORT reaches.
enum class DavDepth { Zero, One, Infinity };

// The condition a write is made under, so that it never replaces or removes
// what another program changed since it was read.
class WriteCondition {
  public:
    // If-None-Match: *. The write fails with PreconditionFailed when the
    // resource already exists.
    static WriteCondition CreateOnly() { return WriteCondition(QByteArray()); }
    // If-Match with `etag` exactly as the server sent it. An empty ETag
    // cannot make a condition: the request is not sent (NotSent).
    static WriteCondition IfMatch(const QByteArray& etag) { return WriteCondition(etag, true); }

    bool CreatesOnly() const { return !match_; }
    const QByteArray& Etag() const { return etag_; }

  private:
    explicit WriteCondition(QByteArray etag, bool match = false)
        : etag_(std::move(etag)), match_(match) {}
    QByteArray etag_;
    bool match_;
};

class DavClient {
  public:
    static constexpr std::size_t kDefaultReplyLimit = 32 * 1024 * 1024;
    static constexpr long kDefaultStallSeconds = 60;

    DavClient();
    // Overwrites its copy of the password.
    ~DavClient();
    DavClient(const DavClient&) = delete;
    DavClient& operator=(const DavClient&) = delete;

    // The login sent with every request, in UTF-8, as HTTP Basic (over
    // verified TLS or to this computer only). An empty user ID sends none.
    void SetLogin(const std::string& userId, const std::string& password);
    // A PEM file trusted instead of the system's certificates; empty for the
    // system's.
    void SetCaFile(const std::string& caFile) { caFile_ = caFile; }
    // The longest reply body taken in, in bytes.
    void SetReplyLimit(std::size_t bytes) { replyLimit_ = bytes; }
    // How long a connection may move no data before it counts as Stalled.
    void SetStallSeconds(long seconds) { stallSeconds_ = seconds; }

    // The requests. XML bodies go as "application/xml; charset=utf-8" with a
    // Depth header; an iCalendar body as "text/calendar; charset=utf-8".
    DavReply Propfind(const QUrl& url, DavDepth depth, const QByteArray& body);
    DavReply Report(const QUrl& url, DavDepth depth, const QByteArray& body);
    DavReply MkCalendar(const QUrl& url, const QByteArray& body);
    DavReply Get(const QUrl& url);
    DavReply Put(const QUrl& url, const QByteArray& icalendar, const WriteCondition& condition);
    // Deletes only the version the ETag names (If-Match).
    DavReply Delete(const QUrl& url, const QByteArray& etag);

    // The running request fails at its next progress report (at least once
    // a second, also while it waits) and every later one at once, Cancelled.
    void Cancel() { cancelled_ = true; }
    bool Cancelled() const { return cancelled_; }
    // The bytes of request and reply bodies moved so far by every request,
    // for a progress display on another thread.
    std::int64_t BytesMoved() const { return bytesMoved_; }

  private:
    struct Handle;
    struct Request;
    Handle* curl_;
    std::string userId_;
    std::string password_;
    std::string caFile_;
    std::size_t replyLimit_ = kDefaultReplyLimit;
    long stallSeconds_ = kDefaultStallSeconds;
    std::atomic<bool> cancelled_{false};
    std::atomic<std::int64_t> bytesMoved_{0};
    std::int64_t bytesBefore_ = 0;  // of the requests done; the worker's alone

    DavReply Send(const Request& request);
    void ApplyOptions(const QUrl& url);
    static int OnProgress(void* self, long long, long long downloaded, long long,
                          long long uploaded);
};
