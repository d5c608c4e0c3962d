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
#include "platform/qt/FrameSafeHide.h"
#include "settings/CurrentDictionary.h"
#include "settings/Settings.h"
#include "store/DictionarySession.h"
#include "widgets/ColorEdit.h"
#include "widgets/DialogUnits.h"
#include "widgets/WordListBox.h"

namespace mox {

namespace {

// A button drawn from three pictures of its own: up, down and disabled. The
// pictures are painted by the program at construction (a raised face with a
// symbol, the same face sunk, the symbol greyed).
class BitmapButton final : public QToolButton {
public:
    BitmapButton(const QString& caption, const QString& symbol, QSize size, QWidget* parent)
        : QToolButton(parent)
    {
        setText(caption);
        setToolTip(caption == "Options" ? QStringLiteral("Опции")
                   : caption == "Help"  ? QStringLiteral("Помощь")
                                        : QString());
        setFocusPolicy(Qt::TabFocus);
        up_ = picture(symbol, size, false, true);
        down_ = picture(symbol, size, true, true);
        disabled_ = picture(symbol, size, false, false);
        setFixedSize(size);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawPixmap(0, 0, !isEnabled() ? disabled_ : isDown() ? down_ : up_);
    }

private:
    QPixmap picture(const QString& symbol, QSize size, bool down, bool enabled) const
    {
        QPixmap pixmap(size);
        pixmap.fill(palette().color(QPalette::Button));
        QPainter painter(&pixmap);
        qDrawWinButton(&painter, pixmap.rect(), palette(), down);
        QFont font = this->font();
        font.setBold(true);
        font.setPixelSize(std::max(8, size.height() - 4));
        painter.setFont(font);
        painter.setPen(enabled ? QColor(0, 0, 128) : QColor(160, 160, 160));
        const QRect area = pixmap.rect().adjusted(2, 1, -2, -1).translated(down ? 1 : 0, down ? 1 : 0);
        painter.drawText(area, Qt::AlignCenter, symbol);
        return pixmap;
    }

    QPixmap up_, down_, disabled_;
};

bool isArrow(int key)
{
    return key == Qt::Key_Left || key == Qt::Key_Up || key == Qt::Key_Right || key == Qt::Key_Down;
}

bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool shiftHeld()
{
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier)
           || QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier);
}

} // namespace

AnswerButton::AnswerButton(QWidget* parent) : QPushButton(parent)
{
    setAutoDefault(false);
    setDefault(false);
}

void AnswerButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    qDrawWinButton(&painter, rect(), palette(), isDown());
    painter.setFont(font());
    painter.setPen(isEnabled() ? QColor(kTextColor) : QColor(kDisabledTextColor));
    painter.drawText(rect().adjusted(3, 2, -3, -2), Qt::AlignCenter | Qt::TextSingleLine, text());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

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

MainWindow::MainWindow(MainWindowPorts ports, MainWindowDialogs dialogs, TrayIconPort* tray)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                           | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      ports_(ports), dialogs_(std::move(dialogs)), tray_(tray), layouts_(ports.layouts, ports.settings)
{
    Settings& settings = ports_.settings;
    engine_ = std::make_unique<LearningEngine>(settings, ports_.clock, *this, ports_.session);

    // Icon, caption, the user's own keyboard layouts. Enter triggers no
    // default command: no button of this window is a default button.
    setWindowIcon(QApplication::windowIcon());
    setWindowTitle(caption());
    layouts_.readPreloadLayouts(settings.preloadLayouts());

    engine_->setChoiceDirectionFromSettings();
    engine_->setTypingDirectionFromSettings();
    heldStudiedLayout_ = heldTranslationLayout_ = 0;

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

    makeFont(transcriptionFont_, -16, kFontWeightNormal, settings.iTransCharSet(), settings.sTransFontFace());
    transcriptionLine_->setFont(transcriptionFont_);
    transcriptionLine_->clear();

    variants_->setItemFont(100, kFontWeightNormal, 0, QStringLiteral("MS Sans Serif"));
    variants_->setRowHeightFromCount(settings.iRowCount());

    makeFont(typingFieldFont_, static_cast<std::int32_t>(settings.wordFontSize()) - 3, kFontWeightNormal,
             charSetOf(FontRole::studiedLanguage), faceOf(FontRole::studiedLanguage));
    typingField_->setBackgroundColor(palette().color(QPalette::Active, QPalette::Base));
    typingField_->setTextColor(palette().color(QPalette::Active, QPalette::Text));
    typingField_->setFont(typingFieldFont_);

    typingLabel_->hide();
    choiceButton_->setEnabled(false);
    settings.setCurrentMode(settings.iMainRegim());

    // A name that leads out of the dictionary folder is told once and opens
    // nothing; what a save cut off by a crash left in the folder goes.
    reportRefusedNames(settings, settings.messages());
    DictionaryFolder(settings.dictFolder()).removeStaleTemporaryFiles();
    ports_.session.open(currentDictionaryPaths(settings));
    ports_.session.createFiles();
    engine_->loadList();
    if (dialogs_.installTranscriptionFont)
        dialogs_.installTranscriptionFont();

    updateCommandsEnabled();
    autoShow_ = std::make_unique<AutoShow>(settings, *this, ports_.timers, ports_.activity, ports_.foreground,
                                           ports_.sleep);
}

