#include "options/PgMetodika.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <string>

#include "platform/MessagePort.h"
#include "settings/Settings.h"
#include "options/SpinEdit.h"

namespace mox {

namespace {

// The largest count the 16-bit settings hold.
constexpr int kCountMax = 65535;

SpinEdit* numberField(QWidget* parent, const char* name, int maximum)
{
    auto* field = new SpinEdit(1, maximum, parent);
    field->setObjectName(QLatin1String(name));
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 36);
    return field;
}

QCheckBox* checkBox(QWidget* parent, const QString& caption, const char* name)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

QLabel* label(QWidget* parent, const char* text)
{
    return new QLabel(QString::fromUtf8(text), parent);
}

} // namespace

CPgMetodika::CPgMetodika(Settings& settings, QWidget* parent)
    : OptionsPage(parent),
      settings_(settings),
      excludeAfter_(settings.iExcludeAfter()),
      hideAfter_(settings.iHideAfter()),
      showCount_(settings.iShowCount()),
      listSize_(settings.iSubSetRecCount())
{
    // ИЗУЧАЕМЫЕ СЛОВА
    auto* words = new QGroupBox(QStringLiteral("ИЗУЧАЕМЫЕ СЛОВА"), this);
    listSizeEdit_ = numberField(words, "listSize", kListSpinMax);
    transcrSel_ = checkBox(words, QStringLiteral("Показывать транскрипцию в режиме \"Выбор\""), "showTranscrSel");
    transcrInput_ = checkBox(words, QStringLiteral("Показывать транскрипцию в режиме \"Ввод\""), "showTranscrInput");
    matchCase_ = checkBox(words, QStringLiteral("Учитывать регистр в режиме \"Ввод\""), "matchCase");
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(label(words, "Величина списка:"));
    sizeRow->addWidget(listSizeEdit_);
    sizeRow->addWidget(label(words, "слов"));
    sizeRow->addStretch(1);
    auto* wordsLayout = new QVBoxLayout(words);
    wordsLayout->addLayout(sizeRow);
    wordsLayout->addWidget(transcrSel_);
    wordsLayout->addWidget(transcrInput_);
    wordsLayout->addWidget(matchCase_);

    // ОТВЕТЫ
    auto* answers = new QGroupBox(QStringLiteral("ОТВЕТЫ"), this);
    hideState_ = checkBox(answers, QStringLiteral("Сворачивать после"), "hideState");
    hideAfterEdit_ = numberField(answers, "hideAfter", kAnswerSpinMax);
    showCountEdit_ = numberField(answers, "showCount", kAnswerSpinMax);
    excludeAfterEdit_ = numberField(answers, "excludeAfter", kAnswerSpinMax);
    auto* answersGrid = new QGridLayout(answers);
    answersGrid->addWidget(hideState_, 0, 0, 1, 3);
    answersGrid->addWidget(hideAfterEdit_, 1, 1);
    answersGrid->addWidget(label(answers, "правильных ответов"), 1, 2);
    answersGrid->addWidget(showCountEdit_, 2, 1);
    answersGrid->addWidget(label(answers, "любых ответов"), 2, 2);
    answersGrid->addWidget(label(answers, "Исключать из списка после:"), 3, 0);
    answersGrid->addWidget(excludeAfterEdit_, 3, 1);
    answersGrid->addWidget(label(answers, "прав.ответов"), 3, 2);
    answersGrid->setColumnStretch(3, 1);

    // РЕЖИМЫ
    auto* modes = new QGroupBox(QStringLiteral("РЕЖИМЫ"), this);
    choice_ = checkBox(modes, QStringLiteral("Выбор"), "modeChoice");
    typing_ = checkBox(modes, QStringLiteral("Ввод"), "modeTyping");
    auto* modesLayout = new QVBoxLayout(modes);
    modesLayout->addWidget(choice_);
    modesLayout->addWidget(typing_);

    // НАПРАВЛЕНИЕ ПЕРЕВОДА
    auto* directions = new QGroupBox(QStringLiteral("НАПРАВЛЕНИЕ ПЕРЕВОДА"), this);
    auto* directionsLayout = new QVBoxLayout(directions);
    const char* captions[3] = {"Прямой", "Обратный", "Прямой + Обратный"};
    for (int i = 0; i < 3; ++i) {
        direction_[i] = new QRadioButton(QString::fromUtf8(captions[i]), directions);
        direction_[i]->setObjectName(QStringLiteral("direction%1").arg(i));
        // The page checks and unchecks them itself: all three may be clear.
        direction_[i]->setAutoExclusive(false);
        directionsLayout->addWidget(direction_[i]);
        connect(direction_[i], &QRadioButton::clicked, this, [this, i] {
            showDirection(i);
            setModified(true);
        });
    }

    auto* left = new QVBoxLayout;
    left->addWidget(words);
    left->addWidget(answers);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(modes);
    right->addWidget(directions);
    right->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 3);
    layout->addLayout(right, 2);

    connect(choice_, &QCheckBox::clicked, this, [this] { modeClicked(choice_, typing_); });
    connect(typing_, &QCheckBox::clicked, this, [this] { modeClicked(typing_, choice_); });
    connect(hideState_, &QCheckBox::clicked, this, [this](bool on) {
        answersRelations();
        hideAfterEdit_->setEnabled(on);
        showCountEdit_->setEnabled(on);
        setModified(true);
    });
    for (QCheckBox* box : {matchCase_, transcrSel_, transcrInput_})
        connect(box, &QCheckBox::clicked, this, [this] { setModified(true); });
    for (SpinEdit* field : {listSizeEdit_, hideAfterEdit_, showCountEdit_, excludeAfterEdit_})
        connect(field, &SpinEdit::edited, this, [this] { setModified(true); });
    connect(listSizeEdit_, &SpinEdit::focusLost, this, &CPgMetodika::listSizeLeft);
    connect(hideAfterEdit_, &SpinEdit::focusLost, this, &CPgMetodika::answersRelations);
    connect(showCountEdit_, &SpinEdit::focusLost, this, &CPgMetodika::answersRelations);
}

