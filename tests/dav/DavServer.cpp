#include "DavServer.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ChildProcess.h"

namespace {

// Another test may take the free port between our look and the server's
// bind; a server that ends at once gets another port.
constexpr int kTries = 3;

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

bool RunToEnd(const std::vector<std::string>& argv) {
    const pid_t pid = SpawnChild(argv);
    int status = -1;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

}  // namespace

DavServer::DavServer(Kind kind, Transport transport)
    : kind_(kind), https_(transport == Transport::Https) {
    char pattern[] = "/tmp/veskat-dav-XXXXXX";
    dir_ = mkdtemp(pattern);
    if (https_ && !RunToEnd({"/usr/bin/python3", "-c",
                             "import sys; sys.path.insert(0, sys.argv[1]); import ftp_server; "
                             "ftp_server.make_certificate(sys.argv[2])",
                             VESKAT_FTP_SERVER_DIR, dir_})) {
        return;
    }
    for (int i = 0; i < kTries && !Start(kind, transport, FreeLoopbackPort()); ++i) {
    }
}

DavServer::~DavServer() {
    StopChild(pid_);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

QUrl DavServer::Address() const {
    return QUrl(QString::fromLatin1(https_ ? "https" : "http") +
                "://127.0.0.1:" + QString::number(port_) + "/");
}

QUrl DavServer::ListsHome() const {
    return Address().resolved(QUrl(QString::fromLatin1(
        kind_ == Kind::Radicale ? (std::string("/") + kUser + "/").c_str() : "/user/calendars/")));
}

std::string DavServer::Output() const {
    std::ifstream in(dir_ + "/output.txt", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void DavServer::WriteRadicaleConfig(Transport transport, int port) const {
    WriteText(dir_ + "/users", std::string(kUser) + ":" + kPassword + "\n" + kOtherUser + ":" +
                                   kOtherPassword + "\n");
    std::string config = "[server]\nhosts = 127.0.0.1:" + std::to_string(port) + "\n";
    if (transport == Transport::Https) {
        config +=
            "ssl = True\ncertificate = " + dir_ + "/cert.pem\nkey = " + dir_ + "/server.pem\n";
    }
    config += "[auth]\ntype = htpasswd\nhtpasswd_filename = " + dir_ +
              "/users\nhtpasswd_encryption = plain\n"
              "[rights]\ntype = owner_only\n"
              "[storage]\nfilesystem_folder = " +
              dir_ +
              "/collections\n"
              "[logging]\nlevel = warning\n";
    WriteText(dir_ + "/config", config);
}

bool DavServer::Start(Kind kind, Transport transport, int port) {
    std::vector<std::string> argv;
    if (kind == Kind::Radicale) {
        WriteRadicaleConfig(transport, port);
        argv = {"/usr/bin/python3", "-m", "radicale", "--config", dir_ + "/config"};
    } else {
        argv = {
            "/usr/bin/xandikos", "--defaults", "-d", dir_ + "/collections", "-l", "127.0.0.1", "-p",
            std::to_string(port)};
    }
    const int output = open((dir_ + "/output.txt").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    pid_ = SpawnChild(argv, output, output);
    close(output);
    if (pid_ > 0 && WaitForListening(pid_, port)) {
        port_ = port;
        return true;
    }
    StopChild(pid_);
    pid_ = -1;
    return false;
}
