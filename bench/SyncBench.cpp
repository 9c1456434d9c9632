// A save's server step against the test FTP server on loopback, plain and
// FTPS: the lock, the fetch of both server copies, the merge check and the
// upload by rename, as the main window runs it after writing both files,
// with its progress dialog for every transfer. The
// floor is a bare login and upload of the same two files over the same
// server in the same run, which no protocol can go below.
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <memory>

#include "BenchSubjects.h"
#include "ConnectSettings.h"
#include "FtpServer.h"
#include "FtpTransfer.h"
#include "MessageService.h"
#include "ServerQuestions.h"
#include "ServerSync.h"

namespace {

constexpr int kSubjects = 500;

// A save with no question to answer: any box would be a fault, answered No.
class SilentMessages : public MessageService {
  public:
    MessageAnswer Show(QWidget*, const QString&, MessageButtons) override {
        ++shown;
        return MessageAnswer::No;
    }
    int shown = 0;
};

// A working folder with both data files and settings for `server`.
class SaveFolder {
  public:
    explicit SaveFolder(const FtpServer& server, bool tls) : previous_(QDir::currentPath()) {
        QDir::setCurrent(dir_.path());
        WriteDataFiles(dir_.path().toStdString(), kSubjects);
        settings.ftpMode = 1;
        settings.userId = FtpServer::kUser;
        settings.password = FtpServer::kPassword;
        settings.hostName = "127.0.0.1";
        settings.port = server.Port();
        settings.indivSubjPath = "srv_i.dat";
        settings.repSubjPath = "srv_r.dat";
        settings.ftpTls = tls ? 1 : 0;
        settings.caFile = tls ? server.CertFile() : "";
    }
    ~SaveFolder() { QDir::setCurrent(previous_); }

    ConnectSettings settings;

  private:
    QTemporaryDir dir_;
    QString previous_;
};

std::unique_ptr<FtpServer> StartServer(benchmark::State& state, bool tls) {
    auto server = std::make_unique<FtpServer>(tls ? FtpServer::Security::TlsRequired
                                                  : FtpServer::Security::Plain);
    if (!server->Running()) {
        state.SkipWithError("the test FTP server did not start");
    }
    return server;
}

void BM_SaveToServer(benchmark::State& state) {
    const bool tls = state.range(0) != 0;
    const auto server = StartServer(state, tls);
    SaveFolder folder(*server, tls);
    // The main window's answers, its progress dialog shown for every transfer.
    SilentMessages messages;
    ServerQuestions questions(messages, nullptr);
    // The first save records the base.
    static_cast<void>(SendToServer(folder.settings, questions));
    for (auto _ : state) {
        if (SendToServer(folder.settings, questions).outcome != SendOutcome::Sent) {
            break;
        }
    }
    if (messages.shown != 0 || server->ServerFile("srv_i.dat") == "<missing>") {
        state.SkipWithError("the save did not go through silently");
    }
}
BENCHMARK(BM_SaveToServer)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("tls")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_BareUpload(benchmark::State& state) {
    const bool tls = state.range(0) != 0;
    const auto server = StartServer(state, tls);
    SaveFolder folder(*server, tls);
    for (auto _ : state) {
        CFtpTransfer ftp;
        static_cast<void>(
            ftp.Setup(FtpServer::kUser, FtpServer::kPassword, "127.0.0.1", server->Port()));
        ftp.SetTls(tls, folder.settings.caFile);
        if (ftp.Connect() != 0 || ftp.Upload(kIndivFileName, "srv_i.dat") != 0 ||
            ftp.Upload(kRepFileName, "srv_r.dat") != 0) {
            state.SkipWithError("the bare upload failed");
            break;
        }
    }
}
BENCHMARK(BM_BareUpload)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("tls")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