void CPgMetodika::firstShown()
{
    listSizeEdit_->setPosition(listSize_);
    hideAfterEdit_->setPosition(hideAfter_);
    excludeAfterEdit_->setPosition(excludeAfter_);
    showCountEdit_->setPosition(showCount_);
    hideState_->setChecked(settings_.iHideState());
    hideAfterEdit_->setEnabled(hideState_->isChecked());
    showCountEdit_->setEnabled(hideState_->isChecked());

    const Mode mode = settings_.iMainRegim();
    choice_->setChecked(mode == Mode::Choice);
    typing_->setChecked(mode == Mode::Typing);
    showDirection(static_cast<int>(settings_.demoType(mode)));

    matchCase_->setChecked(settings_.bMatchCaseInput());
    transcrSel_->setChecked(settings_.bShowTranscrSel());
    transcrInput_->setChecked(settings_.bShowTranscrInput());
    // Filling the fields is no change of the user's.
    setModified(false);
}

void CPgMetodika::showDirection(int direction)
{
    for (int i = 0; i < 3; ++i)
        direction_[i]->setChecked(i == direction);
}

int CPgMetodika::checkedDirection() const
{
    for (int i = 0; i < 3; ++i) {
        if (direction_[i]->isChecked())
            return i;
    }
    return 0;
}

void CPgMetodika::modeClicked(QCheckBox* clicked, QCheckBox* other)
{
    other->setChecked(!clicked->isChecked());
    showDirection(static_cast<int>(settings_.demoType(choice_->isChecked() ? Mode::Choice : Mode::Typing)));
    setModified(true);
}

void CPgMetodika::listSizeLeft()
{
    if (showCountEdit_->position() >= listSizeEdit_->position())
        showCountEdit_->setPosition(listSizeEdit_->position());
}

void CPgMetodika::answersRelations()
{
    const int any = showCountEdit_->position();
    if (any >= listSizeEdit_->position() && any <= kListSpinMax)
        listSizeEdit_->setPosition(any);
    if (any <= hideAfterEdit_->position())
        hideAfterEdit_->setPosition(any);
}

bool CPgMetodika::readField(SpinEdit* field, int minimum, int maximum, int& value)
{
    const std::optional<int> number = field->number();
    if (number && *number >= minimum && *number <= maximum) {
        value = *number;
        return true;
    }
    const std::string refusal = !number ? std::string("Please enter an integer.")
                                        : "Please enter an integer between " + std::to_string(minimum) +
                                              " and " + std::to_string(maximum) + ".";
    settings_.messages().show(refusal, MessageIcon::Warning);
    field->setFocus();
    field->selectAll();
    return false;
}

bool CPgMetodika::confirm()
{
    answersRelations();
    int listSize = 0, hideAfter = 0, showCount = 0, excludeAfter = 0;
    // The three counts are 16-bit settings: a number they cannot hold is
    // refused rather than stored cut to its low bits.
    if (!readField(listSizeEdit_, 1, kListSizeMax, listSize) ||
        !readField(hideAfterEdit_, 0, kCountMax, hideAfter) ||
        !readField(showCountEdit_, 0, kCountMax, showCount) ||
        !readField(excludeAfterEdit_, 0, kCountMax, excludeAfter))
        return false;
    listSize_ = listSize;
    hideAfter_ = hideAfter;
    showCount_ = showCount;
    excludeAfter_ = excludeAfter;

    settings_.setISubSetRecCount(static_cast<std::uint16_t>(listSize_));
    settings_.setIHideState(hideState_->isChecked());
    settings_.setIHideAfter(static_cast<std::uint16_t>(hideAfter_));
    settings_.setIExcludeAfter(static_cast<std::uint16_t>(excludeAfter_));
    settings_.setIShowCount(static_cast<std::uint16_t>(showCount_));

    const auto direction = static_cast<Direction>(checkedDirection());
    if (choice_->isChecked()) {
        settings_.setIMainRegim(Mode::Choice);
        settings_.setDemoType(direction, Mode::Choice);
    } else if (typing_->isChecked()) {
        settings_.setIMainRegim(Mode::Typing);
        settings_.setDemoType(direction, Mode::Typing);
    }
    settings_.setCurrentMode(settings_.iMainRegim());

    settings_.setBMatchCaseInput(matchCase_->isChecked());
    settings_.setBShowTranscrSel(transcrSel_->isChecked());
    settings_.setBShowTranscrInput(transcrInput_->isChecked());
    setModified(false);
    return true;
}

} // namespace mox
