// The files the program makes beside a private data file, through its own
// start-up and save against a real FTP server under a umask of 022: the
// markers, the copy fetched beside a file with unsent changes, the dated
// copies of a file that did not load and of a damaged server copy, the
// backups, the base copies and the conflict file all end as private (0600)
// as the data files.
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <sys/stat.h>

#include <map>

#include "ConnectSettings.h"
#include "ServerTestSupport.h"
#include "SubjListDlg.h"

namespace {

constexpr mode_t kPrivate = 0600;

mode_t ModeOf(const QString& name) {
    struct stat info {};
    return stat(QFile::encodeName(name).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

}  // namespace

class SideFilesTest : public WindowTestCase {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase();

    void shouldGiveEverySideFileTheDataFilesPermissions_data();
    void shouldGiveEverySideFileTheDataFilesPermissions();

  private:
    // One start-up and one save that leave every kind of side file behind.
    void StartUpAndSave();

    mode_t oldUmask_ = 0;
    std::unique_ptr<FtpServer> server_;
    std::map<QString, mode_t> modes_;  // every file of the folder after the save
};

void SideFilesTest::initTestCase() {
    oldUmask_ = umask(022);
    server_ = std::make_unique<FtpServer>();
    QVERIFY(server_->Running());
    EnterFreshFolder();
    StartUpAndSave();
}

void SideFilesTest::cleanupTestCase() {
    LeaveFolder();
    server_.reset();
    umask(oldUmask_);
}

void SideFilesTest::StartUpAndSave() {
    // The server's copies, as another computer saved them: the same subject
    // done there while it is open here.
    WriteDataFiles({Indiv(2024, 6, 1, 9, 0, "shared", Progress::Done)}, {Rep("r", Progress::Open)});
    server_->PutServerFile("srv_i.dat", Lf(ReadFile(kIndivFileName)));
    server_->PutServerFile("srv_r.dat", Lf(ReadFile(kRepFileName)));
    // Here: a change never sent, and a line the loader cannot take.
    WriteDataFiles({Indiv(2024, 6, 1, 9, 0, "shared", Progress::Open)}, {Rep("r", Progress::Open)});
    WriteFile(kIndivFileName, ReadFile(kIndivFileName) + "not a subject\r\n");
    WriteFile(QString(kIndivFileName) + kUnsentSuffix, {});
    for (const char* file : {kIndivFileName, kRepFileName}) {
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
    }
    WriteServerIni(*server_);

    CSubjListDlg window(messages_);
    window.Settings().password = FtpServer::kPassword;
    window.OnInitDialog();
    // Meanwhile the server's repeating file is damaged.
    server_->PutServerFile("srv_r.dat", "not a data file\n");
    // A save that sends lifts the markers: their modes are taken as the sending begins.
    WhenServerWorkBegins(this, [this] {
        for (const char* file : {kIndivFileName, kRepFileName}) {
            const QString marker = QString(file) + kUnsentSuffix;
            modes_[marker] = ModeOf(marker);
        }
    });
    window.Control<QPushButton>(1009)->click();

    for (const QString& name : folder_->Entries()) {
        modes_[name] = ModeOf(name);
    }
}

void SideFilesTest::shouldGiveEverySideFileTheDataFilesPermissions_data() {
    QTest::addColumn<QString>("pattern");
    QTest::newRow("data files") << R"(veskat_[ir]\.dat)";
    QTest::newRow("unsent markers") << R"(veskat_[ir]\.dat\.unsent)";
    QTest::newRow("server's copy beside unsent changes") << R"(veskat_i\.dat\.server)";
    QTest::newRow("dated copy of a file not loaded") << R"(veskat_i\.dat\.20240515-123020)";
    QTest::newRow("dated copy of a damaged server copy")
        << R"(veskat_r\.dat\.incoming\.20240515-123020)";
    QTest::newRow("backups") << R"(veskat_[ir]\.dat\.bak)";
    QTest::newRow("base copies") << R"(veskat_[ir]\.dat\.base)";
    QTest::newRow("conflict file") << R"(veskat_i\.dat\.conflict-20240515-123020)";
}

void SideFilesTest::shouldGiveEverySideFileTheDataFilesPermissions() {
    QFETCH(QString, pattern);
    const QRegularExpression whole(QRegularExpression::anchoredPattern(pattern));
    int found = 0;
    for (const auto& [name, mode] : modes_) {
        if (whole.match(name).hasMatch()) {
            ++found;
            QVERIFY2(mode == kPrivate, qPrintable(name + " " + QString::number(mode, 8)));
        }
    }
    QStringList names;
    for (const auto& entry : modes_) {
        names << entry.first;
    }
    QVERIFY2(found > 0, qPrintable("none among " + names.join(' ')));
}

QTEST_MAIN(SideFilesTest)
#include "SideFilesTest.moc"
