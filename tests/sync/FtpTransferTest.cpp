// CFtpTransfer against a real FTP server: logins, line ends and Shift_JIS
// bytes in both directions, refusals, and transfers that break off.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "FtpServer.h"
#include "FtpTransfer.h"

namespace {

// Two data-file lines with Shift_JIS text ("会議" and "予定"), CR LF ends.
const std::string kDataFile =
    "_VESKAT_I_DAT_VER_1_2_\r\n2024\t1\t2\t\x89\xEF\x8B\x63\r\n2024\t1\t3\t\x97\x5C\x92\xE8\r\n";

// Servers that break off or refuse on cue are the test server's own.
constexpr const char* kOwnServerOnly = "needs a misbehaviour of ftp_server.py";
constexpr const char* kNoLimitedUsers = "the daemon has no user of these limits";

// What a server that keeps text files in LF lines holds for kDataFile.
std::string ServerForm(std::string text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            out += text[i];
        }
    }
    return out;
}

// A test server of the given security and a local folder beside its root.
class ServerTest : public ::testing::Test {
  protected:
    explicit ServerTest(FtpServer::Security security) : server_(security) {}

    void SetUp() override {
        ASSERT_TRUE(server_.Running());
        local_ = std::filesystem::path(server_.Root()).parent_path().string() + "/local";
        std::filesystem::create_directory(local_);
    }

    std::string Local(const std::string& name) const { return local_ + "/" + name; }
    // A daemon without a log of its commands cannot count logins.
    void ExpectLogins(int logins) const {
        if (server_.KeepsLog()) {
            EXPECT_EQ(server_.Logins(), logins);
        }
    }
    std::ptrdiff_t LocalEntries() const {
        return std::distance(std::filesystem::directory_iterator(local_),
                             std::filesystem::directory_iterator());
    }

    FtpServer server_;
    std::string local_;
};

class FtpTransferTest : public ServerTest {
  protected:
    FtpTransferTest() : ServerTest(FtpServer::Security::Plain) {}

    void SetupTransfer(CFtpTransfer& ftp, const std::string& user = FtpServer::kUser,
                       const std::string& password = FtpServer::kPassword) {
        ftp.Setup(user, password, "127.0.0.1", server_.Port());
        UseServersTls(ftp);
    }

    // A real daemon set up for TLS takes no login without it.
    void UseServersTls(CFtpTransfer& ftp) const {
        if (server_.External() && server_.RequiresTls()) {
            ftp.SetTls(true, server_.CertFile());
        }
    }

    // Sends `bytes` from "i.dat" as `serverFile`, which holds "old\n" and
    // which this test server breaks off or refuses by its name: the upload
    // fails, and the old file stays.
    void UploadFailsKeepingTheOld(CFtpTransfer& ftp, const std::string& serverFile,
                                  const std::string& bytes) {
        server_.PutServerFile(serverFile, "old\n");
        WriteFileBytes(Local("i.dat"), bytes);
        SetupTransfer(ftp);
        ASSERT_EQ(ftp.Connect(), 0);
        EXPECT_EQ(ftp.Upload(Local("i.dat"), serverFile), -1);
        EXPECT_EQ(server_.ServerFile(serverFile), "old\n");
    }
};

TEST_F(FtpTransferTest, UploadsOfOneSaveShareOneLogin) {
    WriteFileBytes(Local("i.dat"), kDataFile);
    WriteFileBytes(Local("r.dat"), "_VESKAT_R_DAT_VER_1_2_\r\n");
    {
        CFtpTransfer ftp;
        SetupTransfer(ftp);
        ASSERT_EQ(ftp.Connect(), 0);
        EXPECT_EQ(ftp.Upload(Local("i.dat"), "server_i.dat"), 0);
        EXPECT_EQ(ftp.Upload(Local("r.dat"), "server_r.dat"), 0);
    }
    ExpectLogins(1);
    EXPECT_EQ(server_.ServerFile("server_i.dat"), ServerForm(kDataFile));
    EXPECT_EQ(server_.ServerFile("server_r.dat"), "_VESKAT_R_DAT_VER_1_2_\n");
    EXPECT_EQ(server_.ServerFile("server_i.dat.part"), "<missing>");
}

