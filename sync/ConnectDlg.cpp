// CConnectDlg: first-paint fill, the check box's enabling rule and OK.
#include "ConnectDlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <cstdio>

#include "ConnectSettings.h"
#include "FieldText.h"
#include "FileChooser.h"
#include "ResourceIds.h"
#include "SecretMemory.h"

using namespace ConnectDialogIds;

CConnectDlg::CConnectDlg(ConnectSettings* settings, MessageService& messages, QWidget* parent)
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
      browseCaFile_(Control<QPushButton>(kCaFileBrowseId)) {
    connect(useServer_, &QCheckBox::clicked, this, [this] { EnableEdits(); });
    connect(useTls_, &QCheckBox::clicked, this, [this] { EnableEdits(); });
    connect(browseCaFile_, &QPushButton::clicked, this, [this] { BrowseCaFile(); });
}

void CConnectDlg::paintEvent(QPaintEvent* event) {
    if (paintCount_++ == 0) {
        FillControls();
    }
    TemplateDialog::paintEvent(event);
}

void CConnectDlg::FillControls() {
    useServer_->setChecked(settings_->ftpMode == 1);
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
}

void CConnectDlg::BrowseCaFile() {
    const QString chosen =
        ChooseFile(this, FileChoice::Open, QStringLiteral("信頼する証明書"), caFile_->text(),
                   QStringLiteral("証明書 (*.pem *.crt *.cer);;すべてのファイル (*)"));
    if (!chosen.isEmpty()) {
        caFile_->setText(chosen);
    }
}

void CConnectDlg::OnOK() {
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
    settings_->ftpMode = useServer_->isChecked() ? 1 : 0;
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

void RunConnectDialog(ConnectSettings& settings, MessageService& messages, QWidget* parent) {
    CConnectDlg dialog(&settings, messages, parent);
    if (dialog.exec() == 1) {
        settings.Save(kIniFileName);
        // The password that the next transfer asks for must not reach a core
        // file. A system that refuses the guard leaves the program as it
        // always was; the password is still wiped wherever it is held.
        static_cast<void>(GuardPasswordMemory(settings));
    }
}
