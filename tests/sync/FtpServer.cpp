// Starting and stopping the test FTP server.
#include "FtpServer.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "ChildProcess.h"

extern char** environ;

FtpServer::FtpServer(Security security, std::vector<std::string> options) {
    if (const char* port = std::getenv("VESKAT_TEST_FTPD_PORT")) {
        UseExternal(port);
        return;
    }
    requiresTls_ = security != Security::Plain;
    char pattern[] = "/tmp/veskat-ftp-XXXXXX";
    dir_ = mkdtemp(pattern);
    root_ = dir_ + "/root";
    log_ = dir_ + "/logins.txt";
    certFile_ = dir_ + "/cert.pem";
    mkdir(root_.c_str(), 0700);

    int out[2];
    if (pipe(out) != 0) {
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string script = VESKAT_FTP_SERVER_SCRIPT;
    std::string python = "/usr/bin/python3";
    std::string tls = security == Security::Tls13Only ? "--tls13" : "--tls";
    std::vector<char*> argv = {python.data(), script.data(), root_.data(), log_.data()};
    if (security != Security::Plain) {
        argv.push_back(tls.data());
        argv.push_back(dir_.data());
    }
    for (std::string& option : options) {
        argv.push_back(option.data());
    }
    argv.push_back(nullptr);
    const int spawned = posix_spawn(&pid_, python.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        pid_ = -1;
        close(out[0]);
        return;
    }
    port_ = ReadPortLine(out[0]);
    close(out[0]);
}

// The daemon serves `<dir>/root` of VESKAT_TEST_FTPD_DIR to every user, and
// logs its protocol to VESKAT_TEST_FTPD_LOG (empty: no log). It requires TLS
// unless VESKAT_TEST_FTPD_TLS is 0, trusting VESKAT_TEST_FTPD_CAFILE, and
// has the limited users unless VESKAT_TEST_FTPD_LIMITS is 0, with the
// quirks VESKAT_TEST_FTPD_QUIRKS names. Each test starts
// on an empty folder and reads only the log lines written after its start.
void FtpServer::UseExternal(const char* port) {
    external_ = true;
    const char* dir = std::getenv("VESKAT_TEST_FTPD_DIR");
    const char* log = std::getenv("VESKAT_TEST_FTPD_LOG");
    const char* cert = std::getenv("VESKAT_TEST_FTPD_CAFILE");
    if (dir == nullptr || log == nullptr || cert == nullptr) {
        return;
    }
    const char* tls = std::getenv("VESKAT_TEST_FTPD_TLS");
    const char* limits = std::getenv("VESKAT_TEST_FTPD_LIMITS");
    const char* quirks = std::getenv("VESKAT_TEST_FTPD_QUIRKS");
    quirks_ = quirks != nullptr ? quirks : "";
    requiresTls_ = tls == nullptr || std::string(tls) != "0";
    limitsUsers_ = limits == nullptr || std::string(limits) != "0";
    dir_ = dir;
    root_ = dir_ + "/root";
    log_ = log;
    certFile_ = cert;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(dir_, ignored)) {
        if (entry.path() != root_) {
            std::filesystem::remove_all(entry.path(), ignored);
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator(root_, ignored)) {
        std::filesystem::remove_all(entry.path(), ignored);
    }
    if (!log_.empty()) {
        logStart_ = static_cast<std::streamoff>(std::filesystem::file_size(log_, ignored));
    }
    port_ = std::atoi(port);
}

FtpServer::~FtpServer() {
    if (external_) {
        return;
    }
    StopChild(pid_);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::vector<std::string> FtpServer::LogLines() const {
    std::ifstream in(log_, std::ios::binary);
    in.seekg(logStart_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!external_) {
            lines.push_back(line);
        } else if (line.rfind("VESKAT ", 0) == 0 && line.size() > 11) {
            // proftpd's ExtendedLog as scripts/test-real-ftpd formats it:
            // "VESKAT <reply code> <command line>".
            lines.push_back("CMD " + line.substr(line.find(' ', 7) + 1));
            if (line.rfind("VESKAT 230 PASS", 0) == 0) {
                lines.emplace_back("LOGIN");
            }
        } else if (line.find("] OK LOGIN: ") != std::string::npos) {
            lines.emplace_back("LOGIN");
        } else if (const auto at = line.find("FTP command: Client \""); at != std::string::npos) {
            // ... FTP command: Client "127.0.0.1", "USER rw"
            const auto start = line.find("\", \"", at);
            if (start != std::string::npos && line.size() > start + 4) {
                lines.push_back("CMD " + line.substr(start + 4, line.size() - start - 5));
            }
        }
    }
    return lines;
}

int FtpServer::Logins() const {
    int count = 0;
    for (const std::string& line : LogLines()) {
        count += line.rfind("LOGIN", 0) == 0 ? 1 : 0;
    }
    return count;
}

std::string FtpServer::Commands() const {
    std::string commands;
    for (const std::string& line : LogLines()) {
        if (line.rfind("CMD ", 0) == 0) {
            commands += line.substr(4) + "\n";
        }
    }
    return commands;
}

std::string FtpServer::ServerFile(const std::string& name) const {
    const std::string path = root_ + "/" + name;
    return FileExists(path) ? ReadFileBytes(path) : "<missing>";
}

void FtpServer::PutServerFile(const std::string& name, const std::string& bytes) const {
    WriteFileBytes(root_ + "/" + name, bytes);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}