TEST_F(FtpTransferTest, DownloadsShareTheLoginOfConnectAndKeepCrLfLines) {
    server_.PutServerFile("i.dat", ServerForm(kDataFile));
    server_.PutServerFile("r.dat", "_VESKAT_R_DAT_VER_1_2_\r\n");  // already CR LF on the server
    WriteFileBytes(Local("veskat_i.dat"), "old");
    {
        CFtpTransfer ftp;
        SetupTransfer(ftp);
        ASSERT_EQ(ftp.Connect(), 0);
        EXPECT_EQ(ftp.Download("i.dat", Local("veskat_i.dat")), ServerFetch::Fetched);
        EXPECT_EQ(ftp.Download("r.dat", Local("veskat_r.dat")), ServerFetch::Fetched);
    }
    ExpectLogins(1);
    EXPECT_EQ(ReadFileBytes(Local("veskat_i.dat")), kDataFile);
    // Such a daemon never stores CR LF itself; one put there comes back doubled.
    if (!server_.HasQuirk("naive-ascii")) {
        EXPECT_EQ(ReadFileBytes(Local("veskat_r.dat")), "_VESKAT_R_DAT_VER_1_2_\r\n");
    }
}

TEST_F(FtpTransferTest, RoundTripKeepsEveryByte) {
    // Every byte value but CR and LF, then lines of every shape a file may hold.
    std::string bytes;
    for (int c = 0; c < 256; ++c) {
        if (c != '\r' && c != '\n') {
            bytes += static_cast<char>(c);
        }
    }
    // A data file holds no lone CR (a text's CR is stored as a blank), and a
    // daemon whose type A drops every CR cannot carry one.
    bytes += server_.HasQuirk("naive-ascii") ? "\r\n\r\nlone cr\r\n" : "\r\n\r\nlone\rcr\r\n";
    bytes += std::string(70000, 'x') + "\r\nend\r\n";
    WriteFileBytes(Local("out.dat"), bytes);
    CFtpTransfer ftp;
    SetupTransfer(ftp);
    ASSERT_EQ(ftp.Connect(), 0);
    ASSERT_EQ(ftp.Upload(Local("out.dat"), "round.dat"), 0);
    ASSERT_EQ(ftp.Download("round.dat", Local("back.dat")), ServerFetch::Fetched);
    EXPECT_EQ(ReadFileBytes(Local("back.dat")), bytes);
}

TEST_F(FtpTransferTest, ServerNamesPassByteForByte) {
    // "予定/個別.dat" in Shift_JIS: a folder and a name with bytes URLs must
    // escape; "会議" for a daemon that refuses the 0x5C in 予.
    const std::string folder =
        server_.HasQuirk("no-backslash") ? "\x89\xEF\x8B\x63" : "\x97\x5C\x92\xE8";
    const std::string name = folder + "/\x8C\xC2\x95\xCA #%.dat";
    std::filesystem::create_directory(server_.Root() + "/" + folder);
    WriteFileBytes(Local("i.dat"), kDataFile);
    CFtpTransfer ftp;
    SetupTransfer(ftp);
    ASSERT_EQ(ftp.Connect(), 0);
    ASSERT_EQ(ftp.Upload(Local("i.dat"), name), 0);
    EXPECT_EQ(server_.ServerFile(name), ServerForm(kDataFile));
    ASSERT_EQ(ftp.Download(name, Local("back.dat")), ServerFetch::Fetched);
    EXPECT_EQ(ReadFileBytes(Local("back.dat")), kDataFile);
}

TEST_F(FtpTransferTest, RefusedLoginsAndBadAddressesFail) {
    struct Case {
        const char* user;
        const char* password;
        std::string host;
        std::int32_t port;
    };
    const int port = server_.Port();
    const Case cases[] = {
        {FtpServer::kUser, "wrong", "127.0.0.1", port},
        {FtpServer::kUser, "", "127.0.0.1", port},
        {"", "", "127.0.0.1", port},
        {FtpServer::kUser, FtpServer::kPassword, "", port},
        {FtpServer::kUser, FtpServer::kPassword, "user:pw@127.0.0.1", port},
        {FtpServer::kUser, FtpServer::kPassword, "127.0.0.1/x", port},
    };
    for (const Case& c : cases) {
        CFtpTransfer ftp;
        ftp.Setup(c.user, c.password, c.host, c.port);
        UseServersTls(ftp);
        EXPECT_EQ(ftp.Connect(), -1) << c.user << " " << c.host;
        EXPECT_EQ(ftp.Upload(Local("none"), "x.dat"), -1);
        EXPECT_EQ(ftp.Download("x.dat", Local("x.dat")), ServerFetch::Failed);
    }
    EXPECT_FALSE(FileExists(Local("x.dat")));
    ExpectLogins(0);
}

