// veskat --import-ics through the launcher, as a user runs it: refused while
// this user's window runs, with the folder untouched; otherwise written as a
// save is, with a backup of what it replaces and, with the server on, the
// unsent markers that make the next start-up merge; a second import of the
// same file adds nothing; and a file that is no calendar changes nothing.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "SingleInstance.h"

namespace {

const QByteArray kCalendar =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n"
    "BEGIN:VTODO\r\nUID:1\r\nSUMMARY:dentist\r\nDUE:20240520T090000\r\nEND:VTODO\r\n"
    "BEGIN:VTODO\r\nUID:2\r\nSUMMARY:taxes\r\nDUE;VALUE=DATE:20250315\r\n"
    "STATUS:COMPLETED\r\nEND:VTODO\r\n"
    "BEGIN:VEVENT\r\nUID:3\r\nSUMMARY:gym\r\nDTSTART:20240102T070000\r\n"
    "RRULE:FREQ=WEEKLY;BYDAY=TU,TH\r\nEND:VEVENT\r\n"
    "END:VCALENDAR\r\n";

const QByteArray kSaved = "_VESKAT_I_DAT_VER_1_2_\r\n2024\t05\t16\tsaved\t09\t00\tU\t\t\r\n";

struct Run {
    int code;
    QString out;
    QString err;
};

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

}  // namespace

class ImportCommandLineTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        runtime_ = std::make_unique<QTemporaryDir>();
        top_ = std::make_unique<QTemporaryDir>();
        previousRuntime_ = qgetenv("XDG_RUNTIME_DIR");
        // This test's lock and socket, so that no other run of the tests meets them.
        qputenv("XDG_RUNTIME_DIR", runtime_->path().toLocal8Bit());
        data_ = top_->filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkdir(data_));
        Write(DataFile("veskat_i.dat"), kSaved);
        Write(top_->filePath(QStringLiteral("in.ics")), kCalendar);
    }
    void cleanup() { qputenv("XDG_RUNTIME_DIR", previousRuntime_); }

    void refusedWhileTheWindowRuns();
    void writtenAsASaveWithTheServersMarkers();
    void aFileThatIsNoCalendarChangesNothing();

  private:
    QString DataFile(const char* name) const { return data_ + QLatin1Char('/') + name; }
    QStringList DataEntries() const {
        return QDir(data_).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    Run Import(const QString& file) const {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        env.insert(QStringLiteral("TZ"), QStringLiteral("Asia/Tokyo"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(VESKAT_LAUNCHER),
                      {QStringLiteral("--import-ics"), file, data_});
        if (!process.waitForFinished(60000)) {
            return {-1, {}, {}};
        }
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    std::unique_ptr<QTemporaryDir> runtime_;
    std::unique_ptr<QTemporaryDir> top_;
    QByteArray previousRuntime_;
    QString data_;
};

void ImportCommandLineTest::refusedWhileTheWindowRuns() {
    const QStringList before = DataEntries();
    // The lock a running window of the folder holds, and the one a window of
    // the earlier version held for every folder.
    for (const QString& name : {SingleInstance::NameFor(SingleInstance::Owner::Window, data_),
                                SingleInstance::EarlierWindowName()}) {
        SingleInstance window(name);
        QCOMPARE(window.Claim(), SingleInstance::Role::First);
        const Run refused = Import(top_->filePath(QStringLiteral("in.ics")));
        QCOMPARE(refused.code, 3);
        QCOMPARE(refused.err, QStringLiteral("veskat: the veskat window is open: import in it, or "
                                             "close it first\n"));
        QCOMPARE(DataEntries(), before);
        QCOMPARE(Read(DataFile("veskat_i.dat")), kSaved);
    }
    const Run done = Import(top_->filePath(QStringLiteral("in.ics")));
    QCOMPARE(done.code, 0);
    QCOMPARE(done.out, QStringLiteral("2 dated and 1 repeating subjects were added.\n"));
}

void ImportCommandLineTest::writtenAsASaveWithTheServersMarkers() {
    Write(DataFile("veskat.ini"), "[FTP]\r\nftpmode=TRUE\r\nhostname=127.0.0.1\r\n");
    const Run first = Import(top_->filePath(QStringLiteral("in.ics")));
    QCOMPARE(first.code, 0);
    QCOMPARE(first.err, QString());
    const QByteArray indiv = Read(DataFile("veskat_i.dat"));
    QVERIFY(indiv.startsWith(kSaved.left(24)));
    QVERIFY(indiv.contains("2024\t05\t16\tsaved\t09\t00\tU"));
    QVERIFY(indiv.contains("2024\t05\t20\tdentist\t09\t00\tU"));
    QVERIFY(indiv.contains("2025\t03\t15\ttaxes\t00\t00\tC"));
    QVERIFY(Read(DataFile("veskat_r.dat"))
                .contains("gym\t00\t00\t00\t0\t0\t0\t1\t0\t1\t0\t0\t0\t07\t00\tN"));
    // What a save leaves: the replaced file kept, the change marked for the server.
    QCOMPARE(Read(DataFile("veskat_i.dat.bak")), kSaved);
    QVERIFY(QFile::exists(DataFile("veskat_i.dat.unsent")));
    QVERIFY(QFile::exists(DataFile("veskat_r.dat.unsent")));

    const QStringList entries = DataEntries();
    const Run again = Import(top_->filePath(QStringLiteral("in.ics")));
    QCOMPARE(again.code, 0);
    QCOMPARE(again.out, QStringLiteral("0 dated and 0 repeating subjects were added.\n"
                                       "3 subjects are already there and are left as they are.\n"));
    QCOMPARE(Read(DataFile("veskat_i.dat")), indiv);
    QCOMPARE(DataEntries(), entries);
}

void ImportCommandLineTest::aFileThatIsNoCalendarChangesNothing() {
    const QString notes = top_->filePath(QStringLiteral("notes.ics"));
    Write(notes, "BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\nSUMMARY:half\r\n");
    const QStringList before = DataEntries();
    const Run run = Import(notes);
    QCOMPARE(run.code, 1);
    QCOMPARE(run.err, QStringLiteral("veskat: %1 ends at line 3 before its calendar does: it is "
                                     "cut short. Nothing was added.\n")
                          .arg(notes));
    QCOMPARE(DataEntries(), before);
    QCOMPARE(Read(DataFile("veskat_i.dat")), kSaved);
}

QTEST_GUILESS_MAIN(ImportCommandLineTest)
#include "ImportCommandLineTest.moc"
