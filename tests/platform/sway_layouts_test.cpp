#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <atomic>
#include <cstring>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include <QElapsedTimer>

#include "platform/wayland/CompositorLayouts.h"
#include "platform/wayland/SwayLayouts.h"

using mox::CompositorLayouts;
using mox::SwayLayouts;
using mox::XkbLayoutName;

namespace {

// A sway of the test's own on a unix socket in a temporary folder: answers
// GET_INPUTS with a pointer, a virtual keyboard of one layout (an on-screen
// keyboard, listed first as sway lists the newest device first), a keyboard
// without layouts and the user's keyboard with the layouts of `names`, and
// carries out xkb_switch_layout commands addressed to the user's keyboard,
// recording their payloads. When `silent`, it reads requests and never
// answers.
class FakeSway {
public:
    FakeSway()
    {
        path = dir.filePath(QStringLiteral("sway-ipc.sock")).toStdString();
        listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        ok = listener >= 0 && ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
             ::listen(listener, 8) == 0 && ::pipe(stopPipe) == 0;
        if (ok)
            thread = std::thread([this] { serve(); });
    }
    ~FakeSway()
    {
        if (thread.joinable()) {
            const char c = 0;
            (void)!::write(stopPipe[1], &c, 1);
            thread.join();
        }
        for (int fd : {listener, stopPipe[0], stopPipe[1]})
            if (fd >= 0)
                ::close(fd);
    }

    void setNames(std::vector<std::string> n, int activeIndex)
    {
        std::lock_guard lock(mutex);
        names = std::move(n);
        active = activeIndex;
    }
    std::vector<std::string> commands()
    {
        std::lock_guard lock(mutex);
        return commandsRun;
    }
    int activeIndex()
    {
        std::lock_guard lock(mutex);
        return active;
    }