TEST_F(FtpTransferTest, OnlyTheLowSixteenBitsOfThePortCount) {
    CFtpTransfer ftp;
    ftp.Setup(FtpServer::kUser, FtpServer::kPassword, "127.0.0.1", server_.Port() + 65536 * 3);
    UseServersTls(ftp);
    EXPECT_EQ(ftp.Connect(), 0);
}

TEST_F(FtpTransferTest, ReadOnlyUserCannotReplaceTheServerFile) {
    if (!server_.LimitsUsers()) {
        GTEST_SKIP() << kNoLimitedUsers;
    }
    server_.PutServerFile("i.dat", "kept\n");
    WriteFileBytes(Local("i.dat"), kDataFile);
    CFtpTransfer ftp;
    SetupTransfer(ftp, FtpServer::kReadOnlyUser, FtpServer::kReadOnlyPassword);
    ASSERT_EQ(ftp.Connect(), 0);
    EXPECT_EQ(ftp.Upload(Local("i.dat"), "i.dat"), -1);
    EXPECT_EQ(ftp.Upload(Local("missing.dat"), "r.dat"), -1);
    EXPECT_EQ(server_.ServerFile("i.dat"), "kept\n");
    // Reading is allowed.
    EXPECT_EQ(ftp.Download("i.dat", Local("back.dat")), ServerFetch::Fetched);
    EXPECT_EQ(ReadFileBytes(Local("back.dat")), "kept\r\n");
}

TEST_F(FtpTransferTest, FailedDownloadLeavesTheLocalFileAlone) {
    WriteFileBytes(Local("veskat_i.dat"), kDataFile);
    CFtpTransfer ftp;
    SetupTransfer(ftp);
    // A file the server does not have is told apart from a failure.
    EXPECT_EQ(ftp.Download("no-such-file.dat", Local("veskat_i.dat")), ServerFetch::NotThere);
    EXPECT_EQ(ftp.Download("no-such-folder/file.dat", Local("veskat_i.dat")),
              ServerFetch::NotThere);
    EXPECT_EQ(ftp.Download("", Local("veskat_i.dat")), ServerFetch::Failed);
    EXPECT_EQ(ReadFileBytes(Local("veskat_i.dat")), kDataFile);
    EXPECT_EQ(LocalEntries(), 1);
}

// Only a listing proves a file missing: a read the server refuses, a folder
// where the file should be, are failures, which nothing may upload over.
TEST_F(FtpTransferTest, ARefusedReadIsNeverTakenForAMissingFile) {
    std::filesystem::create_directories(server_.Root() + "/folder_i.dat");
    std::filesystem::create_directories(server_.Root() + "/sub");
    server_.PutServerFile("unreadable_i.dat", "theirs\n");
    struct Case {
        const char* name;
        ServerFetch fetch;
        bool ownServerOnly;
    };
    for (const Case& c : {Case{"unreadable_i.dat", ServerFetch::Refused, true},
                          Case{"folder_i.dat", ServerFetch::Refused, false},
                          Case{"missing_i.dat", ServerFetch::NotThere, false},
                          Case{"sub/missing_i.dat", ServerFetch::NotThere, false},
                          Case{"no-folder/deeper/missing_i.dat", ServerFetch::NotThere, false}}) {
        if (c.ownServerOnly && server_.External()) {
            continue;
        }
        WriteFileBytes(Local("veskat_i.dat"), kDataFile);
        CFtpTransfer ftp;
        SetupTransfer(ftp);
        ASSERT_EQ(ftp.Connect(), 0);
        EXPECT_EQ(ftp.Download(c.name, Local("veskat_i.dat")), c.fetch) << c.name;
        std::string text = "stale";
        EXPECT_EQ(ftp.FetchText(c.name, text), c.fetch) << c.name;
        EXPECT_EQ(text, "");
        EXPECT_EQ(ReadFileBytes(Local("veskat_i.dat")), kDataFile);
        EXPECT_EQ(LocalEntries(), 1);
    }
    if (!server_.External()) {
        CFtpTransfer ftp;
        SetupTransfer(ftp);
        EXPECT_EQ(ftp.Download("unreadable_i.dat", Local("x.dat")), ServerFetch::Refused);
        EXPECT_EQ(ftp.LastRefusal(), "550 Permission denied.");
    }
}

