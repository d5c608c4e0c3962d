#pragma once
#include <cstdint>

#include "options/OptionsPage.h"

class QCheckBox;
class QLineEdit;

namespace mox {

class Settings;

// The General page ("Общие"): start with the session, the automatic showing
// and its interval in minutes. Confirming stores what the user changed and
// brings the autostart entry in line with "Автозагрузка Mox! " whenever that
// or "Автопоказ" changed. An interval left empty while "Автопоказ" is off
// keeps the stored one.
//
// Child object names: "autoLoad", "autoShow", "interval", "saveMoxPos".
class CPgGeneral final : public OptionsPage {
    Q_OBJECT
public:
    static constexpr const char* kTabCaption = "Общие";
    static constexpr const char* kHelpTopic = "::/html_files/optgen.html>main";

    explicit CPgGeneral(Settings& settings, QWidget* parent = nullptr);

    QString tabCaption() const override { return QString::fromUtf8(kTabCaption); }
    QString helpTopic() const override { return QString::fromUtf8(kHelpTopic); }
    bool confirm() override;

protected:
    void firstShown() override;

private:
    Settings& settings_;
    // The page's copy, taken when it was built and renewed at confirmation.
    bool autoLoad_, saveMoxPos_, autoShow_;
    std::uint32_t minutes_;

    QCheckBox* autoLoadBox_;
    QCheckBox* autoShowBox_;
    QLineEdit* interval_;
    QCheckBox* saveMoxPosBox_;
};

} // namespace mox
