// DavPage: the CalDAV controls of the connection dialog, discovery on a
// worker thread, and the making of the lists a choice needs.
#include "DavPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <functional>
#include <thread>

#include "DavAddress.h"
#include "DavSettings.h"
#include "FieldText.h"
#include "MessageService.h"
#include "ResourceIds.h"
#include "SecretMemory.h"
#include "TemplateDialog.h"

using namespace ConnectDialogIds;

namespace {

// What an item of the list stands for, beside an index into the account's
// lists.
constexpr int kSavedList = -1;  // the list the record names, found or not
constexpr int kNewList = -2;    // a new list "veskat", made on OK

// A server that takes this long to move a byte is one the user would
// rather hear about than wait for; キャンセル ends the wait sooner.
constexpr long kStallSeconds = 20;

QString AddressVerdictMessage(AddressVerdict verdict) {
    switch (verdict) {
        case AddressVerdict::Allowed:
            return {};
        case AddressVerdict::NotAnAddress:
            return QStringLiteral("CalDAVサーバーのアドレスを入力してください。");
        case AddressVerdict::NotHttp:
        case AddressVerdict::PlainHttpElsewhere:
            return QStringLiteral(
                "このアドレスには接続しません。https:// で始まるアドレスを入力してください"
                " (http:// はこのコンピューターのサーバーだけに使えます)。");
        case AddressVerdict::HoldsLogin:
            return QStringLiteral(
                "アドレスにユーザーIDやパスワードを含めないでください。"
                "ユーザーIDとパスワードはそれぞれの欄に入力してください。");
    }
    return {};
}

// The server's root, as the address field shows it for a list kept.
QString ServerOf(const QUrl& list) {
    if (list.isEmpty()) {
        return {};
    }
    return list.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment)
               .toString(QUrl::FullyEncoded) +
           QLatin1Char('/');
}

std::string Stored(const QUrl& url) {
    return url.toString(QUrl::FullyEncoded).toStdString();
}

// A list that is the companion of another list found: offered, it would be
// taken for a list of its own.
bool IsCompanion(const TaskList& list, const std::vector<TaskList>& lists) {
    return std::any_of(lists.begin(), lists.end(), [&](const TaskList& other) {
        return CompanionName(other) == list.displayName;
    });
}

}  // namespace

DavPage::DavPage(TemplateDialog& dialog, DavSettings& settings, MessageService& messages)
    : dialog_(dialog),
      settings_(settings),
      messages_(messages),
      use_(dialog.Control<QCheckBox>(kUseDavId)),
      address_(dialog.Control<QLineEdit>(kDavAddressEdit)),
      userId_(dialog.Control<QLineEdit>(kDavUserIdEdit)),
      password_(dialog.Control<QLineEdit>(kDavPasswordEdit)),
      discover_(dialog.Control<QPushButton>(kDavDiscoverId)),
      lists_(dialog.Control<QComboBox>(kDavListList)),
      caFile_(dialog.Control<QLineEdit>(kDavCaFileEdit)),
      browseCaFile_(dialog.Control<QPushButton>(kDavCaFileBrowseId)),
      status_(dialog.Control<QLabel>(kDavStatusText)),
      unchosen_(lists_->itemText(0)) {
    QObject::connect(discover_, &QPushButton::clicked, &dialog, [this] { Discover(); });
    QObject::connect(browseCaFile_, &QPushButton::clicked, &dialog,
                     [this] { BrowseCertificateFile(&dialog_, caFile_); });
    // Lists found belong to the account they were found in.
    for (QLineEdit* edit : {address_, userId_}) {
        QObject::connect(edit, &QLineEdit::textEdited, &dialog, [this] { ForgetAccount(); });
    }
}

DavPage::~DavPage() {
    password_->clear();
}

void DavPage::Fill() {
    use_->setChecked(settings_.davMode == 1);
    const QUrl url(QString::fromStdString(settings_.url));
    address_->setText(ServerOf(url));
    ShowFieldText(userId_, settings_.userId);
    ShowFieldText(caFile_, settings_.caFile);
    ForgetAccount();
}

void DavPage::ForgetAccount() {
    account_ = DavAccount();
    lists_->clear();
    if (settings_.url.empty()) {
        lists_->addItem(unchosen_);
        status_->setText(QStringLiteral("「探す」でサーバーのタスクリストを読み込みます。"));
    } else {
        lists_->addItem(LastSegment(QUrl(QString::fromStdString(settings_.url))), kSavedList);
        status_->clear();
    }
    EnableControls();
}

