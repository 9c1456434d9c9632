// The program's FTP client for one start-up fetch or one save: log in, send a
// data file, fetch a data file. Passive mode, type A, overwriting; every line
// travels as one CR LF and the local files keep CR LF lines.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

// What the server made of a single command.
enum class ServerReply { Done, Refused, NoAnswer };

// What fetching one file from the server came to. A refused RETR says only
// that the server did not send the file; whether the file is there is then
// told by a listing of its folder, the one answer that proves it missing.
enum class ServerFetch {
    Fetched,   // every byte arrived
    NotThere,  // the folder's listing has no such name, or there is no such folder
    Refused,   // the name is there but the server did not send it (no right to read
               // it, a folder, a data connection reset): LastRefusal() may tell why
    Failed,    // the connection failed, broke off, was too slow or was cancelled
};

// When a transfer counts as failed: no connection within `connect`, or fewer
// than `lowSpeedBytes` a second for `lowSpeedTime` (a server that trickles
// holds the window as long as one that stopped). Tests shorten it.
struct TransferTiming {
    std::chrono::seconds connect{20};
    long lowSpeedBytes = 100;
    std::chrono::seconds lowSpeedTime{30};
};
TransferTiming& FtpTransferTiming();

// What FetchText keeps of a small file: lock notes and generations are a few
// lines, and a file of another kind by their name must not fill the memory.
inline constexpr std::size_t kSmallFileLimit = 4096;

class CFtpTransfer {
  public:
    CFtpTransfer();
    // Closes every connection the object opened.
    ~CFtpTransfer();
    CFtpTransfer(const CFtpTransfer&) = delete;
    CFtpTransfer& operator=(const CFtpTransfer&) = delete;

    // Copies the login and the address (user and password go to the server
    // exactly as given, empty ones included). Returns 0.
    int Setup(const std::string& userName, const std::string& password, const std::string& hostName,
              std::int32_t port);
    // Explicit TLS 1.2 (AUTH TLS) on the control and every data connection,
    // before the login is sent; the server's certificate and name are verified
    // against the system's store, or against the PEM file `caFile` when it is
    // not empty. A failed handshake or verification fails the operation. A
    // server that refuses TLS 1.2 when Connect logs in gets TLS 1.3, and a
    // login of its own for every operation.
    void SetTls(bool on, const std::string& caFile);

    // Opens a connection and logs in. 0 when open, -1 otherwise (a user name
    // or password holding CR, LF or NUL is refused before any connection).
    [[nodiscard]] int Connect();
    // Sends `localFile` over the connection Connect opened and stores it as
    // `serverFile`, replacing a file of that name. The server's file is
    // replaced only by a whole upload, and one that breaks off takes its
    // partial copy away where the server allows. 0 on success, -1 otherwise.
    [[nodiscard]] int Upload(const std::string& localFile, const std::string& serverFile);
    // Fetches `serverFile` into `localFile`, over the login of Connect or of
    // the previous operation when it is still open, else logging in afresh.
    // The local file is replaced only when the whole file arrived (Fetched);
    // otherwise it is left alone. A server name holding CR, LF or NUL is
    // Failed before any connection. A new local file takes the permissions
    // of `dataFile` when that names a file.
    [[nodiscard]] ServerFetch Download(const std::string& serverFile, const std::string& localFile,
                                       const std::string& dataFile = {});

    // Single commands on the server, over the login of Connect (or a fresh
    // one). Each answers Done; Refused, the server refused the command (the
    // name exists, is missing, or may not be touched); NoAnswer (connection
    // failed, cancelled, or a name holding CR, LF or NUL).
    [[nodiscard]] ServerReply MakeDir(const std::string& serverDir);
    [[nodiscard]] ServerReply RemoveDir(const std::string& serverDir);
    [[nodiscard]] ServerReply DeleteFile(const std::string& serverFile);
    // RNFR `from`, RNTO `to`; whether an existing `to` is replaced is the server's choice.
    [[nodiscard]] ServerReply RenameFile(const std::string& from, const std::string& to);
    // Stores `localFile` as `serverFile` directly, with no temporary name:
    // for names nobody else reads. Done stored; NoAnswer otherwise.
    [[nodiscard]] ServerReply UploadAs(const std::string& localFile, const std::string& serverFile);
    // Fetches a small text file into `bytes`, at most `limit` bytes of it (a
    // longer one is Fetched cut there); as Download otherwise.
    [[nodiscard]] ServerFetch FetchText(const std::string& serverFile, std::string& bytes,
                                        std::size_t limit = kSmallFileLimit);
    // Lists the folder `serverDir` ("" the login folder) into `names`, as the
    // server's LIST gives it. Done listed; NoAnswer otherwise (no such folder
    // included, and a listing too long to hold).
    [[nodiscard]] ServerReply ListDir(const std::string& serverDir, std::string& names);
    // The server's reply to the last read it Refused, as printable ASCII of at
    // most a line ("550 Permission denied."); empty when it gave none.
    const std::string& LastRefusal() const { return lastRefusal_; }

