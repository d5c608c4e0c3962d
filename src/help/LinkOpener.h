#pragma once
#include <QString>

#include <optional>

namespace mox {

// Opens the target of a link (a web address, a "mailto:" address, a file).
// Results follow one convention: a value above 32 is success, anything else is
// an error code whose text hyperlinkErrorText() gives.
class LinkOpener {
public:
    static constexpr int kOpened = 33;

    virtual ~LinkOpener() = default;
    // The desktop's own way of opening the target.
    virtual int openWithDesktop(const QString& target) = 0;
    // The fallback: start the registered opener program with the target.
    // Empty when there is no such program, so the desktop's result stands.
    virtual std::optional<int> openWithFallback(const QString& target) = 0;
};

// The real opener: QDesktopServices, then the program "xdg-open".
class DesktopLinkOpener final : public LinkOpener {
public:
    int openWithDesktop(const QString& target) override;
    std::optional<int> openWithFallback(const QString& target) override;

    // The error code for an exit status of the fallback program.
    static int codeForExitStatus(int exitStatus);
};

// The process-wide desktop opener.
LinkOpener& desktopLinkOpener();

} // namespace mox
