#pragma once
#include <QString>
#include <QStringList>

#include <optional>

#include "help/LinkOpener.h"

// A link opener that records the targets it is given and answers with preset
// results.
class FakeLinkOpener final : public mox::LinkOpener {
public:
    int openWithDesktop(const QString& target) override
    {
        desktopTargets << target;
        return desktopResult;
    }
    std::optional<int> openWithFallback(const QString& target) override
    {
        fallbackTargets << target;
        return fallbackResult;
    }

    int desktopResult = kOpened;
    std::optional<int> fallbackResult;
    QStringList desktopTargets;
    QStringList fallbackTargets;
};