// A lock note or generation is a few lines; whatever stands under its name
// is read no further than the limit, and the login goes on afterwards.
TEST_F(FtpTransferTest, SmallFilesAreReadNoFurtherThanTheirLimit) {
    server_.PutServerFile("owner", std::string(3 << 20, 'o'));
    server_.PutServerFile("next", "next\n");
    CFtpTransfer ftp;
    SetupTransfer(ftp);
    ASSERT_EQ(ftp.Connect(), 0);
    std::string text;
    EXPECT_EQ(ftp.FetchText("owner", text), ServerFetch::Fetched);
    EXPECT_EQ(text, std::string(kSmallFileLimit, 'o'));
    EXPECT_EQ(ftp.FetchText("next", text, 2), ServerFetch::Fetched);
    EXPECT_EQ(text, "ne");
    EXPECT_EQ(ftp.FetchText("next", text), ServerFetch::Fetched);
    EXPECT_EQ(text, "next\r\n");
}

// A server sending a few bytes a second would hold the window for minutes;
// below the low speed for the low-speed time the transfer fails.
TEST_F(FtpTransferTest, AServerThatTricklesFailsAfterTheLowSpeedTime) {
    if (server_.External()) {
        GTEST_SKIP() << kOwnServerOnly;
    }
    const TransferTiming normal = FtpTransferTiming();
    FtpTransferTiming().lowSpeedTime = std::chrono::seconds(2);
    server_.PutServerFile("trickle_i.dat", std::string(20000, 't') + "\n");
    WriteFileBytes(Local("veskat_i.dat"), kDataFile);
    CFtpTransfer ftp;
    SetupTransfer(ftp);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ftp.Download("trickle_i.dat", Local("veskat_i.dat")), ServerFetch::Failed);
    // Well within the normal low-speed time: the shortened one ended it.
    EXPECT_LT(std::chrono::steady_clock::now() - start, normal.lowSpeedTime);
    EXPECT_EQ(ReadFileBytes(Local("veskat_i.dat")), kDataFile);
    FtpTransferTiming() = normal;
}

TEST_F(FtpTransferTest, ServerStoppingMidDownloadLeavesTheLocalFileAlone) {
    if (server_.External()) {
        GTEST_SKIP() << kOwnServerOnly;
    }
    server_.PutServerFile("cutoff.dat", std::string(400000, 'y') + "\n");
    WriteFileBytes(Local("veskat_r.dat"), kDataFile);
    CFtpTransfer ftp;
    SetupTransfer(ftp);
    EXPECT_EQ(ftp.Download("cutoff.dat", Local("veskat_r.dat")), ServerFetch::Failed);
    EXPECT_EQ(ReadFileBytes(Local("veskat_r.dat")), kDataFile);
    EXPECT_EQ(LocalEntries(), 1);
}

TEST_F(FtpTransferTest, RefusedRenameSendsUnderTheRealName) {
    if (!server_.LimitsUsers()) {
        GTEST_SKIP() << kNoLimitedUsers;
    }
    server_.PutServerFile("i.dat", "old\n");
    WriteFileBytes(Local("i.dat"), kDataFile);
    CFtpTransfer ftp;
    SetupTransfer(ftp, FtpServer::kNoRenameUser, FtpServer::kNoRenamePassword);
    ASSERT_EQ(ftp.Connect(), 0);
    EXPECT_EQ(ftp.Upload(Local("i.dat"), "i.dat"), 0);
    EXPECT_EQ(server_.ServerFile("i.dat"), ServerForm(kDataFile));
    EXPECT_EQ(server_.ServerFile("i.dat.part"), "<missing>");
    ExpectLogins(1);
}

TEST_F(FtpTransferTest, ServerStoppingMidUploadLeavesTheServerFileWhole) {
    if (server_.External()) {
        GTEST_SKIP() << kOwnServerOnly;
    }
    CFtpTransfer ftp;
    UploadFailsKeepingTheOld(ftp, "cutoff_i.dat", std::string(400000, 'z') + "\r\n");
}

