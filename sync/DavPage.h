// The CalDAV part of the connection dialog: the server's address, the user ID,
// a password for this dialog only, the task list and the certificate to
// trust. "探す" finds the account's task lists from the address (DavDiscovery)
// on a worker thread, the dialog repainting meanwhile; OK makes what the
// choice needs (a new list "veskat", the companion beside the list chosen)
// before the choice reaches the record. CConnectDlg owns it and says when the
// kind of server changes; the controls are the dialog's, found by id.
#pragma once

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <string>

#include "DavDiscovery.h"

struct DavSettings;
class MessageService;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TemplateDialog;

class DavPage {
  public:
    // `dialog`, `settings` and `messages` must outlive the page.
    DavPage(TemplateDialog& dialog, DavSettings& settings, MessageService& messages);
    ~DavPage();
    DavPage(const DavPage&) = delete;
    DavPage& operator=(const DavPage&) = delete;

    // Shows the record: the address is the list's server, the list the one
    // the record names.
    void Fill();
    // Enables the page's controls while its check box is ticked and nothing
    // runs.
    void EnableControls();

    // While a request runs, the dialog must not end: a cancel only asks the
    // request to stop, at its next progress report.
    bool Busy() const { return busy_; }
    void CancelRequest();

    enum class [[nodiscard]] Taken{
        Taken,    // the record holds what the page shows
        Refused,  // the user has been told why; the record is as it was
    };
    // Moves the page into the record: davMode from the check box, the user ID
    // and certificate as shown, and, with CalDAV on, the list chosen and its
    // companion, made on the server first where the choice needs it. A
    // password typed here stays in memory for the next sync when the login
    // it was typed for is the one kept; otherwise the password held is wiped.
    Taken Take();

  private:
    void Discover();
    void ShowLists();
    void ForgetAccount();
    // What the user typed, as the client takes it.
    QUrl Address() const;
    void PrepareClient();
    // Runs `work` on a worker thread with the controls disabled and the busy
    // cursor shown; the dialog repaints and takes a cancel meanwhile.
    void RunBusy(const std::function<void()>& work);
    // Tells what a failed request met; false when nothing failed.
    bool ToldFailure(const DiscoveryResult& result);
    // The list chosen and its companion, made where missing. False: told.
    bool MakeChoice(TaskList& list, TaskList& companion);

    TemplateDialog& dialog_;
    DavSettings& settings_;
    MessageService& messages_;
    QCheckBox* use_;
    QLineEdit* address_;
    QLineEdit* userId_;
    QLineEdit* password_;
    QPushButton* discover_;
    QComboBox* lists_;
    QLineEdit* caFile_;
    QPushButton* browseCaFile_;
    QLabel* status_;
    QString unchosen_;  // the list's item while no list is known

    std::unique_ptr<DavClient> client_;
    DavAccount account_;  // empty until a discovery found one
    bool busy_ = false;
};

// What the user is told of a request to the CalDAV server that failed with
// `outcome` (its HTTP status `status`, 0 for none).
QString DavFailureMessage(DavOutcome outcome, long status);
