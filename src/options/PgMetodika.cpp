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

#include "options/SpinEdit.h"
#include "platform/MessagePort.h"
#include "settings/Settings.h"
#include "settings/SettingsTable.h"

namespace mox {

namespace {

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

CPgMetodika::Values CPgMetodika::valuesOf(const Settings& settings)
{
    return Values{settings.iSubSetRecCount(), settings.iHideAfter(),     settings.iShowCount(),
                  settings.iExcludeAfter(),   settings.iHideState(),     settings.bMatchCaseInput(),
                  settings.bShowTranscrSel(), settings.bShowTranscrInput(), settings.iMainRegim(),
                  settings.iDemoTypeSel(),    settings.iDemoTypeInput()};
}

CPgMetodika::CPgMetodika(Settings& settings, QWidget* parent)
    : OptionsPage(parent), settings_(settings), copy_(valuesOf(settings))
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
    listSizeEdit_->setNumber(copy_.listSize);
    hideAfterEdit_->setNumber(copy_.hideAfter);
    excludeAfterEdit_->setNumber(copy_.excludeAfter);
    showCountEdit_->setNumber(copy_.showCount);
    hideState_->setChecked(copy_.hideState);
    hideAfterEdit_->setEnabled(copy_.hideState);
    showCountEdit_->setEnabled(copy_.hideState);

    choice_->setChecked(copy_.mode == Mode::Choice);
    typing_->setChecked(copy_.mode == Mode::Typing);
    showDirection(static_cast<int>(copy_.mode == Mode::Choice ? copy_.choiceDirection : copy_.typingDirection));

    matchCase_->setChecked(copy_.matchCase);
    transcrSel_->setChecked(copy_.transcrSel);
    transcrInput_->setChecked(copy_.transcrInput);
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
    showDirection(static_cast<int>(choice_->isChecked() ? copy_.choiceDirection : copy_.typingDirection));
    setModified(true);
}

bool CPgMetodika::changed(const SpinEdit* field, int copy) const
{
    const std::optional<int> v = field->number();
    return !v || *v != copy;
}

void CPgMetodika::listSizeLeft()
{
    const std::optional<int> list = listSizeEdit_->number();
    const std::optional<int> any = showCountEdit_->number();
    if (!list || !any || (!changed(listSizeEdit_, copy_.listSize) && !changed(showCountEdit_, copy_.showCount)))
        return;
    if (*any >= *list)
        showCountEdit_->setNumber(*list);
}

void CPgMetodika::answersRelations()
{
    const std::optional<int> any = showCountEdit_->number();
    if (!any)
        return;
    const bool anyChanged = changed(showCountEdit_, copy_.showCount);
    const std::optional<int> list = listSizeEdit_->number();
    if (list && (anyChanged || changed(listSizeEdit_, copy_.listSize)) && *any >= *list && *any <= kListSpinMax)
        listSizeEdit_->setNumber(*any);
    const std::optional<int> correct = hideAfterEdit_->number();
    if (correct && (anyChanged || changed(hideAfterEdit_, copy_.hideAfter)) && *any <= *correct)
        hideAfterEdit_->setNumber(*any);
}

std::optional<int> CPgMetodika::readField(SpinEdit* field, int copy, const char* setting)
{
    const std::optional<int> number = field->number();
    if (!number) {
        settings_.messages().show("Please enter an integer.", MessageIcon::Warning);
    } else {
        // A number the user did not change is kept as it is.
        const SettingRow& row = settingRow(setting);
        if (*number == copy || (*number >= 0 && row.inBounds(static_cast<std::uint32_t>(*number))))
            return number;
        settings_.messages().show("Please enter an integer between " + std::to_string(row.minimum) + " and " +
                                      std::to_string(row.maximum) + ".",
                                  MessageIcon::Warning);
    }
    field->setFocus();
    field->selectAll();
    return std::nullopt;
}

bool CPgMetodika::confirm()
{
    // Confirming from inside a number field (Enter) relates it as leaving
    // the field would have.
    if (listSizeEdit_->hasFocus())
        listSizeLeft();
    answersRelations();
    const std::optional<int> listSize = readField(listSizeEdit_, copy_.listSize, "iSubSetRecCount");
    if (!listSize)
        return false;
    const std::optional<int> hideAfter = readField(hideAfterEdit_, copy_.hideAfter, "iHideAfter");
    if (!hideAfter)
        return false;
    const std::optional<int> showCount = readField(showCountEdit_, copy_.showCount, "iShowCount");
    if (!showCount)
        return false;
    const std::optional<int> excludeAfter = readField(excludeAfterEdit_, copy_.excludeAfter, "iExcludeAfter");
    if (!excludeAfter)
        return false;

    Values now = copy_;
    now.listSize = *listSize;
    now.hideAfter = *hideAfter;
    now.showCount = *showCount;
    now.excludeAfter = *excludeAfter;
    now.hideState = hideState_->isChecked();
    now.matchCase = matchCase_->isChecked();
    now.transcrSel = transcrSel_->isChecked();
    now.transcrInput = transcrInput_->isChecked();
    // Neither mode checked: both stay.
    if (choice_->isChecked() || typing_->isChecked()) {
        now.mode = choice_->isChecked() ? Mode::Choice : Mode::Typing;
        (now.mode == Mode::Choice ? now.choiceDirection : now.typingDirection) =
            static_cast<Direction>(checkedDirection());
    }

    // Only what differs from the page's copy is stored.
    if (now.listSize != copy_.listSize)
        settings_.setISubSetRecCount(static_cast<std::uint16_t>(now.listSize));
    if (now.hideState != copy_.hideState)
        settings_.setIHideState(now.hideState);
    if (now.hideAfter != copy_.hideAfter)
        settings_.setIHideAfter(static_cast<std::uint16_t>(now.hideAfter));
    if (now.excludeAfter != copy_.excludeAfter)
        settings_.setIExcludeAfter(static_cast<std::uint16_t>(now.excludeAfter));
    if (now.showCount != copy_.showCount)
        settings_.setIShowCount(static_cast<std::uint16_t>(now.showCount));
    if (now.mode != copy_.mode)
        settings_.setIMainRegim(now.mode);
    if (now.choiceDirection != copy_.choiceDirection)
        settings_.setDemoType(now.choiceDirection, Mode::Choice);
    if (now.typingDirection != copy_.typingDirection)
        settings_.setDemoType(now.typingDirection, Mode::Typing);
    settings_.setCurrentMode(settings_.iMainRegim());
    if (now.matchCase != copy_.matchCase)
        settings_.setBMatchCaseInput(now.matchCase);
    if (now.transcrSel != copy_.transcrSel)
        settings_.setBShowTranscrSel(now.transcrSel);
    if (now.transcrInput != copy_.transcrInput)
        settings_.setBShowTranscrInput(now.transcrInput);
    copy_ = now;
    setModified(false);
    return true;
}

} // namespace mox
