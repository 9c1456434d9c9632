// A real FTP server for the tests: ftp_server.py under /usr/bin/python3, serving a temporary
// folder on 127.0.0.1 at a free port. The constructor starts it and waits (boundedly) until it
// listens; the destructor stops it and reaps the process. A TLS server makes
// its own certificate for 127.0.0.1 and requires explicit TLS before a login.
// With VESKAT_TEST_FTPD_PORT set, the tests use a real daemon instead (see
// scripts/test-real-ftpd), plain or requiring TLS whatever was asked.
#pragma once

#include <sys/types.h>

#include <ios>
#include <string>
#include <vector>

class FtpServer {
  public:
    static constexpr const char* kUser = "rw";
    static constexpr const char* kPassword = "rwpass";
    static constexpr const char* kReadOnlyUser = "ro";
    static constexpr const char* kReadOnlyPassword = "ropass";
    static constexpr const char* kNoRenameUser = "norename";
    static constexpr const char* kNoRenamePassword = "nrpass";

    // One login for each computer of a test with several.
    static constexpr const char* kComputerPassword = "cpass";
    static std::string ComputerUser(int index) { return "c" + std::to_string(index); }

    // TlsRequired at TLS 1.3 only, as a server whose TLS 1.2 offers nothing
    // the client accepts.
    enum class Security { Plain, TlsRequired, Tls13Only };
    // `options` go to ftp_server.py as they are: "--no-rename-over",
    // "--control" followed by a folder.
    explicit FtpServer(Security security = Security::Plain, std::vector<std::string> options = {});
    ~FtpServer();
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    bool Running() const { return port_ > 0; }
    // A real daemon the tests did not start: it knows none of the
    // misbehaviours of ftp_server.py, and is plain or requires TLS as it was
    // set up, whatever was asked.
    bool External() const { return external_; }
    // Whether a login must start with TLS.
    bool RequiresTls() const { return requiresTls_; }
    // Whether the read-only and the no-rename user are there with their limits.
    bool LimitsUsers() const { return limitsUsers_; }
    // Whether Logins() and Commands() can tell anything: a daemon may keep
    // no log of its commands.
    bool KeepsLog() const { return !log_.empty(); }
    // A way a real daemon is known to differ, as VESKAT_TEST_FTPD_QUIRKS
    // lists them: "naive-ascii" (type A drops every CR on the way in and puts
    // one before every LF on the way out), "no-backslash" (refuses a path
    // holding the byte 0x5C, which Shift_JIS has in many second bytes).
    bool HasQuirk(const std::string& quirk) const {
        return (" " + quirks_ + " ").find(" " + quirk + " ") != std::string::npos;
    }
    int Port() const { return port_; }
    // The folder the server serves; files put here are on the server.
    const std::string& Root() const { return root_; }
    // Successful logins since the server started.
    int Logins() const;
    // Every command line the server received, one a line, as received.
    std::string Commands() const;
    // The TLS server's certificate (PEM), for a client to trust.
    std::string CertFile() const { return certFile_; }

    // The bytes of a file on the server side, or "<missing>".
    std::string ServerFile(const std::string& name) const;
    void PutServerFile(const std::string& name, const std::string& bytes) const;

  private:
    // Takes the daemon named by the environment, emptying the folder it serves.
    void UseExternal(const char* port);
    // The log's lines since the start: a login is "LOGIN...", a command "CMD <line>".
    std::vector<std::string> LogLines() const;

    bool external_ = false;
    bool requiresTls_ = false;
    bool limitsUsers_ = true;
    std::string quirks_;
    std::string certFile_;
    std::string dir_;
    std::string root_;
    std::string log_;
    std::streamoff logStart_ = 0;  // where this test's part of a shared log begins
    pid_t pid_ = -1;
    int port_ = 0;
};

// Whole-file helpers for the tests.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
