// A real CalDAV server for the tests, on 127.0.0.1 at a free port, serving a
// temporary folder: Radicale (`/usr/bin/python3 -m radicale`) with two
// htpasswd users, or Xandikos (`xandikos --defaults`), which asks no login.
// Radicale over https makes its own certificate for 127.0.0.1. The
// constructor waits (boundedly) until the server listens; the destructor
// stops it and removes the folder.
#pragma once

#include <sys/types.h>

#include <QUrl>

#include <string>

class DavServer {
  public:
    enum class Kind { Radicale, Xandikos };
    enum class Transport { Http, Https };

    static constexpr const char* kUser = "alice";
    static constexpr const char* kPassword = "wonder-land";
    // A password beyond ASCII, which must travel as UTF-8.
    static constexpr const char* kOtherUser = "bob";
    static constexpr const char* kOtherPassword = "p\xC3\xA4ss-\xE5\x8F\x8D\xE5\xBE\xA9";

    explicit DavServer(Kind kind, Transport transport = Transport::Http);
    ~DavServer();
    DavServer(const DavServer&) = delete;
    DavServer& operator=(const DavServer&) = delete;

    bool Running() const { return port_ > 0; }
    int Port() const { return port_; }
    // The bare address: "http://127.0.0.1:port/" (or https).
    QUrl Address() const;
    // Where the user's calendars are made: "/alice/" on Radicale, the
    // "/user/calendars/" that --defaults makes on Xandikos.
    QUrl ListsHome() const;
    // The certificate a client must trust for https (PEM).
    std::string CertFile() const { return dir_ + "/cert.pem"; }
    // What the server printed, for a failing test to show.
    std::string Output() const;

  private:
    bool Start(Kind kind, Transport transport, int port);
    void WriteRadicaleConfig(Transport transport, int port) const;

    std::string dir_;
    Kind kind_;
    bool https_ = false;
    pid_t pid_ = -1;
    int port_ = 0;
};
