// The program's FTP client for one start-up fetch or one save: log in, send a
// data file, fetch a data file. Passive mode, type A, overwriting; every line
// travels as one CR LF and the local files keep CR LF lines.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

// What the server made of a single command or a small fetch.
enum class ServerReply { Done, Refused, NoAnswer };

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
    // The local file is replaced only when the whole file arrived. 0 on
    // success; 1 the server answered that it has no such file (the local file
    // is left alone and the login stays open); -1 otherwise (a server name
    // holding CR, LF or NUL is refused before any connection). A new local
    // file takes the permissions of `dataFile` when that names a file.
    [[nodiscard]] int Download(const std::string& serverFile, const std::string& localFile,
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
    // Fetches a small text file whole into `bytes`. Done fetched; Refused
    // no such file; NoAnswer otherwise.
    [[nodiscard]] ServerReply FetchText(const std::string& serverFile, std::string& bytes);
    // Lists the folder `serverDir` into `names`. Done listed; NoAnswer
    // otherwise (no such folder included).
    [[nodiscard]] ServerReply ListDir(const std::string& serverDir, std::string& names);

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
    // RETR or LIST of `url` into `bytes`, as FetchText.
    ServerReply FetchInto(const std::string& url, std::string& bytes);
    // RETR or LIST of `url` over the open login when there is one, each piece
    // handed to `write` with `sink`; libcurl's result.
    int Retrieve(const std::string& url,
                 std::size_t (*write)(char*, std::size_t, std::size_t, void*), void* sink);
    // Deletes `serverFile`, best effort: over the connection of the failed
    // transfer when libcurl kept it, otherwise with a fresh login.
    void RemoveServerFile(const std::string& serverFile);
};
