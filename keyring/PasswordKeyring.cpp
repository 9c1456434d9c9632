#include "PasswordKeyring.h"

#include <qt6keychain/keychain.h>
#include <QEventLoop>
#include <QTimer>

#include <memory>

#include "SecretText.h"

namespace {

QString EntryKey(PasswordOf kind, const QString& userId, const QString& address) {
    const QString prefix =
        kind == PasswordOf::FtpServer ? QStringLiteral("ftp:") : QStringLiteral("caldav:");
    return prefix + userId + QLatin1Char('@') + address;
}

KeyringOutcome FromError(QKeychain::Error error) {
    switch (error) {
        case QKeychain::NoError:
            return KeyringOutcome::Done;
        case QKeychain::EntryNotFound:
            return KeyringOutcome::NotFound;
        case QKeychain::AccessDenied:
        case QKeychain::AccessDeniedByUser:
        case QKeychain::CouldNotDeleteEntry:
            return KeyringOutcome::Denied;
        case QKeychain::NoBackendAvailable:
        case QKeychain::NotImplemented:
        case QKeychain::OtherError:
            // A session bus without a keyring service, or a Secret Service
            // without a collection to keep passwords in, answers OtherError.
            break;
    }
    return KeyringOutcome::NoKeyring;
}

// What a job left when it finished: shared with the job's signal, so that a
// job that outlives the wait finishes into this and not into freed memory.
struct Answer {
    bool finished = false;
    QKeychain::Error error = QKeychain::OtherError;
    QByteArray data;
};

// Runs `job` (which deletes itself once finished) and waits for it at most
// `waitMillis`; NoKeyring when it did not answer in time.
KeyringOutcome Run(QKeychain::Job* job, int waitMillis, QByteArray* data = nullptr) {
    auto answer = std::make_shared<Answer>();
    QEventLoop loop;
    QObject::connect(job, &QKeychain::Job::finished, job, [answer, &loop](QKeychain::Job* done) {
        answer->finished = true;
        answer->error = done->error();
        if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(done)) {
            answer->data = read->binaryData();
        }
        loop.quit();
    });
    // The wait ends the loop only while the loop is there to end.
    QTimer::singleShot(waitMillis, &loop, &QEventLoop::quit);
    job->setAutoDelete(true);
    // Never a plain file where no keyring answers.
    job->setInsecureFallback(false);
    job->start();
    if (!answer->finished) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (!answer->finished) {
        // Too late now: the job may still finish, but nobody waits for it.
        QObject::disconnect(job, &QKeychain::Job::finished, job, nullptr);
        return KeyringOutcome::NoKeyring;
    }
    if (data != nullptr) {
        *data = answer->data;
    }
    answer->data.fill('\0');
    return FromError(answer->error);
}

}  // namespace

KeyringOutcome PasswordKeyring::Store(PasswordOf kind, const QString& userId,
                                      const QString& address, const std::string& password) {
    auto* job = new QKeychain::WritePasswordJob(service_);
    job->setKey(EntryKey(kind, userId, address));
    QByteArray bytes(password.data(), static_cast<qsizetype>(password.size()));
    job->setBinaryData(bytes);
    bytes.fill('\0');
    return Run(job, waitMillis_);
}

KeyringOutcome PasswordKeyring::Read(PasswordOf kind, const QString& userId, const QString& address,
                                     std::string& password) {
    WipeText(password);
    auto* job = new QKeychain::ReadPasswordJob(service_);
    job->setKey(EntryKey(kind, userId, address));
    QByteArray bytes;
    const KeyringOutcome outcome = Run(job, waitMillis_, &bytes);
    if (outcome == KeyringOutcome::Done) {
        password.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    bytes.fill('\0');
    return outcome;
}

KeyringOutcome PasswordKeyring::Forget(PasswordOf kind, const QString& userId,
                                       const QString& address) {
    auto* job = new QKeychain::DeletePasswordJob(service_);
    job->setKey(EntryKey(kind, userId, address));
    const KeyringOutcome outcome = Run(job, waitMillis_);
    return outcome == KeyringOutcome::NotFound ? KeyringOutcome::Done : outcome;
}