MainWindow::~MainWindow()
{
    if (!ended_)
        endWork();
    autoShow_.reset();
}

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

    connect(closeButton_, &QPushButton::clicked, this, [this] { autoShow_->hideToTray(); });
    connect(choiceButton_, &QPushButton::clicked, this, [this] {
        switchToChoice();
        render(engine_->presentNext());
    });
    connect(typingButton_, &QPushButton::clicked, this, [this] {
        switchToTyping();
        render(engine_->presentNext());
    });
    connect(variants_, &WordListBox::hovered, this, &MainWindow::onHover);
    connect(variants_, &WordListBox::rowPressed, this, &MainWindow::answerWithRow);
    connect(answerButton_, &QPushButton::pressed, this, [this] {
        if (answerButton_->hasFocus())
            continueAfterWrong();
    });

    watch(this);
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

    // The bitmap buttons take the size of their pictures.
    auto bitmap = [&](const QString& caption, const QString& symbol, int x, int y, int w, int h) {
        auto* button = new BitmapButton(caption, symbol, QSize(px(w), py(h)), this);
        button->move(px(x), py(y));
        return button;
    };
    addButton_ = bitmap("+", "+", 8, 3, 15, 11);
    excludeButton_ = bitmap("--", QStringLiteral("\u2013"), 23, 3, 15, 11);
    optionsButton_ = bitmap("Options", QStringLiteral("\u2699"), 6, 141, 17, 14);
    helpButton_ = bitmap("Help", "?", 23, 141, 17, 14);
    connect(addButton_, &QToolButton::clicked, this, &MainWindow::addWords);
    connect(excludeButton_, &QToolButton::clicked, this, &MainWindow::excludeWord);
    connect(optionsButton_, &QToolButton::clicked, this, &MainWindow::openOptions);
    connect(helpButton_, &QToolButton::clicked, this, [this] { openHelp(); });
    for (QWidget* button : {addButton_, excludeButton_, optionsButton_, helpButton_})
        watch(button);

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

void MainWindow::watch(QWidget* widget)
{
    widget->installEventFilter(this);
    for (QWidget* child : widget->findChildren<QWidget*>())
        child->installEventFilter(this);
}

std::uint8_t MainWindow::charSetOf(FontRole role) const
{
    return role == FontRole::studiedLanguage ? ports_.settings.iForeignCharSet() : ports_.settings.iNativeCharSet();
}

std::string MainWindow::faceOf(FontRole role) const
{
    return role == FontRole::studiedLanguage ? ports_.settings.sForeignFontFace()
                                             : ports_.settings.sNativeFontFace();
}

QString MainWindow::decode(const std::string& bytes, std::uint8_t charSet) const
{
    return CharsetCodec(charSet).decode(bytes);
}

void MainWindow::updateExcludeEnabled()
{
    excludeButton_->setEnabled(canExclude_ && static_cast<bool>(dialogs_.confirmExclude));
}

void MainWindow::updateCommandsEnabled()
{
    addButton_->setEnabled(static_cast<bool>(dialogs_.addWords));
    optionsButton_->setEnabled(static_cast<bool>(dialogs_.options));
    helpButton_->setEnabled(static_cast<bool>(dialogs_.help));
    updateExcludeEnabled();
}

// ---------------------------------------------------------------- rendering