TEST_F(FtpTransferTest, NamesThatWouldEndTheCommandLineAreRefusedBeforeAnythingCrosses) {
    server_.PutServerFile("keep.dat", "kept\n");
    WriteFileBytes(Local("veskat_i.dat"), kDataFile);
    const std::string names[] = {"x.dat\r\nDELE keep.dat", "x.dat\nDELE keep.dat",
                                 "x.dat\rDELE keep.dat", std::string("keep.dat\0x", 10)};
    CFtpTransfer ftp;
    SetupTransfer(ftp);
    for (const std::string& name : names) {
        EXPECT_EQ(ftp.Download(name, Local("veskat_i.dat")), ServerFetch::Failed);
    }
    ExpectLogins(0);
    ASSERT_EQ(ftp.Connect(), 0);
    for (const std::string& name : names) {
        EXPECT_EQ(ftp.Upload(Local("veskat_i.dat"), name), -1);
    }
    ExpectLogins(1);
    EXPECT_EQ(server_.ServerFile("keep.dat"), "kept\n");
    EXPECT_EQ(ReadFileBytes(Local("veskat_i.dat")), kDataFile);
    EXPECT_EQ(LocalEntries(), 1);
}

TEST_F(FtpTransferTest, LoginTextsWithLineBreaksAreRefused) {
    server_.PutServerFile("keep.dat", "kept\n");
    WriteFileBytes(Local("veskat_i.dat"), kDataFile);
    const std::pair<std::string, std::string> logins[] = {
        {FtpServer::kUser, std::string(FtpServer::kPassword) + "\r\nDELE keep.dat"},
        {std::string(FtpServer::kUser) + "\r\nPASS rwpass\r\nDELE keep.dat", "x"},
        {FtpServer::kUser, std::string(FtpServer::kPassword) + std::string("\0x", 2)},
    };
    for (const auto& [user, password] : logins) {
        CFtpTransfer ftp;
        SetupTransfer(ftp, user, password);
        EXPECT_EQ(ftp.Connect(), -1);
        EXPECT_EQ(ftp.Download("keep.dat", Local("veskat_i.dat")), ServerFetch::Failed);
    }
    ExpectLogins(0);
    EXPECT_EQ(server_.ServerFile("keep.dat"), "kept\n");
    EXPECT_EQ(ReadFileBytes(Local("veskat_i.dat")), kDataFile);
}

TEST_F(FtpTransferTest, UploadRefusedMidwayRemovesItsPartFile) {
    if (server_.External()) {
        GTEST_SKIP() << kOwnServerOnly;
    }
    CFtpTransfer ftp;
    UploadFailsKeepingTheOld(ftp, "quota_i.dat", std::string(4000000, 'q') + "\r\n");
    EXPECT_FALSE(FileExists(server_.Root() + "/quota_i.dat.part"));
    // The next file of the same save still goes over.
    WriteFileBytes(Local("r.dat"), "_VESKAT_R_DAT_VER_1_2_\r\n");
    EXPECT_EQ(ftp.Upload(Local("r.dat"), "r.dat"), 0);
    EXPECT_EQ(server_.ServerFile("r.dat"), "_VESKAT_R_DAT_VER_1_2_\n");
}

TEST_F(FtpTransferTest, UploadRefusedAtItsEndRemovesItsPartFileOverTheSameLogin) {
    if (server_.External()) {
        GTEST_SKIP() << kOwnServerOnly;
    }
    CFtpTransfer ftp;
    UploadFailsKeepingTheOld(ftp, "refuse_i.dat", kDataFile);
    EXPECT_EQ(server_.ServerFile("refuse_i.dat.part"), "<missing>");
    ExpectLogins(1);
    EXPECT_EQ(ReadFileBytes(Local("i.dat")), kDataFile);
}

}  // namespace

// Explicit FTPS against a server that makes its own certificate and
// requires TLS before a login.
class FtpsTest : public ServerTest {
  protected:
    FtpsTest() : ServerTest(FtpServer::Security::TlsRequired) {}

    void SetUp() override {
        ServerTest::SetUp();
        if (server_.External() && !server_.RequiresTls()) {
            GTEST_SKIP() << "the daemon is plain";
        }
        ftp_.Setup(FtpServer::kUser, FtpServer::kPassword, "127.0.0.1", server_.Port());
    }

    bool PasswordCrossed() const {
        return server_.Commands().find(FtpServer::kPassword) != std::string::npos;
    }

    CFtpTransfer ftp_;
};

TEST_F(FtpsTest, TrustedCertificateCarriesBothWaysOverOneLogin) {
    WriteFileBytes(Local("i.dat"), kDataFile);
    ftp_.SetTls(true, server_.CertFile());
    ASSERT_EQ(ftp_.Connect(), 0);
    EXPECT_EQ(ftp_.Upload(Local("i.dat"), "s.dat"), 0);
    EXPECT_EQ(ftp_.Download("s.dat", Local("back.dat")), ServerFetch::Fetched);
    EXPECT_EQ(ReadFileBytes(Local("back.dat")), kDataFile);
    ExpectLogins(1);
    if (!server_.KeepsLog()) {
        return;
    }
    // TLS was asked for before anything else, and the data was protected.
    const std::string commands = server_.Commands();
    EXPECT_EQ(commands.rfind("AUTH TLS\n", 0), 0u) << commands;
    EXPECT_NE(commands.find("PROT P\n"), std::string::npos) << commands;
}

