#include "options/PgGeneral.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "platform/MessagePort.h"
#include "settings/AutostartEntry.h"
#include "settings/Settings.h"

namespace mox {

CPgGeneral::CPgGeneral(Settings& settings, QWidget* parent)
    : OptionsPage(parent),
      settings_(settings),
      autoLoad_(settings.bAutoLoad()),
      saveMoxPos_(settings.bSaveMoxPos()),
      autoShow_(settings.bAutoShow()),
      minutes_(settings.uiTimer() / 60000)
{
    autoLoadBox_ = new QCheckBox(QStringLiteral("Автозагрузка Mox! "), this);
    autoLoadBox_->setObjectName(QStringLiteral("autoLoad"));
    autoShowBox_ = new QCheckBox(QStringLiteral("Автопоказ"), this);
    autoShowBox_->setObjectName(QStringLiteral("autoShow"));
    interval_ = new QLineEdit(this);
    interval_->setObjectName(QStringLiteral("interval"));
    interval_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Digits only; the number itself is checked at confirmation.
    interval_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), interval_));
    interval_->setMaxLength(10);
    interval_->setFixedWidth(interval_->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    saveMoxPosBox_ = new QCheckBox(QStringLiteral("Запоминать позицию Mox! на экране"), this);
    saveMoxPosBox_->setObjectName(QStringLiteral("saveMoxPos"));
    saveMoxPosBox_->hide();  // a setting without a use; kept, not offered

    auto* showRow = new QHBoxLayout;
    showRow->addWidget(autoShowBox_);
    showRow->addWidget(new QLabel(QStringLiteral("с интервалом"), this));
    showRow->addWidget(interval_);
    showRow->addWidget(new QLabel(QStringLiteral("мин."), this));
    showRow->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(autoLoadBox_);
    layout->addLayout(showRow);
    layout->addWidget(saveMoxPosBox_);
    layout->addStretch(1);

    connect(autoLoadBox_, &QCheckBox::clicked, this, [this] { setModified(true); });
    connect(saveMoxPosBox_, &QCheckBox::clicked, this, [this] { setModified(true); });
    connect(autoShowBox_, &QCheckBox::clicked, this, [this](bool on) {
        interval_->setEnabled(on);
        setModified(true);
    });
    connect(interval_, &QLineEdit::textEdited, this, [this] { setModified(true); });
}

void CPgGeneral::firstShown()
{
    autoLoadBox_->setChecked(autoLoad_);
    autoShowBox_->setChecked(autoShow_);
    saveMoxPosBox_->setChecked(saveMoxPos_);
    interval_->setText(QString::number(minutes_));
    interval_->setEnabled(autoShowBox_->isChecked());
}

bool CPgGeneral::confirm()
{
    bool ok = false;
    const uint minutes = interval_->text().toUInt(&ok);
    // The field is closed while "Автопоказ" is off: whatever it holds then,
    // a number or nothing, the interval is only taken when it is a number.
    if (!ok && autoShowBox_->isChecked()) {
        settings_.messages().show("Please enter a positive integer.", MessageIcon::Warning);
        interval_->setFocus();
        interval_->selectAll();
        return false;
    }
    const bool autoLoad = autoLoadBox_->isChecked();
    const bool autoShow = autoShowBox_->isChecked();
    const bool saveMoxPos = saveMoxPosBox_->isChecked();
    setModified(false);

    if (saveMoxPos != saveMoxPos_)
        settings_.setBSaveMoxPos(saveMoxPos);
    saveMoxPos_ = saveMoxPos;
    if (ok && minutes != minutes_) {
        settings_.setTimerMinutes(minutes);
        minutes_ = settings_.uiTimer() / 60000;
    }
    if (autoLoad == autoLoad_ && autoShow == autoShow_)
        return true;
    if (autoLoad != autoLoad_)
        settings_.setBAutoLoad(autoLoad);
    if (autoShow != autoShow_)
        settings_.setBAutoShow(autoShow);
    autoLoad_ = autoLoad;
    autoShow_ = autoShow;
    applyAutostart(settings_);
    return true;
}

} // namespace mox