void MainWindow::render(const Presentation& p)
{
    const Settings& settings = ports_.settings;
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
    const Settings& settings = ports_.settings;
    makeFont(transcriptionFont_, -16, kFontWeightNormal, settings.iTransCharSet(), settings.sTransFontFace());
    transcriptionLine_->setFont(transcriptionFont_);
    transcriptionLine_->setText(decode(bytes, settings.iTransCharSet()));
}

void MainWindow::showCorrectAnswer(const std::string& answer, FontRole font)
{
    const int points = std::abs(static_cast<int>(ports_.settings.wordFontSize())) + 2;
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

void MainWindow::retreatWithAutoshow()
{
    autoShow_->retreatWithAutoshow();
}

// ---------------------------------------------------------------- modes

void MainWindow::switchToChoice()
{
    Settings& settings = ports_.settings;
    if (heldStudiedLayout_ != 0 && layouts_.releaseLayout(heldStudiedLayout_))
        heldStudiedLayout_ = 0;
    settings.setCurrentMode(Mode::Choice);
    engine_->setChoiceDirectionFromSettings();
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

void MainWindow::switchToTyping()
{
    Settings& settings = ports_.settings;
    settings.setCurrentMode(Mode::Typing);
    engine_->setTypingDirectionFromSettings();
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

void MainWindow::reapplyModeLayout()
{
    // The options may have changed the number of rows.
    variants_->setRowHeightFromCount(ports_.settings.iRowCount());
    if (ports_.settings.currentMode() == Mode::Typing)
        switchToTyping();
    else
        switchToChoice();
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

// The layout of the language the typed answer is in, whenever the typing
// field gets the focus while this window is the active one.
void MainWindow::applyTypingLayout()
{
    const QWidget* active = QApplication::activeWindow();
    if (active == nullptr || active->windowTitle() != caption())
        return;
    Settings& settings = ports_.settings;
    switch (engine_->typingDirection()) {
    case 1:
        if (layouts_.releaseLayout(heldTranslationLayout_))
            heldTranslationLayout_ = 0;
        layouts_.activateLayout(settings.uiForeignLayout(), heldStudiedLayout_, settings.preloadLayouts());
        break;
    case 0:
        if (layouts_.releaseLayout(heldStudiedLayout_))
            heldStudiedLayout_ = 0;
        layouts_.activateLayout(settings.uiNativeLayout(), heldTranslationLayout_, settings.preloadLayouts());
        break;
    default:
        break;
    }
}

void MainWindow::releaseLayouts()
{
    if (layouts_.releaseLayout(heldStudiedLayout_))
        heldStudiedLayout_ = 0;
    if (layouts_.releaseLayout(heldTranslationLayout_))
        heldTranslationLayout_ = 0;
}

// ---------------------------------------------------------------- answers and hints

void MainWindow::answerFromControl()
{
    if (engine_->list().empty())
        return;
    std::string text;
    if (ports_.settings.currentMode() == Mode::Choice) {
        const int row = variants_->currentRow();
        if (row >= 0 && row < static_cast<int>(variantBytes_.size()) && variants_->item(row)->isSelected())
            text = variantBytes_[static_cast<std::size_t>(row)];
    } else {
        const CharsetCodec codec(charSetOf(typingRole_));
        const EncodeResult encoded = codec.encode(typingField_->text());
        if (!encoded.ok) {
            // A character the answer's code page cannot hold can never match:
            // say so instead of judging a changed text.
            ports_.settings.messages().show(refusedCharacterMessage(codec, encoded), MessageIcon::Warning);
            typingField_->setFocus();
            return;
        }
        text = encoded.bytes;
    }
    if (engine_->checkAnswer(text))
        focusAnswerControl();
    else
        answerButton_->setFocus();
}

void MainWindow::answerWithRow(int row)
{
    if (engine_->list().empty() || !variants_->hasFocus() || !variants_->isEnabled())
        return;
    if (row < 0 || row >= static_cast<int>(variantBytes_.size()))
        return;
    if (engine_->checkAnswer(variantBytes_[static_cast<std::size_t>(row)]))
        focusAnswerControl();
    else
        answerButton_->setFocus();
}

bool MainWindow::reverseChoiceInForce() const
{
    const Direction type = ports_.settings.demoType(Mode::Choice);
    return type == Direction::Reverse || (type == Direction::Both && engine_->choiceDirection() == 1);
}

void MainWindow::showHint()
{
    if (!transcriptionLine_->text().isEmpty())
        return;
    const Settings& settings = ports_.settings;
    if (settings.currentMode() == Mode::Choice && variants_->hasFocus() && settings.bShowTranscrSel() != 0
        && reverseChoiceInForce()) {
        const int row = variants_->currentRow();
        if (row < 0 || row >= static_cast<int>(variantBytes_.size()) || !variants_->item(row)->isSelected())
            return;
        if (auto hint = engine_->transcriptionFor(variantBytes_[static_cast<std::size_t>(row)], 0))
            setTranscriptionText(*hint);
    } else if (settings.currentMode() == Mode::Typing && settings.bShowTranscrInput() != 0) {
        if (auto hint = engine_->transcriptionFor(promptBytes_, 1))
            setTranscriptionText(*hint);
    }
}

void MainWindow::hideHint()
{
    const Settings& settings = ports_.settings;
    const bool choiceHint = variants_->hasFocus() && settings.bShowTranscrSel() != 0 && settings.currentMode() == Mode::Choice
                            && reverseChoiceInForce();
    const bool typingHint = settings.currentMode() == Mode::Typing && settings.bShowTranscrInput() != 0;
    if (choiceHint || typingHint)
        transcriptionLine_->clear();
}

void MainWindow::onHover(int)
{
    if (ports_.settings.bShowTranscrSel() == 0)
        return;
    hideHint();
    if (shiftDown_ || shiftHeld())
        showHint();
}

// ---------------------------------------------------------------- keys and mouse

bool MainWindow::handleKey(QObject* watched, QKeyEvent* event)
{
    const int key = event->key();
    QWidget* focus = QApplication::focusWidget();
    if (isEnter(key)) {
        if (focus == variants_ || focus == typingField_) {
            answerFromControl();
            return true;
        }
        if (focus == answerButton_) {
            continueAfterWrong();
            return true;
        }
        return false;
    }
    if (key == Qt::Key_Space && focus == answerButton_) {
        if (!event->isAutoRepeat())
            continueAfterWrong();
        return true;
    }
    if (key == Qt::Key_Shift) {
        shiftDown_ = true;
        showHint();
        return false;
    }
    if (isArrow(key)) {
        // The control moves its selection first; the hint follows it.
        watched->event(event);
        hideHint();
        if (event->modifiers().testFlag(Qt::ShiftModifier))
            showHint();
        return true;
    }
    if (event->modifiers().testFlag(Qt::ControlModifier)) {
        if (key == Qt::Key_Insert) {
            addWords();
            return true;
        }
        if (key == Qt::Key_Delete) {
            excludeWord();
            return true;
        }
    }
    if (key == Qt::Key_F1) {
        openHelp(introTopic());
        return true;
    }
    return false;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress:
        return handleKey(watched, static_cast<QKeyEvent*>(event));
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Shift && !key->isAutoRepeat()) {
            shiftDown_ = false;
            hideHint();
        }
        return false;
    }
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
            showHint();
        return false;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
            hideHint();
        return false;
    case QEvent::WindowDeactivate:
        // A Shift released in another window is never reported here.
        if (watched == this)
            shiftDown_ = false;
        return false;
    case QEvent::FocusIn:
        if (watched == typingField_)
            applyTypingLayout();
        return false;
    case QEvent::ChildAdded:
        if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
            child->installEventFilter(this);
        return false;
    default:
        return false;
    }
}

// ---------------------------------------------------------------- commands

template <class Run>
decltype(auto) MainWindow::runOwnWindow(Run run)
{
    struct End {
        MainWindow* window;
        ~End() { window->ownWindowEnded(); }
    };
    ++ownWindows_;
    const End end{this};
    return run();
}

void MainWindow::ownWindowEnded()
{
    if (--ownWindows_ == 0 && autoShow_)
        autoShow_->ownWindowsClosed();
}

bool MainWindow::ownWindowOpen() const
{
    return ownWindows_ > 0 || ownDialogOpen();
}

void MainWindow::addWords()
{
    if (!dialogs_.addWords)
        return;
    if (runOwnWindow([this] { return dialogs_.addWords(this); }))
        focusAnswerControl();
    engine_->topUpList();
    render(engine_->presentNext());
}

void MainWindow::excludeWord()
{
    if (!dialogs_.confirmExclude || engine_->list().empty())
        return;
    switch (runOwnWindow([this] { return dialogs_.confirmExclude(this); })) {
    case ExcludeAnswer::Yes:
        if (engine_->excludeCurrentWord()) {
            render(engine_->presentNext());
            focusAnswerControl();
        }
        break;
    case ExcludeAnswer::No:
        focusAnswerControl();
        break;
    case ExcludeAnswer::Closed:
        break;
    }
}

void MainWindow::openOptions()
{
    if (!dialogs_.options)
        return;
    if (wrongAnswerShown())
        continueAfterWrong();
    engine_->saveList();
    showMinimized();
    runOwnWindow([this] { dialogs_.options(this); });
    reapplyModeLayout();
    showNormal();
    engine_->loadList();
    engine_->topUpList();
    render(engine_->presentNext());
    focusAnswerControl();
}

void MainWindow::openHelp(const QString& topic)
{
    if (dialogs_.help)
        dialogs_.help(this, topic);
}

void MainWindow::optionsFromTray()
{
    if (!dialogs_.options)
        return;
    runOwnWindow([this] { dialogs_.options(this); });
    engine_->refreshList();
    reapplyModeLayout();
    autoShow_->giveForegroundBack();
    releaseLayouts();
}

void MainWindow::addWordsFromTray()
{
    if (!dialogs_.addWords)
        return;
    addWords();
    autoShow_->giveForegroundBack();
}

void MainWindow::aboutFromTray()
{
    if (!dialogs_.about)
        return;
    runOwnWindow([this] { dialogs_.about(this); });
    autoShow_->giveForegroundBack();
}

void MainWindow::closeMessage()
{
    QWidget* active = QApplication::activeWindow();
    if (active != nullptr && active->windowTitle() != caption()) {
        // One of the program's own dialogs is active: close it.
        const QString title = active->windowTitle();
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top != this && top->isVisible() && top->windowTitle() == title) {
                top->close();
                return;
            }
        }
        return;
    }
    // With no active window the message still hides a visible learning
    // window; a hidden one stays as it is.
    if (active == nullptr && !QWidget::isVisible())
        return;
    autoShow_->hideToTray();
}

