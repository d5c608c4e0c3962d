#include "learning/MainWindow.h"

#include <cstdlib>

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QToolButton>
#include <QtWidgets/qdrawutil.h>

#include "language/CharsetCodec.h"
#include "language/Font.h"
#include "learning/LearningWindowInput.h"
#include "platform/qt/FrameSafeHide.h"
#include "settings/Settings.h"
#include "widgets/AnswerButton.h"
#include "widgets/BitmapButton.h"
#include "widgets/ColorEdit.h"
#include "widgets/DialogUnits.h"
#include "widgets/WordListBox.h"

namespace mox {

const QString& MainWindow::caption()
{
    static const QString text = QStringLiteral("<> Mox!");
    return text;
}

const QStringList& MainWindow::ownDialogCaptions()
{
    static const QStringList captions{
        QStringLiteral("Mox! <> Редактирование"),
        QStringLiteral("Mox! <> Настройки"),
        QStringLiteral("Mox! <> Добавление лексики"),
        QStringLiteral("Mox! <> Исключение лексики"),
        QStringLiteral("Mox! <> О программе"),
    };
    return captions;
}

const QString& MainWindow::introTopic()
{
    static const QString topic = QStringLiteral("::/html_files/intro.html>main");
    return topic;
}

MainWindow::MainWindow(LearningController& controller, Settings& settings)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                           | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      controller_(controller), settings_(settings)
{
    // Icon and caption. Enter triggers no default command: no button of this
    // window is a default button.
    setWindowIcon(QApplication::windowIcon());
    setWindowTitle(caption());

    buildControls();
    layoutControls();

    makeFont(answerButtonFont_, -16, kFontWeightBold, 0, "MS Sans Serif");
    answerButton_->setFont(answerButtonFont_);

    makeFont(promptTextFont_, -18, kFontWeightNormal, charSetOf(FontRole::translationLanguage),
             faceOf(FontRole::translationLanguage));
    prompt_->setBackgroundColor(palette().color(QPalette::Active, QPalette::Highlight));
    prompt_->setTextColor(palette().color(QPalette::Active, QPalette::HighlightedText));
    prompt_->setFont(promptTextFont_);
    prompt_->clear();

    makeFont(transcriptionFont_, -16, kFontWeightNormal, settings_.iTransCharSet(), settings_.sTransFontFace());
    transcriptionLine_->setFont(transcriptionFont_);
    transcriptionLine_->clear();

    variants_->setItemFont(100, kFontWeightNormal, 0, QStringLiteral("MS Sans Serif"));
    variants_->setRowHeightFromCount(settings_.iRowCount());

    makeFont(typingFieldFont_, static_cast<std::int32_t>(settings_.wordFontSize()) - 3, kFontWeightNormal,
             charSetOf(FontRole::studiedLanguage), faceOf(FontRole::studiedLanguage));
    typingField_->setBackgroundColor(palette().color(QPalette::Active, QPalette::Base));
    typingField_->setTextColor(palette().color(QPalette::Active, QPalette::Text));
    typingField_->setFont(typingFieldFont_);

    typingLabel_->hide();
    choiceButton_->setEnabled(false);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls()
{
    choiceButton_ = new QPushButton(QStringLiteral("Выбор"), this);
    typingButton_ = new QPushButton(QStringLiteral("Ввод"), this);
    prompt_ = new ColorEdit(this);
    prompt_->setReadOnly(true);
    prompt_->setAlignment(Qt::AlignCenter);
    prompt_->setFrame(false);
    prompt_->setFocusPolicy(Qt::NoFocus);
    answerFrame_ = new QGroupBox(this);
    variants_ = new WordListBox(this);
    typingLabel_ = new QLabel(QStringLiteral("Перевод"), this);
    typingField_ = new ColorEdit(this);
    typingField_->hide();
    answerButton_ = new AnswerButton(this);
    answerButton_->hide();
    transcriptionLine_ = new QLabel(this);
    transcriptionLine_->setAlignment(Qt::AlignCenter);
    statisticsLine_ = new QLabel(QStringLiteral("          "), this);
    statisticsLine_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    closeButton_ = new QPushButton(QStringLiteral("Закрыть"), this);

    for (QPushButton* button : {choiceButton_, typingButton_, closeButton_}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    variants_->setObjectName("variants");
    prompt_->setObjectName("prompt");
    typingField_->setObjectName("typingField");
    answerButton_->setObjectName("answerButton");
    transcriptionLine_->setObjectName("transcriptionLine");
    statisticsLine_->setObjectName("statisticsLine");

    connect(closeButton_, &QPushButton::clicked, this, [this] { controller_.autoShow().hideToTray(); });
    connect(choiceButton_, &QPushButton::clicked, this, [this] {
        controller_.switchToChoice();
        render(controller_.engine().presentNext());
    });
    connect(typingButton_, &QPushButton::clicked, this, [this] {
        controller_.switchToTyping();
        render(controller_.engine().presentNext());
    });
    connect(answerButton_, &QPushButton::pressed, this, [this] {
        if (answerButton_->hasFocus())
            controller_.continueAfterWrong();
    });

    input_ = new LearningWindowInput(*this, controller_, settings_);
    input_->watch(this);
}

// Positions in dialog units of the 268 x 162 dialog, converted with the
// window font's metrics: a horizontal unit is a quarter of the average
// character width, a vertical unit an eighth of the character height.
void MainWindow::layoutControls()
{
    const DialogUnits units(font());
    auto px = [&units](int x) { return units.x(x); };
    auto py = [&units](int y) { return units.y(y); };
    auto place = [&](QWidget* widget, int x, int y, int w, int h) {
        widget->setGeometry(px(x), py(y), px(w), py(h));
    };

    setFixedSize(px(268), py(162));

    // The bitmap buttons take the size of their pictures; neighbours meet
    // edge to edge whatever the rounding of the units.
    auto bitmap = [&](const QString& caption, const QString& symbol, int x, int y, int w, int h) {
        auto* button = new BitmapButton(caption, symbol, QSize(px(x + w) - px(x), py(y + h) - py(y)), this);
        button->move(px(x), py(y));
        return button;
    };
    addButton_ = bitmap("+", "+", 8, 3, 15, 11);
    excludeButton_ = bitmap("--", "--", 23, 3, 15, 11);
    optionsButton_ = bitmap("Options", QStringLiteral("\u2699"), 6, 141, 17, 14);
    helpButton_ = bitmap("Help", "?", 23, 141, 17, 14);
    connect(addButton_, &QToolButton::clicked, this, [this] { controller_.addWords(); });
    connect(excludeButton_, &QToolButton::clicked, this, [this] { controller_.excludeWord(); });
    connect(optionsButton_, &QToolButton::clicked, this, [this] { controller_.openOptions(); });
    connect(helpButton_, &QToolButton::clicked, this, [this] { controller_.openHelp(); });
    for (QWidget* button : {addButton_, excludeButton_, optionsButton_, helpButton_})
        input_->watch(button);

    place(choiceButton_, 204, 3, 27, 11);
    place(typingButton_, 233, 3, 27, 11);
    place(prompt_, 5, 15, 257, 18);
    place(answerFrame_, 6, 30, 255, 107);
    place(variants_, 10, 36, 248, 80);
    place(typingLabel_, 19, 45, 30, 8);
    place(typingField_, 19, 55, 230, 12);
    place(answerButton_, 6, 119, 255, 19);
    place(transcriptionLine_, 59, 122, 149, 14);
    place(statisticsLine_, 211, 124, 45, 8);
    place(closeButton_, 222, 141, 39, 15);

    // Stacking as in the dialog: the frame behind the answer area, the answer
    // button above the transcription and statistics lines.
    answerFrame_->lower();
    answerButton_->raise();
    setTabOrder(variants_, typingField_);
}

std::uint8_t MainWindow::charSetOf(FontRole role) const
{
    return role == FontRole::studiedLanguage ? settings_.iForeignCharSet() : settings_.iNativeCharSet();
}

std::string MainWindow::faceOf(FontRole role) const
{
    return role == FontRole::studiedLanguage ? settings_.sForeignFontFace()
                                             : settings_.sNativeFontFace();
}

QString MainWindow::decode(const std::string& bytes, std::uint8_t charSet) const
{
    return CharsetCodec(charSet).decode(bytes);
}

void MainWindow::updateExcludeEnabled()
{
    excludeButton_->setEnabled(canExclude_ && static_cast<bool>(controller_.dialogs().confirmExclude));
}

void MainWindow::updateCommandsEnabled()
{
    addButton_->setEnabled(static_cast<bool>(controller_.dialogs().addWords));
    optionsButton_->setEnabled(static_cast<bool>(controller_.dialogs().options));
    helpButton_->setEnabled(static_cast<bool>(controller_.dialogs().help));
    updateExcludeEnabled();
}

// ---------------------------------------------------------------- rendering

void MainWindow::render(const Presentation& p)
{
    const Settings& settings = settings_;
    switch (p.state) {
    case Presentation::State::noDictionary:
        variants_->clear();
        variantBytes_.clear();
        prompt_->clear();
        promptBytes_.clear();
        return;
    case Presentation::State::emptyList:
        if (variants_->isActiveAnswerControl()) {
            variants_->clear();
            variantBytes_.clear();
        } else {
            typingField_->clear();
        }
        canExclude_ = false;
        updateExcludeEnabled();
        prompt_->clear();
        promptBytes_.clear();
        transcriptionLine_->clear();
        update();
        return;
    case Presentation::State::ready:
        break;
    }

    canExclude_ = true;
    updateExcludeEnabled();
    if (settings.currentMode() == Mode::Choice) {
        const int points = std::abs(static_cast<int>(settings.wordFontSize()));
        variants_->setItemFont(points * 10, kFontWeightNormal, charSetOf(p.variantFont),
                               QString::fromStdString(faceOf(p.variantFont)));
        variants_->clear();
        variantBytes_ = p.variants;
        const std::uint8_t variantSet = charSetOf(p.variantFont);
        for (const std::string& variant : p.variants)
            variants_->addItem(decode(variant, variantSet));
        if (variants_->count() > 0)
            variants_->setCurrentRow(0);
        variants_->viewport()->update();
    }
    makeFont(promptTextFont_, -18, kFontWeightNormal, charSetOf(p.promptFont), faceOf(p.promptFont));
    prompt_->setFont(promptTextFont_);
    promptBytes_ = p.prompt;
    prompt_->setText(decode(p.prompt, charSetOf(p.promptFont)));
    prompt_->setCursorPosition(0);
    if (settings.currentMode() == Mode::Typing) {
        typingRole_ = p.typingFont;
        makeFont(typingFieldFont_, static_cast<std::int32_t>(settings.wordFontSize()) - 3, kFontWeightNormal,
                 charSetOf(p.typingFont), faceOf(p.typingFont));
        typingField_->setFont(typingFieldFont_);
    }
    switch (p.transcription.kind) {
    case TranscriptionUpdate::Kind::keep:
        break;
    case TranscriptionUpdate::Kind::clear:
        transcriptionLine_->clear();
        break;
    case TranscriptionUpdate::Kind::show:
        setTranscriptionText(p.transcription.text);
        break;
    }
    statisticsLine_->setText(QString::fromStdString(p.statistics));
}

void MainWindow::setTranscriptionText(const std::string& bytes)
{
    const Settings& settings = settings_;
    makeFont(transcriptionFont_, -16, kFontWeightNormal, settings.iTransCharSet(), settings.sTransFontFace());
    transcriptionLine_->setFont(transcriptionFont_);
    transcriptionLine_->setText(decode(bytes, settings.iTransCharSet()));
}

void MainWindow::showCorrectAnswer(const std::string& answer, FontRole font)
{
    const int points = std::abs(static_cast<int>(settings_.wordFontSize())) + 2;
    makeFont(answerButtonFont_, -points, kFontWeightBold, charSetOf(font), faceOf(font));
    answerButton_->setFont(answerButtonFont_);
    answerButton_->setText(decode(answer, charSetOf(font)));
    answerButton_->show();
}

void MainWindow::disableVariants()
{
    variants_->setEnabled(false);
}

void MainWindow::hideTranscriptionLine()
{
    transcriptionLine_->hide();
}

void MainWindow::showTranscriptionLine()
{
    transcriptionLine_->show();
}

void MainWindow::clearTypedAnswer()
{
    typingField_->clear();
}

void MainWindow::restoreAfterWrong(std::uint16_t mode)
{
    answerButton_->hide();
    if (mode == 0) {
        variants_->setEnabled(true);
        variants_->setFocus();
    } else {
        typingField_->clear();
        typingField_->setFocus();
    }
}

// ---------------------------------------------------------------- modes

void MainWindow::showChoiceControls()
{
    // The answer controls change before the buttons: disabling the focused
    // button hands the focus on, and it must not land in the typing field.
    typingField_->hide();
    typingLabel_->hide();
    variants_->show();
    variants_->setFocus();
    if (variants_->count() > 0)
        variants_->setCurrentRow(0);
    variants_->setActiveAnswerControl(true);
    choiceButton_->setEnabled(false);
    typingButton_->setEnabled(true);
}

void MainWindow::showTypingControls()
{
    choiceButton_->setEnabled(true);
    transcriptionLine_->clear();
    variants_->hide();
    variants_->setActiveAnswerControl(false);
    typingField_->clear();
    typingField_->show();
    typingLabel_->show();
    typingField_->setFocus();
    typingField_->update();
    typingButton_->setEnabled(false);
}

void MainWindow::applyRowCount()
{
    // The options may have changed the number of rows.
    variants_->setRowHeightFromCount(settings_.iRowCount());
    update();
}

void MainWindow::focusAnswerControl()
{
    if (QWidget::isVisible() && !isActiveWindow())
        activateWindow();
    if (variants_->isActiveAnswerControl()) {
        variants_->setFocus();
        if (variants_->count() > 0)
            variants_->setCurrentRow(0);
    } else {
        typingField_->setFocus();
    }
}

// ---------------------------------------------------------------- the window

void MainWindow::closeEvent(QCloseEvent* event)
{
    // The window is never destroyed by the close message.
    event->ignore();
    controller_.closeMessage();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Becoming visible (not a restore from the minimised state, which the
    // window system reports as a spontaneous show).
    if (!event->spontaneous())
        controller_.windowShown();
}

void MainWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    update();
}

bool MainWindow::wrongAnswerShown() const
{
    return answerButton_->isVisibleTo(this);
}

namespace {

// The window's hide that keeps clear of Qt's frame callback on Wayland (made
// on first use, a child of the window).
FrameSafeHide* safeHideOf(const QWidget& window)
{
    return window.findChild<FrameSafeHide*>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace

bool MainWindow::isShown() const
{
    // A hide waiting for its moment counts as done.
    const FrameSafeHide* hiding = safeHideOf(*this);
    return QWidget::isVisible() && !(hiding && hiding->pending());
}

void MainWindow::showWindow()
{
    // A hide still waiting is called off: the window never went away, and
    // it is shown anew all the same.
    FrameSafeHide* hiding = safeHideOf(*this);
    const bool stayed = hiding && hiding->cancel();
    showNormal();
    raise();
    activateWindow();
    if (stayed)
        controller_.windowShown();
}

void MainWindow::hideWindow()
{
    FrameSafeHide* hiding = safeHideOf(*this);
    if (hiding == nullptr)
        hiding = new FrameSafeHide(*this);
    hiding->hide();
}

WindowRef MainWindow::windowRef() const
{
    if (!testAttribute(Qt::WA_WState_Created))
        return kNoWindow;
    return static_cast<WindowRef>(effectiveWinId());
}

void MainWindow::cancelMode()
{
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    if (QWidget* grabber = QWidget::mouseGrabber(); grabber != nullptr && grabber->window() == this)
        grabber->releaseMouse();
}

} // namespace mox
