// The connection settings dialog "接続設定" (template 140): edits the live
// ConnectSettings and DavSettings records and, on OK, writes the edits into
// them and empties the FTP password. Writing the INI file is the caller's
// (see RunConnectDialog). The FTP part holds the server fields, encryption
// and the certificate file to trust; the CalDAV part is a DavPage. One kind
// of server is on at a time: ticking one kind's box clears the other's.
#pragma once

#include <QString>
#include <memory>
#include <string>

#include "TemplateDialog.h"

struct ConnectSettings;
struct DavSettings;
class DavPage;
class MessageService;
class QCheckBox;
class QLineEdit;
class QPushButton;

class CConnectDlg : public TemplateDialog {
  public:
    // `settings`, `dav` and `messages` must outlive the dialog.
    CConnectDlg(ConnectSettings* settings, DavSettings* dav, MessageService& messages,
                QWidget* parent = nullptr);
    ~CConnectDlg() override;

    int PaintCount() const { return paintCount_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void OnOK() override;
    // While the CalDAV part waits for its server, only asks the wait to end.
    void OnCancel() override;

  private:
    void FillControls();
    void EnableEdits();
    // Ticking one kind of server clears the other kind's box.
    void ChooseKind(QCheckBox* ticked);

    ConnectSettings* settings_;
    MessageService& messages_;
    int paintCount_ = 0;
    QCheckBox* useServer_;
    QLineEdit* userId_;
    QLineEdit* hostName_;
    QLineEdit* port_;
    QLineEdit* indivPath_;
    QLineEdit* repPath_;
    QCheckBox* useTls_;
    QLineEdit* caFile_;
    QPushButton* browseCaFile_;
    QCheckBox* useDav_;
    std::unique_ptr<DavPage> davPage_;
};

// The menu command "接続(&C)...": runs the dialog modally on `settings` and
// `dav` and, only when it ends with OK, writes to the INI file "./veskat.ini"
// the sections whose values changed, so that switching to one kind of server
// leaves the other's section byte for byte as it was. A file that cannot be
// written is for the user to hear of: the settings chosen hold until the
// program ends, and the next start reads the old ones.
void RunConnectDialog(ConnectSettings& settings, DavSettings& dav, MessageService& messages,
                      QWidget* parent);
// The same for a caller that holds no CalDAV record: the dialog edits the
// one the INI file holds.
void RunConnectDialog(ConnectSettings& settings, MessageService& messages, QWidget* parent);

// What the user is told when a setting chosen could not be written to
// `iniFile`; for every setting kept there.
QString SettingsNotSavedMessage(const std::string& iniFile);