    // May be called from any thread while an operation runs on another: the
    // running operation fails at its next progress report (libcurl reports at
    // least once a second, also while it waits), and every later one fails
    // at once. There is no way back; a new transfer object starts afresh.
    void Cancel() { cancelled_ = true; }
    bool Cancelled() const { return cancelled_; }
    // Bytes the running operation has moved so far, either way; for a
    // progress display on another thread.
    std::int64_t BytesMoved() const { return bytesMoved_; }

  private:
    struct Handle;
    Handle* curl_;
    std::string userName_;
    std::string password_;
    std::string hostName_;
    std::int32_t port_ = 21;
    bool connected_ = false;
    bool tls_ = false;
    bool tls13Only_ = false;  // the server refused TLS 1.2 at the login
    std::string caFile_;
    std::atomic<bool> cancelled_{false};
    std::atomic<std::int64_t> bytesMoved_{0};
    std::string lastReply_;    // the last 4xx or 5xx reply of the running operation
    std::string lastRefusal_;  // what LastRefusal() tells

    static int OnProgress(void* self, std::int64_t downTotal, std::int64_t downNow,
                          std::int64_t upTotal, std::int64_t upNow);

    // What one STOR left on the server.
    enum class Stored {
        kWhole,        // stored, and renamed when asked
        kNotRenamed,   // a command around the transfer, in practice the rename, was refused
        kBrokenOff,    // the transfer failed; a partial copy may be there
        kNothingSent,  // the local file could not be opened
    };

    void ApplyCommonOptions();
    // Runs the transfer set up on the handle to its end; libcurl's result.
    int Perform();
    // Logs in to `url` (the login folder) and stays; libcurl's result.
    int LogIn(const std::string& url);
    void ApplyTransferOptions(struct curl_slist* typeAscii);
    // "ftp://host:port/" followed by `serverFile`; empty for a host name that
    // cannot stand in a URL or a login that cannot travel in a command line.
    std::string UrlFor(const std::string& serverFile) const;
    // Sends the file as `serverFile` and then, when `renameTo` is not empty,
    // renames it to that name.
    Stored Store(const std::string& localFile, const std::string& serverFile,
                 const std::string& renameTo);
    // Sends `command` alone after the login; as MakeDir.
    ServerReply RunCommand(const std::string& command, const std::string& second = {});
    // RETR or LIST of `url` into `bytes`, at most `limit` of them; libcurl's
    // result, CURLE_OK also for a text cut at the limit (`cut` then true).
    int FetchInto(const std::string& url, std::string& bytes, std::size_t limit, bool& cut);
    // RETR or LIST of `url` over the open login when there is one, each piece
    // handed to `write` with `sink`; libcurl's result.
    int Retrieve(const std::string& url,
                 std::size_t (*write)(char*, std::size_t, std::size_t, void*), void* sink);
    // What a RETR of `serverFile` that ended in libcurl's `result` came to,
    // asking the folder's listing where the server may only have refused it.
    ServerFetch AfterFailedRead(const std::string& serverFile, int result);
    // Whether `serverPath` is in its folder's listing: Present, Absent (also
    // when the folder itself is absent from its own folder's), or Unknown
    // when no listing could tell.
    enum class Presence { Present, Absent, Unknown };
    Presence PresenceOf(const std::string& serverPath, int foldersUp);
    static std::size_t OnReply(char* data, std::size_t size, std::size_t count, void* self);
    // Deletes `serverFile`, best effort: over the connection of the failed
    // transfer when libcurl kept it, otherwise with a fresh login.
    void RemoveServerFile(const std::string& serverFile);
};
