// CConnectDlg: first-paint fill, the check boxes' enabling rules and OK.
#include "ConnectDlg.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <cstdio>

#include "ConnectSettings.h"
#include "DavPage.h"
#include "DavSettings.h"
#include "FieldText.h"
#include "MessageService.h"
#include "ResourceIds.h"
#include "SecretMemory.h"

using namespace ConnectDialogIds;

CConnectDlg::CConnectDlg(ConnectSettings* settings, DavSettings* dav, MessageService& messages,
                         QWidget* parent)
    : TemplateDialog(kConnectDialogId, parent),
      settings_(settings),
      messages_(messages),
      useServer_(Control<QCheckBox>(kUseServerId)),
      userId_(Control<QLineEdit>(kUserIdEdit)),
      hostName_(Control<QLineEdit>(kHostNameEdit)),
      port_(Control<QLineEdit>(kPortEdit)),
      indivPath_(Control<QLineEdit>(kIndivPathEdit)),
      repPath_(Control<QLineEdit>(kRepPathEdit)),
      useTls_(Control<QCheckBox>(kUseTlsId)),
      caFile_(Control<QLineEdit>(kCaFileEdit)),
      browseCaFile_(Control<QPushButton>(kCaFileBrowseId)),
      useDav_(Control<QCheckBox>(kUseDavId)),
      davPage_(std::make_unique<DavPage>(*this, *dav, messages)) {
    connect(useServer_, &QCheckBox::clicked, this, [this] { ChooseKind(useServer_); });
    connect(useDav_, &QCheckBox::clicked, this, [this] { ChooseKind(useDav_); });
    connect(useTls_, &QCheckBox::clicked, this, [this] { EnableEdits(); });
    connect(browseCaFile_, &QPushButton::clicked, this,
            [this] { BrowseCertificateFile(this, caFile_); });
}

CConnectDlg::~CConnectDlg() = default;

void CConnectDlg::paintEvent(QPaintEvent* event) {
    if (paintCount_++ == 0) {
        FillControls();
    }
    TemplateDialog::paintEvent(event);
}

void CConnectDlg::FillControls() {
    davPage_->Fill();
    useServer_->setChecked(settings_->ftpMode == 1 && !useDav_->isChecked());
    ShowFieldText(userId_, settings_->userId);
    ShowFieldText(hostName_, settings_->hostName);
    char portText[16];
    std::snprintf(portText, sizeof portText, "%d", settings_->port);
    port_->setText(QString::fromLatin1(portText));
    ShowFieldText(indivPath_, settings_->indivSubjPath);
    ShowFieldText(repPath_, settings_->repSubjPath);
    useTls_->setChecked(settings_->ftpTls == 1);
    ShowFieldText(caFile_, settings_->caFile);
    EnableEdits();
}

void CConnectDlg::EnableEdits() {
    for (QLineEdit* edit : {userId_, hostName_, port_, indivPath_, repPath_}) {
        edit->setEnabled(useServer_->isChecked());
    }
    useTls_->setEnabled(useServer_->isChecked());
    const bool tls = useServer_->isChecked() && useTls_->isChecked();
    caFile_->setEnabled(tls);
    browseCaFile_->setEnabled(tls);
    davPage_->EnableControls();
}

void CConnectDlg::ChooseKind(QCheckBox* ticked) {
    if (ticked->isChecked()) {
        (ticked == useServer_ ? useDav_ : useServer_)->setChecked(false);
    }
    EnableEdits();
}

void CConnectDlg::OnCancel() {
    if (davPage_->Busy()) {
        davPage_->CancelRequest();
        return;
    }
    TemplateDialog::OnCancel();
}

void CConnectDlg::OnOK() {
    if (davPage_->Busy()) {
        return;
    }
    // OK before the first paint would otherwise store the empty controls.
    if (paintCount_ == 0) {
        FillControls();
        paintCount_ = 1;
    }
    std::string userId, hostName, portText, indivPath, repPath, caFile;
    QWidget* self = this;
    if (!ReadFieldText(userId_, ConnectSettings::kNameLimit, "ユーザーID", messages_, self,
                       userId) ||
        !ReadFieldText(hostName_, ConnectSettings::kNameLimit, "サーバー名又はアドレス", messages_,
                       self, hostName) ||
        !ReadFieldText(port_, ConnectSettings::kNameLimit, "ポート番号", messages_, self,
                       portText) ||
        !ReadFieldText(indivPath_, ConnectSettings::kPathLimit, "個別案件ファイル名", messages_,
                       self, indivPath) ||
        !ReadFieldText(repPath_, ConnectSettings::kPathLimit, "反復案件ファイル名", messages_, self,
                       repPath) ||
        !ReadFieldText(caFile_, ConnectSettings::kPathLimit, "信頼する証明書", messages_, self,
                       caFile)) {
        return;
    }
    if (davPage_->Take() != DavPage::Taken::Taken) {
        return;
    }
    // CalDAV takes precedence, so choosing it leaves the FTP switch as the file has it.
    if (!useDav_->isChecked()) {
        settings_->ftpMode = useServer_->isChecked() ? 1 : 0;
    }
    settings_->userId = userId;
    settings_->hostName = hostName;
    settings_->port = LeadingNumber(portText);
    settings_->indivSubjPath = indivPath;
    settings_->repSubjPath = repPath;
    settings_->ftpTls = useTls_->isChecked() ? 1 : 0;
    settings_->caFile = caFile;
    WipeText(settings_->password);
    done(1);
}

void RunConnectDialog(ConnectSettings& settings, DavSettings& dav, MessageService& messages,
                      QWidget* parent) {
    const std::vector<IniFile::KeyValuePair> ftpBefore = settings.StoredKeys();
    const std::vector<IniFile::KeyValuePair> davBefore = dav.StoredKeys();
    CConnectDlg dialog(&settings, &dav, messages, parent);
    if (dialog.exec() != 1) {
        return;
    }
    const bool ftpWritten =
        settings.StoredKeys() == ftpBefore || settings.Save(kIniFileName) == FileWrite::Written;
    const bool davWritten =
        dav.StoredKeys() == davBefore || dav.Save(kIniFileName) == DavSettings::SaveOutcome::Saved;
    if (!ftpWritten || !davWritten) {
        messages.Inform(parent, SettingsNotSavedMessage(kIniFileName));
    }
    // The password that the next transfer asks for must not reach a core
    // file. A system that refuses the guard leaves the program as it
    // always was; the password is still wiped wherever it is held.
    static_cast<void>(GuardPasswordMemory(settings));
    static_cast<void>(GuardPasswordMemory(dav));
}

void RunConnectDialog(ConnectSettings& settings, MessageService& messages, QWidget* parent) {
    DavSettings dav;
    dav.Load(kIniFileName);
    RunConnectDialog(settings, dav, messages, parent);
}

// The whole name: the working folder is the data folder, which the user may
// not have in mind.
QString SettingsNotSavedMessage(const std::string& iniFile) {
    return QStringLiteral(
               "設定を %1 に保存できませんでした。変更はこのセッションの間だけ有効です。")
        .arg(QFileInfo(QString::fromLocal8Bit(iniFile)).absoluteFilePath());
}