void DavPage::EnableControls() {
    const bool on = use_->isChecked() && !busy_;
    use_->setEnabled(!busy_);
    for (QWidget* control : std::initializer_list<QWidget*>{address_, userId_, password_, discover_,
                                                            lists_, caFile_, browseCaFile_}) {
        control->setEnabled(on);
    }
}

void DavPage::CancelRequest() {
    if (busy_ && client_ != nullptr) {
        client_->Cancel();
    }
}

QUrl DavPage::Address() const {
    return AddressFromUserText(address_->text());
}

void DavPage::PrepareClient() {
    // A client once cancelled fails every later request, so each run gets its own.
    client_ = std::make_unique<DavClient>();
    std::string password = password_->text().toUtf8().toStdString();
    if (password.empty()) {
        password = settings_.password;
    }
    client_->SetLogin(userId_->text().toUtf8().toStdString(), password);
    WipeText(password);
    client_->SetCaFile(QFile::encodeName(caFile_->text()).toStdString());
    client_->SetStallSeconds(kStallSeconds);
}

void DavPage::RunBusy(const std::function<void()>& work) {
    busy_ = true;
    EnableControls();
    QPushButton* ok = dialog_.Control<QPushButton>(kIdOk);
    ok->setEnabled(false);
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    {
        QEventLoop loop;
        // Posted, not called: a quit before exec() has started would be lost.
        std::thread worker([&work, &loop] {
            work();
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        loop.exec();
        worker.join();
    }
    QGuiApplication::restoreOverrideCursor();
    ok->setEnabled(true);
    busy_ = false;
    EnableControls();
}

void DavPage::Discover() {
    const QUrl address = Address();
    if (const QString problem = AddressVerdictMessage(CheckAddress(address)); !problem.isEmpty()) {
        messages_.Inform(&dialog_, problem);
        address_->setFocus();
        return;
    }
    PrepareClient();
    status_->setText(QStringLiteral("サーバーに問い合わせています..."));
    DavAccount found;
    DiscoveryResult result;
    RunBusy([&] { result = DavDiscovery(*client_).Discover(address, found); });
    switch (result.outcome) {
        case DiscoveryOutcome::Found:
        case DiscoveryOutcome::Made:
            account_ = std::move(found);
            ShowLists();
            return;
        case DiscoveryOutcome::NotCalDav:
            ForgetAccount();
            messages_.Inform(&dialog_,
                             QStringLiteral("このアドレスにCalDAVサーバーが見つかりませんでした。"
                                            "アドレスを確かめてください。"));
            return;
        case DiscoveryOutcome::MovedElsewhere:
            ForgetAccount();
            // The password would go with the next request, so only the user may send it there.
            if (messages_.AskYes(
                    &dialog_,
                    QStringLiteral("サーバーは別のアドレスでの接続を求めています。"
                                   "そのアドレスで探しますか? パスワードもそこへ送られます。"),
                    result.movedTo.toDisplayString())) {
                address_->setText(result.movedTo.toString(QUrl::FullyEncoded));
                Discover();
            }
            return;
        case DiscoveryOutcome::Failed:
            ForgetAccount();
            static_cast<void>(ToldFailure(result));  // failed, as the outcome says
            return;
    }
}

void DavPage::ShowLists() {
    lists_->clear();
    const QUrl kept(QString::fromStdString(settings_.url));
    int chosen = -1;
    int shown = 0;
    for (std::size_t i = 0; i < account_.lists.size(); ++i) {
        const TaskList& list = account_.lists[i];
        if (IsCompanion(list, account_.lists)) {
            continue;
        }
        lists_->addItem(list.displayName, static_cast<int>(i));
        if (SameResource(list.url, kept) ||
            (chosen < 0 && list.displayName == DavDiscovery::kNewListName)) {
            chosen = lists_->count() - 1;
        }
        ++shown;
    }
    // A list of that name is found, never made again, so only its absence offers the new one.
    if (lists_->findText(DavDiscovery::kNewListName) < 0) {
        lists_->addItem(QStringLiteral("新しいリスト「%1」を作る").arg(DavDiscovery::kNewListName),
                        kNewList);
    }
    lists_->setCurrentIndex(chosen >= 0 ? chosen : lists_->count() - 1);
    status_->setText(shown > 0
                         ? QStringLiteral("タスクリストが %1 件見つかりました。").arg(shown)
                         : QStringLiteral("タスクリストがありません。新しいリストを作れます。"));
    EnableControls();
}

bool DavPage::ToldFailure(const DiscoveryResult& result) {
    if (result.outcome != DiscoveryOutcome::Failed) {
        return false;
    }
    if (result.transfer == DavOutcome::Cancelled) {
        status_->setText(DavFailureMessage(result.transfer, result.status));
        return true;
    }
    status_->clear();
    messages_.Inform(&dialog_, DavFailureMessage(result.transfer, result.status));
    if (result.transfer == DavOutcome::NotAuthorised) {
        password_->setFocus();
        password_->selectAll();
    }
    return true;
}

bool DavPage::MakeChoice(TaskList& list, TaskList& companion) {
    const int item = lists_->currentData().toInt();
    if (item >= 0) {
        list = account_.lists[static_cast<std::size_t>(item)];
    }
    PrepareClient();
    status_->setText(QStringLiteral("タスクリストを用意しています..."));
    DiscoveryResult result;
    RunBusy([&] {
        DavDiscovery discovery(*client_);
        if (item == kNewList) {
            result = discovery.FindOrMakeNewList(account_, list);
            if (result.outcome == DiscoveryOutcome::Failed) {
                return;
            }
        }
        result = discovery.FindOrMakeCompanion(account_, list, companion);
    });
    if (ToldFailure(result)) {
        return false;
    }
    status_->clear();
    return true;
}

DavPage::Taken DavPage::Take() {
    std::string userId, caFile;
    QWidget* parent = &dialog_;
    if (!ReadFieldText(userId_, DavSettings::kNameLimit, "CalDAVのユーザーID", messages_, parent,
                       userId) ||
        !ReadFieldText(caFile_, DavSettings::kPathLimit, "CalDAVの信頼する証明書", messages_,
                       parent, caFile)) {
        return Taken::Refused;
    }
    const bool on = use_->isChecked();
    std::string url = settings_.url;
    std::string repUrl = settings_.repUrl;
    if (on) {
        const QVariant item = lists_->currentData();
        if (!item.isValid() || (item.toInt() == kSavedList && repUrl.empty())) {
            messages_.Inform(parent, QStringLiteral("CalDAVのタスクリストを選んでください。"
                                                    "「探す」で一覧を読み込めます。"));
            discover_->setFocus();
            return Taken::Refused;
        }
        if (item.toInt() != kSavedList) {
            TaskList list;
            TaskList companion;
            if (!MakeChoice(list, companion)) {
                return Taken::Refused;
            }
            url = Stored(list.url);
            repUrl = Stored(companion.url);
        }
    }
    std::string typed = password_->text().toUtf8().toStdString();
    if (!typed.empty()) {
        settings_.password.swap(typed);
        WipeText(typed);
    } else if (userId != settings_.userId ||
               ServerOf(QUrl(QString::fromStdString(url))) !=
                   ServerOf(QUrl(QString::fromStdString(settings_.url)))) {
        WipeText(settings_.password);
    }
    settings_.davMode = on ? 1 : 0;
    settings_.userId = userId;
    settings_.caFile = caFile;
    settings_.url = url;
    settings_.repUrl = repUrl;
    return Taken::Taken;
}

QString DavFailureMessage(DavOutcome outcome, long status) {
    switch (outcome) {
        case DavOutcome::NotAuthorised:
            return QStringLiteral("サーバーがユーザーIDかパスワードを受け付けませんでした。");
        case DavOutcome::CertificateRefused:
            return QStringLiteral(
                "サーバーの証明書を信頼できませんでした。自己署名の証明書なら、"
                "その証明書 (PEM) を「信頼する証明書」に指定してください。");
        case DavOutcome::Unreachable:
            return QStringLiteral("サーバーに接続できませんでした。アドレスを確かめてください。");
        case DavOutcome::Stalled:
            return QStringLiteral("サーバーが応答しなくなりました。");
        case DavOutcome::AddressRefused:
            return AddressVerdictMessage(AddressVerdict::PlainHttpElsewhere);
        case DavOutcome::TooLarge:
            return QStringLiteral("サーバーの応答が大きすぎます。");
        case DavOutcome::Cancelled:
            return QStringLiteral("中止しました。");
        case DavOutcome::Done:
        case DavOutcome::Forbidden:
        case DavOutcome::NotFound:
        case DavOutcome::PreconditionFailed:
        case DavOutcome::Refused:
        case DavOutcome::NotSent:
            break;
    }
    if (status == 0) {
        return QStringLiteral("サーバーとのやり取りに失敗しました。");
    }
    return QStringLiteral("サーバーが要求を受け付けませんでした (HTTP %1)。").arg(status);
}