bool MainWindow::ownDialogOpen() const
{
    for (const QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && ownDialogCaptions().contains(top->windowTitle()))
            return true;
    }
    return false;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // The window is never destroyed by the close message.
    event->ignore();
    closeMessage();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Becoming visible (not a restore from the minimised state, which the
    // window system reports as a spontaneous show).
    if (!event->spontaneous() && autoShow_)
        autoShow_->onShown();
}

void MainWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    update();
}

// ---------------------------------------------------------------- ending

void MainWindow::endWork()
{
    if (!ended_) {
        ended_ = true;
        releaseLayouts();
        if (dialogs_.removeTranscriptionFont)
            dialogs_.removeTranscriptionFont();
        // The last write: its failure is told even after an earlier one.
        engine_->saveList(true);
        return;
    }
    // The exit command, a signal and the end of the event loop may each end
    // the work: the list is written once, and again only when it changed.
    if (engine_->hasUnsavedChanges())
        engine_->saveList();
}

void MainWindow::exitProgram()
{
    removeTrayIcon();
    endWork();
    emit exitRequested();
}

// ---------------------------------------------------------------- automatic showing

void MainWindow::saveList()
{
    engine_->saveList();
}

void MainWindow::loadList()
{
    engine_->refreshList();
}

bool MainWindow::listEmpty() const
{
    return engine_->list().empty();
}

namespace {

// The window's hide that keeps clear of Qt's frame callback on Wayland (made
// on first use, a child of the window).
FrameSafeHide* safeHideOf(const QWidget& window)
{
    return window.findChild<FrameSafeHide*>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace

bool MainWindow::isVisible() const
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
    if (stayed && autoShow_)
        autoShow_->onShown();
}

void MainWindow::hideWindow()
{
    FrameSafeHide* hiding = safeHideOf(*this);
    if (hiding == nullptr)
        hiding = new FrameSafeHide(*this);
    hiding->hide();
}

void MainWindow::addTrayIcon()
{
    if (tray_ != nullptr)
        tray_->addIcon();
}

void MainWindow::removeTrayIcon()
{
    if (tray_ != nullptr)
        tray_->removeIcon();
}

bool MainWindow::wrongAnswerShown() const
{
    return answerButton_->isVisibleTo(this);
}

void MainWindow::continueAfterWrong()
{
    engine_->continueAfterWrong();
}

void MainWindow::resetShowingCounters()
{
    engine_->resetShowingCounters();
}

void MainWindow::topUpAndPresent()
{
    engine_->topUpList();
    render(engine_->presentNext());
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