    QTemporaryDir dir;
    std::string path;
    bool ok = false;
    std::atomic<bool> silent{false};

private:
    bool readAll(int fd, char* data, std::size_t size)
    {
        while (size > 0) {
            const ssize_t n = ::read(fd, data, size);
            if (n <= 0)
                return false;
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }

    std::string inputsJson()
    {
        std::lock_guard lock(mutex);
        std::string list;
        for (const auto& n : names)
            list += (list.empty() ? "\"" : ",\"") + n + "\"";
        return R"([{"identifier":"1:1:mouse","type":"pointer"},)"
               R"({"identifier":"0:0:virtual_keyboard","type":"keyboard","vendor":0,"product":0,)"
               R"("xkb_active_layout_index":0,"xkb_layout_names":[null]},)"
               R"({"identifier":"0:1:Power_Button","type":"keyboard","xkb_layout_names":[]},)"
               R"({"identifier":"1:2:kbd","type":"keyboard","vendor":1,"product":2,"xkb_active_layout_index":)" +
               std::to_string(active) + R"(,"xkb_layout_names":[)" + list + "]}]";
    }

    std::string run(const std::string& command)
    {
        std::lock_guard lock(mutex);
        commandsRun.push_back(command);
        const std::string prefix = "input \"1:2:kbd\" xkb_switch_layout ";
        if (command.rfind(prefix, 0) == 0) {
            const int index = std::atoi(command.c_str() + prefix.size());
            if (index >= 0 && index < static_cast<int>(names.size())) {
                active = index;
                return R"([{"success":true}])";
            }
        }
        return R"([{"success":false,"error":"bad command"}])";
    }

    void answer(int fd)
    {
        char header[14];
        while (readAll(fd, header, sizeof header)) {
            std::uint32_t fields[2];
            std::memcpy(fields, header + 6, sizeof fields);
            std::string payload(fields[0], '\0');
            if (std::memcmp(header, "i3-ipc", 6) != 0 || !readAll(fd, payload.data(), payload.size()))
                return;
            if (silent)
                continue;
            const std::string reply = fields[1] == 100 ? inputsJson() : run(payload);
            const std::uint32_t out[2] = {static_cast<std::uint32_t>(reply.size()), fields[1]};
            std::string message = std::string("i3-ipc") + std::string(reinterpret_cast<const char*>(out), 8) + reply;
            if (::write(fd, message.data(), message.size()) != static_cast<ssize_t>(message.size()))
                return;
        }
    }

    void serve()
    {
        for (;;) {
            pollfd fds[2] = {{listener, POLLIN, 0}, {stopPipe[0], POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN))
                return;
            const int fd = ::accept(listener, nullptr, nullptr);
            if (fd < 0)
                continue;
            answer(fd); // until the client closes its connection
            ::close(fd);
        }
    }

    int listener = -1;
    int stopPipe[2] = {-1, -1};
    std::thread thread;
    std::mutex mutex;
    std::vector<std::string> names{"English (US)", "Russian"};
    int active = 0;
    std::vector<std::string> commandsRun;
};

TEST(SwayLayouts, NamesTheUsersKeyboardsLayoutsAndSwitchesOnlyIt)
{
    FakeSway sway;
    ASSERT_TRUE(sway.ok);
    auto keyboard = std::make_unique<SwayLayouts>(sway.path);
    if (mox::readXkbDescriptions(SwayLayouts::kRulesFile).empty())
        GTEST_SKIP() << "no XKB rules file";
    ASSERT_TRUE(keyboard->answers());
    CompositorLayouts port(std::move(keyboard));

    // The keyboard of layouts is chosen, not the one-layout virtual one
    // listed before it.
    EXPECT_EQ(port.load("00000419"), CompositorLayouts::kHeld | 0x0419u);
    EXPECT_EQ(port.load("00000407"), 0u);
    ASSERT_TRUE(port.activate(0x0419u));
    EXPECT_EQ(sway.activeIndex(), 1);
    ASSERT_TRUE(port.activatePrevious());
    EXPECT_EQ(sway.commands(), (std::vector<std::string>{"input \"1:2:kbd\" xkb_switch_layout 1",
                                                         "input \"1:2:kbd\" xkb_switch_layout 0"}));

    // The user reconfigures sway: the new layouts are used at once.
    sway.setNames({"German (no dead keys)", "Klingon", "English (US)"}, 2);
    EXPECT_EQ(port.load("00000407"), CompositorLayouts::kHeld | 0x0407u);
    ASSERT_TRUE(port.activate(0x0407u));
    EXPECT_EQ(sway.activeIndex(), 0);
    EXPECT_FALSE(port.activate(0x0419u));
    ASSERT_TRUE(port.activatePrevious());
    EXPECT_EQ(sway.activeIndex(), 2);
    EXPECT_EQ(sway.commands().size(), 4u);
}

TEST(SwayLayouts, ASwayThatIsGoneOrSilentGivesNothingSoon)
{
    SwayLayouts nowhere("/nonexistent/sway-ipc.sock");
    EXPECT_FALSE(nowhere.answers());
    EXPECT_EQ(nowhere.layouts(), std::nullopt);
    EXPECT_FALSE(nowhere.switchTo(0));

    FakeSway sway;
    ASSERT_TRUE(sway.ok);
    sway.silent = true;
    SwayLayouts hung(sway.path);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(hung.layouts(), std::nullopt);
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_GE(clock.elapsed(), SwayLayouts::kTimeoutMs - 50);
}

TEST(XkbDescriptions, NameLayoutsAndVariantsOfTheRulesFile)
{
    const auto names = mox::readXkbDescriptions(SwayLayouts::kRulesFile);
    if (names.empty())
        GTEST_SKIP() << "no XKB rules file";
    EXPECT_EQ(names.at("English (US)"), (XkbLayoutName{"us", ""}));
    EXPECT_EQ(names.at("Russian"), (XkbLayoutName{"ru", ""}));
    EXPECT_EQ(names.at("German (no dead keys)"), (XkbLayoutName{"de", "nodeadkeys"}));
    EXPECT_EQ(names.at("English (US, intl., with dead keys)"), (XkbLayoutName{"us", "intl"}));
    EXPECT_TRUE(mox::readXkbDescriptions("/nonexistent/evdev.xml").empty());
}

} // namespace