// proftpd resets the data connection of a RETR or LIST of a name that is not
// there before its TLS handshake ends; libcurl reports a failed handshake,
// which the listing of the folder turns back into a missing file.
TEST(FtpsResetTest, ADataConnectionResetForAMissingNameIsStillNotThere) {
    FtpServer server(FtpServer::Security::TlsRequired, {"--reset-missing"});
    ASSERT_TRUE(server.Running());
    if (server.External()) {
        GTEST_SKIP() << kOwnServerOnly;
    }
    server.PutServerFile("there.dat", "there\n");
    std::filesystem::create_directories(server.Root() + "/sub");
    CFtpTransfer ftp;
    ftp.Setup(FtpServer::kUser, FtpServer::kPassword, "127.0.0.1", server.Port());
    ftp.SetTls(true, server.CertFile());
    ASSERT_EQ(ftp.Connect(), 0);
    std::string text;
    for (const char* name : {"missing.dat.generation", "sub/missing.dat", "gone/missing.dat"}) {
        EXPECT_EQ(ftp.FetchText(name, text), ServerFetch::NotThere) << name;
    }
    EXPECT_EQ(ftp.FetchText("there.dat", text), ServerFetch::Fetched);
    EXPECT_EQ(text, "there\r\n");
}

TEST_F(FtpsTest, UntrustedCertificateFailsBeforeTheLogin) {
    ftp_.SetTls(true, "");
    EXPECT_EQ(ftp_.Connect(), -1);
    // A CA file that is not this server's does not help either.
    WriteFileBytes(Local("other.pem"),
                   "-----BEGIN CERTIFICATE-----\nAAAA\n-----END CERTIFICATE-----\n");
    ftp_.SetTls(true, Local("other.pem"));
    EXPECT_EQ(ftp_.Connect(), -1);
    EXPECT_EQ(ftp_.Download("s.dat", Local("back.dat")), ServerFetch::Failed);
    ExpectLogins(0);
    EXPECT_FALSE(PasswordCrossed()) << server_.Commands();
}

TEST_F(FtpsTest, PlainLoginToAServerRequiringTlsFailsAndNeverSendsThePassword) {
    EXPECT_EQ(ftp_.Connect(), -1);
    EXPECT_EQ(ftp_.Download("s.dat", Local("back.dat")), ServerFetch::Failed);
    ExpectLogins(0);
    EXPECT_TRUE(!server_.KeepsLog() || server_.Commands().find("USER rw\n") != std::string::npos)
        << server_.Commands();
    EXPECT_FALSE(PasswordCrossed()) << server_.Commands();
}

// A server that refuses TLS 1.2 is reached at TLS 1.3, where a login of its
// own for every transfer keeps each data connection's session resumable.
TEST(FtpsTls13Test, AServerRefusingTls12IsReachedAtTls13WithALoginForEachTransfer) {
    FtpServer server(FtpServer::Security::Tls13Only);
    ASSERT_TRUE(server.Running());
    if (server.External()) {
        GTEST_SKIP() << kOwnServerOnly;
    }
    const std::string local = std::filesystem::path(server.Root()).parent_path().string();
    WriteFileBytes(local + "/i.dat", kDataFile);
    CFtpTransfer ftp;
    ftp.Setup(FtpServer::kUser, FtpServer::kPassword, "127.0.0.1", server.Port());
    ftp.SetTls(true, server.CertFile());
    ASSERT_EQ(ftp.Connect(), 0);
    EXPECT_EQ(ftp.Upload(local + "/i.dat", "s.dat"), 0);
    EXPECT_EQ(ftp.Download("s.dat", local + "/back.dat"), ServerFetch::Fetched);
    EXPECT_EQ(ReadFileBytes(local + "/back.dat"), kDataFile);
    EXPECT_EQ(server.Logins(), 3);
    // TLS was asked for before anything else, at each login.
    EXPECT_EQ(server.Commands().rfind("AUTH TLS\n", 0), 0u) << server.Commands();
}
