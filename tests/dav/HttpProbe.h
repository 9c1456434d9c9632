// http_probe.py under /usr/bin/python3: an HTTP server on 127.0.0.1 at a
// free port that answers as its path says and logs every request it gets,
// for the tests of what the CalDAV client sends and how it takes odd answers.
#pragma once

#include <sys/types.h>

#include <QJsonObject>
#include <QUrl>

#include <string>
#include <vector>

class HttpProbe {
  public:
    // `wellKnown`: where /.well-known/caldav sends a client.
    explicit HttpProbe(const std::string& wellKnown = "/ctx/");
    ~HttpProbe();
    HttpProbe(const HttpProbe&) = delete;
    HttpProbe& operator=(const HttpProbe&) = delete;

    bool Running() const { return port_ > 0; }
    // `path` on the probe, such as "/big/100".
    QUrl Url(const QString& path) const;
    // Every request received so far, oldest first: "method", "path",
    // "headers" (lower-case names) and "body".
    std::vector<QJsonObject> Requests() const;

  private:
    std::string dir_;
    pid_t pid_ = -1;
    int port_ = 0;
};
