#include "DesktopNotifier.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kAppName = QStringLiteral("veskat");
// The name the desktop knows the program's icon and menu entry by.
const QString kAppId = QStringLiteral(VESKAT_APP_ID);
// Let the service decide how long a notification stays.
constexpr int kServerTimeout = -1;

// Most services read the body as markup; a title holding "<" or "&" must not
// turn into a tag or be swallowed.
QString EscapedMarkup(QString text) {
    return text.replace(QLatin1Char('&'), QLatin1String("&amp;"))
        .replace(QLatin1Char('<'), QLatin1String("&lt;"))
        .replace(QLatin1Char('>'), QLatin1String("&gt;"));
}

}  // namespace

DesktopNotifier::DesktopNotifier(const QDBusConnection& bus, std::ostream& errors, QObject* parent)
    : QObject(parent), bus_(bus), errors_(errors) {
    bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                 SLOT(OnActionInvoked(uint, QString)));
    bus_.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                 SLOT(OnClosed(uint, uint)));
}

void DesktopNotifier::Show(const QString& summary, const QString& body, const QByteArray& key) {
    if (!bus_.isConnected()) {
        ReportMissing(QStringLiteral("no session bus"));
        return;
    }
    QStringList actions;
    if (!key.isEmpty()) {
        actions << QLatin1String(kOpenAction) << QStringLiteral("開く")
                << QLatin1String(kDoneAction) << QStringLiteral("完了にする");
    }
    const QVariantMap hints{{QStringLiteral("desktop-entry"), kAppId}};
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << kAppName << 0u << kAppId << summary << EscapedMarkup(body) << actions << hints
         << kServerTimeout;
    // Never wait for the service: the window must not hang on a slow desktop.
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    ++unanswered_;
    if (!key.isEmpty()) {
        pending_.insert(key);
    }
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, key](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                --unanswered_;
                if (!key.isEmpty()) {
                    pending_.erase(pending_.find(key));
                }
                const QDBusPendingReply<uint> reply = *w;
                if (reply.isError()) {
                    ReportMissing(reply.error().name());
                } else if (!key.isEmpty() && closeOnAnswer_.contains(key)) {
                    CloseId(reply.value());
                } else if (!key.isEmpty()) {
                    OnShown(reply.value(), key);
                }
                if (!pending_.contains(key)) {
                    closeOnAnswer_.erase(key);
                }
                if (unanswered_ == 0) {
                    early_.clear();  // they were other programs' notifications
                }
            });
}

std::vector<QByteArray> DesktopNotifier::ShownKeys() const {
    std::set<QByteArray> keys(pending_.begin(), pending_.end());
    for (const auto& [id, key] : keys_) {
        keys.insert(key);
    }
    return {keys.begin(), keys.end()};
}

void DesktopNotifier::Close(const QByteArray& key) {
    if (pending_.contains(key)) {
        closeOnAnswer_.insert(key);
    }
    std::vector<uint> ids;
    for (const auto& [id, shown] : keys_) {
        if (shown == key) {
            ids.push_back(id);
        }
    }
    for (const uint id : ids) {
        CloseId(id);
    }
}

// The id is forgotten at once: an action picked on it in the meantime is for
// a subject that no longer stands as it was shown.
void DesktopNotifier::CloseId(uint id) {
    keys_.erase(id);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                       QStringLiteral("CloseNotification"));
    call << id;
    bus_.asyncCall(call);
}

void DesktopNotifier::OnShown(uint id, const QByteArray& key) {
    keys_[id] = key;
    std::vector<std::pair<uint, QString>> early;
    early.swap(early_);
    for (const auto& [earlyId, action] : early) {
        OnActionInvoked(earlyId, action);
    }
}

void DesktopNotifier::OnActionInvoked(uint id, const QString& action) {
    // Ids of other programs' notifications are not ours to answer.
    const auto found = keys_.find(id);
    if (found != keys_.end()) {
        // A copy: what the action does may close the notification, and its key goes with it.
        const QByteArray key = found->second;
        emit ActionInvoked(key, action);
    } else if (unanswered_ > 0) {
        early_.emplace_back(id, action);
    }
}

void DesktopNotifier::OnClosed(uint id, uint /*reason*/) {
    keys_.erase(id);
}

void DesktopNotifier::ReportMissing(const QString& why) {
    if (!reported_) {
        reported_ = true;
        errors_ << "veskat: no desktop notification service answers (" << why.toStdString()
                << "); reminders are not shown" << std::endl;
    }
}
