#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <vector>

#include "EventLoop.h"
#include "PrivateBus.h"
#include "platform/wayland/CompositorLayouts.h"
#include "platform/wayland/KdeKeyboardLayouts.h"

using mox::CompositorLayouts;
using mox::KdeKeyboardLayouts;
using mox::KdeLayoutEntry;

namespace {

// The test's KDE keyboard service: the layout list, the active index, and
// the indexes it was told to switch to.
class FakeKeyboardService final : public QDBusVirtualObject {
public:
    QList<KdeLayoutEntry> layouts{{QStringLiteral("us"), QString(), QStringLiteral("English (US)")},
                                  {QStringLiteral("ru"), QString(), QStringLiteral("Russian")}};
    uint active = 0;
    std::vector<uint> switches;
    int listCalls = 0;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() != QString::fromLatin1(KdeKeyboardLayouts::kInterface))
            return false;
        const QString member = message.member();
        if (member == QLatin1String("getLayoutsList")) {
            ++listCalls;
            return connection.send(message.createReply(QVariant::fromValue(layouts)));
        }
        if (member == QLatin1String("getLayout"))
            return connection.send(message.createReply(QVariant::fromValue(active)));
        if (member == QLatin1String("setLayout") && !message.arguments().isEmpty()) {
            const uint index = message.arguments().first().toUInt();
            const bool ok = index < static_cast<uint>(layouts.size());
            if (ok) {
                switches.push_back(index);
                active = index;
            }
            return connection.send(message.createReply(QVariant::fromValue(ok)));
        }
        return false;
    }
};

class KdeLayouts : public PrivateBus {
protected:
    // Plays the keyboard service on a connection of its own.
    QDBusConnection startService()
    {
        QDBusConnection bus = connect(QStringLiteral("kded"));
        EXPECT_TRUE(bus.registerVirtualObject(QString::fromLatin1(KdeKeyboardLayouts::kPath), &service));
        EXPECT_TRUE(bus.registerService(QString::fromLatin1(KdeKeyboardLayouts::kService)));
        return bus;
    }

    FakeKeyboardService service;
};

TEST_F(KdeLayouts, SwitchesThroughTheServiceAndFollowsItsListChanges)
{
    QDBusConnection kded = startService();
    auto keyboard = std::make_unique<KdeKeyboardLayouts>(connect(QStringLiteral("program")), QDBus::BlockWithGui);
    KdeKeyboardLayouts& kde = *keyboard;
    ASSERT_TRUE(kde.present());
    CompositorLayouts port(std::move(keyboard));
    spinFor(100); // let the subscription reach the bus

    EXPECT_EQ(port.preloadedLayoutNames(), std::vector<std::string>{});
    EXPECT_EQ(port.load("00000419"), CompositorLayouts::kHeld | 0x0419u);
    EXPECT_EQ(port.load("00000407"), 0u);
    // Switched for a field and given back when the window hides.
    ASSERT_TRUE(port.activate(0x0419u));
    ASSERT_TRUE(port.activatePrevious());
    EXPECT_EQ(service.switches, (std::vector<uint>{1, 0}));
    // The list is kept while the service does not say it changed.
    EXPECT_EQ(service.listCalls, 1);

    service.layouts = {{QStringLiteral("de"), QStringLiteral("nodeadkeys"), QStringLiteral("German (no dead keys)")},
                       {QStringLiteral("us"), QString(), QStringLiteral("English (US)")}};
    service.active = 1;
    ASSERT_TRUE(kded.send(QDBusMessage::createSignal(QString::fromLatin1(KdeKeyboardLayouts::kPath),
                                                     QString::fromLatin1(KdeKeyboardLayouts::kInterface),
                                                     QStringLiteral("layoutListChanged"))));
    ASSERT_TRUE(spinUntil([&] { return port.load("00000407") == (CompositorLayouts::kHeld | 0x0407u); }));
    ASSERT_TRUE(port.activate(0x0407u));
    EXPECT_EQ(service.switches.back(), 0u);
}

TEST_F(KdeLayouts, ASwitchTheServiceRefusesIsReportedAsFailed)
{
    startService();
    CompositorLayouts port(std::make_unique<KdeKeyboardLayouts>(connect(QStringLiteral("program")), QDBus::BlockWithGui));
    service.layouts.append({QStringLiteral("de"), QString(), QStringLiteral("German")});
    ASSERT_TRUE(port.activate(0x0407u)); // index 2, as the service lists it
    // Gone without the signal: the kept list still has it, the service says no.
    service.layouts.removeLast();
    service.active = 0;
    EXPECT_FALSE(port.activate(0x0407u));
    EXPECT_EQ(service.switches, (std::vector<uint>{2}));
}

TEST_F(KdeLayouts, WithoutTheServiceTheListCannotBeRead)
{
    KdeKeyboardLayouts kde(connect(QStringLiteral("program")), QDBus::BlockWithGui);
    EXPECT_FALSE(kde.present());
    EXPECT_EQ(kde.layouts(), std::nullopt);
    EXPECT_EQ(kde.activeIndex(), -1);
    EXPECT_FALSE(kde.switchTo(0));
}

} // namespace
