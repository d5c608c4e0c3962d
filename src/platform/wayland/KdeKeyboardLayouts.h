#pragma once
#include <QDBusArgument>
#include <QDBusConnection>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

#include "platform/wayland/CompositorLayouts.h"

class QDBusServiceWatcher;

namespace mox {

// One entry of the layout list of the KDE keyboard service: the short layout
// name ("us"), the variant ("" for the basic one) and the long name
// ("English (US)"), as the D-Bus structure (sss).
struct KdeLayoutEntry {
    QString shortName;
    QString variant;
    QString longName;
};

QDBusArgument& operator<<(QDBusArgument& argument, const KdeLayoutEntry& entry);
const QDBusArgument& operator>>(const QDBusArgument& argument, KdeLayoutEntry& entry);

// The layouts KDE Plasma's keyboard service (kded's keyboard module) has
// configured, over D-Bus. The list is kept until the service says it changed
// (layoutListChanged) or the service goes away or comes back; the active
// index is asked for on every use. The calls wait at most half a second;
// they block the thread (the callers switch layouts from focus changes, which
// must not run again inside a call), unless `mode` lets the event loop run,
// as a service in the same process needs.
class KdeKeyboardLayouts final : public QObject, public CompositorKeyboard {
    Q_OBJECT
public:
    static constexpr const char* kService = "org.kde.keyboard";
    static constexpr const char* kPath = "/Layouts";
    static constexpr const char* kInterface = "org.kde.KeyboardLayouts";
    static constexpr int kTimeoutMs = 500;

    explicit KdeKeyboardLayouts(QDBusConnection bus = QDBusConnection::sessionBus(), QDBus::CallMode mode = QDBus::Block,
                                QObject* parent = nullptr);
    ~KdeKeyboardLayouts() override;

    // Whether the service is on the bus now.
    bool present() const;

    std::optional<std::vector<XkbLayoutName>> layouts() override;
    int activeIndex() override;
    bool switchTo(int index) override;

private slots:
    void onLayoutListChanged();

private:
    QDBusConnection bus_;
    QDBus::CallMode mode_;
    QDBusServiceWatcher* watcher_ = nullptr;
    std::optional<std::vector<XkbLayoutName>> list_;
};

} // namespace mox

Q_DECLARE_METATYPE(mox::KdeLayoutEntry)
