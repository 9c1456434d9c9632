// Shows notifications through the desktop's notification service
// (org.freedesktop.Notifications on D-Bus) and reports the actions the user
// picks on them. Without a service it shows nothing and says so once.
#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <iostream>
#include <map>
#include <set>
#include <utility>
#include <vector>

class QDBusError;

class DesktopNotifier : public QObject {
    Q_OBJECT

  public:
    // The actions a subject's notification offers, as the service reports them.
    static constexpr const char* kOpenAction = "open";
    static constexpr const char* kDoneAction = "done";

    // Talks to the service on `bus` (the session bus in the program). The one
    // line telling that no service answers goes to `errors`.
    explicit DesktopNotifier(const QDBusConnection& bus, std::ostream& errors = std::cerr,
                             QObject* parent = nullptr);

    // Shows one notification; with a non-empty `key` it offers 開く and
    // 完了にする for that subject. Returns at once: the service answers later.
    void Show(const QString& summary, const QString& body, const QByteArray& key = {});

    // The subjects whose notifications are on the screen, or are being put
    // there, each once.
    std::vector<QByteArray> ShownKeys() const;
    // Takes the notifications of the subject `key` off the screen
    // (CloseNotification), also one whose Notify is not answered yet.
    void Close(const QByteArray& key);

  signals:
    // The user picked `action` (kOpenAction or kDoneAction) on the notification
    // of the subject `key`.
    void ActionInvoked(const QByteArray& key, const QString& action);

  private slots:
    void OnActionInvoked(uint id, const QString& action);
    void OnClosed(uint id, uint reason);

  private:
    void ReportMissing(const QString& why);
    void OnShown(uint id, const QByteArray& key);
    void CloseId(uint id);

    QDBusConnection bus_;
    std::ostream& errors_;
    bool reported_ = false;
    // The subject of each notification still on the screen, by the service's id.
    std::map<uint, QByteArray> keys_;
    // Notify calls not answered yet, and the actions that came for ids no
    // answer has named so far: the service may send an action before its own
    // answer to Notify is read here.
    int unanswered_ = 0;
    std::vector<std::pair<uint, QString>> early_;
    // Subjects of unanswered Notify calls, each as often as it was shown; and
    // those of them closed before the answer came.
    std::multiset<QByteArray> pending_;
    std::set<QByteArray> closeOnAnswer_;
};
