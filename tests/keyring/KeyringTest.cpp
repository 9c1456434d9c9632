// PasswordKeyring against a real keyring, gnome-keyring's Secret Service on
// a session bus of the test's own (keyring_session.sh), and where no keyring
// answers at all: then nothing is kept, and nothing is written anywhere in
// its place.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>

#include "PasswordKeyring.h"

namespace {

// A service name of the test's own, so that a developer's veskat entries
// are never touched.
PasswordKeyring TestKeyring() {
    return PasswordKeyring(QStringLiteral("veskat-test"), 10000);
}

// Every file below `folder`, where a fallback could write.
QStringList FilesUnder(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files.push_back(it.next());
    }
    return files;
}

// Under keyring_session.sh only.
class KeyringTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (qEnvironmentVariable("VESKAT_TEST_KEYRING") != QLatin1String("gnome")) {
            GTEST_SKIP() << "needs keyring_session.sh";
        }
    }
    PasswordKeyring keyring_ = TestKeyring();
};

TEST_F(KeyringTest, APasswordIsKeptReplacedAndForgottenPerServer) {
    const std::string sjis = "\x94\xbd\x95\x9c pass";  // Shift_JIS bytes kept exactly
    const std::string utf8 = "p\xC3\xA4ss \xE5\x8F\x8D";
    ASSERT_EQ(keyring_.Store(PasswordOf::FtpServer, "alice", "ftp.example.org:21", sjis),
              KeyringOutcome::Done);
    ASSERT_EQ(keyring_.Store(PasswordOf::CalDavServer, "alice", "ftp.example.org:21", utf8),
              KeyringOutcome::Done);
    std::string got = "stale";
    EXPECT_EQ(keyring_.Read(PasswordOf::FtpServer, "alice", "ftp.example.org:21", got),
              KeyringOutcome::Done);
    EXPECT_EQ(got, sjis);
    EXPECT_EQ(keyring_.Read(PasswordOf::CalDavServer, "alice", "ftp.example.org:21", got),
              KeyringOutcome::Done);
    EXPECT_EQ(got, utf8);
    EXPECT_EQ(keyring_.Read(PasswordOf::FtpServer, "bob", "ftp.example.org:21", got),
              KeyringOutcome::NotFound);
    EXPECT_EQ(got, "");

    // A password the server refused is replaced by the one given next.
    ASSERT_EQ(keyring_.Store(PasswordOf::FtpServer, "alice", "ftp.example.org:21", "new"),
              KeyringOutcome::Done);
    EXPECT_EQ(keyring_.Read(PasswordOf::FtpServer, "alice", "ftp.example.org:21", got),
              KeyringOutcome::Done);
    EXPECT_EQ(got, "new");

    EXPECT_EQ(keyring_.Forget(PasswordOf::FtpServer, "alice", "ftp.example.org:21"),
              KeyringOutcome::Done);
    EXPECT_EQ(keyring_.Read(PasswordOf::FtpServer, "alice", "ftp.example.org:21", got),
              KeyringOutcome::NotFound);
    EXPECT_EQ(keyring_.Read(PasswordOf::CalDavServer, "alice", "ftp.example.org:21", got),
              KeyringOutcome::Done);
    // Forgetting what is not there is no failure.
    EXPECT_EQ(keyring_.Forget(PasswordOf::FtpServer, "alice", "ftp.example.org:21"),
              KeyringOutcome::Done);
}

// With the session bus pointing nowhere, as on a desktop without a keyring.
class NoKeyringTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (qEnvironmentVariable("VESKAT_TEST_KEYRING") != QLatin1String("none")) {
            GTEST_SKIP() << "needs a session bus that is not there";
        }
        // A home of its own, where a file written instead would show.
        ASSERT_TRUE(home_.isValid());
        qputenv("HOME", home_.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (home_.path() + "/.config").toLocal8Bit());
        qputenv("XDG_DATA_HOME", (home_.path() + "/.local/share").toLocal8Bit());
    }
    QTemporaryDir home_;
};

TEST_F(NoKeyringTest, NothingIsKeptAndNoFileTakesItsPlace) {
    ASSERT_TRUE(FilesUnder(home_.path()).isEmpty());
    PasswordKeyring keyring = TestKeyring();
    std::string got = "stale";
    for (PasswordOf kind : {PasswordOf::FtpServer, PasswordOf::CalDavServer}) {
        EXPECT_EQ(keyring.Store(kind, "alice", "h:21", "secret"), KeyringOutcome::NoKeyring);
        EXPECT_EQ(keyring.Read(kind, "alice", "h:21", got), KeyringOutcome::NoKeyring);
        EXPECT_EQ(got, "");
        EXPECT_EQ(keyring.Forget(kind, "alice", "h:21"), KeyringOutcome::NoKeyring);
    }
    EXPECT_EQ(FilesUnder(home_.path()), QStringList());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
