#include "learning/LearningController.h"

#include <QApplication>
#include <QTimer>

#include "learning/MainWindow.h"
#include "settings/CurrentDictionary.h"
#include "settings/Settings.h"
#include "store/DictionaryFolder.h"
#include "store/DictionarySession.h"
#include "store/LargeArrays.h"

namespace mox {

LearningController::LearningController(MainWindowPorts ports, MainWindowDialogs dialogs, TrayIconPort* tray)
    : ports_(ports), dialogs_(std::move(dialogs)), tray_(tray), layouts_(ports.layouts, ports.settings)
{
    Settings& settings = ports_.settings;
    engine_ = std::make_unique<LearningEngine>(settings, ports_.clock, *this, ports_.session);
    // The user's own keyboard layouts.
    layouts_.readPreloadLayouts(settings.preloadLayouts());
    engine_->setChoiceDirectionFromSettings();
    engine_->setTypingDirectionFromSettings();

    settings.setCurrentMode(settings.iMainRegim());

    // A name that leads out of the dictionary folder is told once and opens
    // nothing; what a save cut off by a crash left in the folder goes.
    reportRefusedNames(settings, settings.messages());
    DictionaryFolder(settings.dictFolder()).removeStaleTemporaryFiles();
    ports_.session.open(currentDictionaryPaths(settings));
    ports_.session.createFiles();
    engine_->loadList();

    autoShow_ = std::make_unique<AutoShow>(settings, *this, ports_.timers, ports_.activity, ports_.foreground,
                                           ports_.sleep);
}

LearningController::~LearningController()
{
    if (!ended_)
        endWork();
    autoShow_.reset();
}

MainWindow& LearningController::ensureWindow()
{
    if (window_)
        return *window_;
    // The font first: the window's transcription line is drawn in it.
    if (dialogs_.installTranscriptionFont)
        dialogs_.installTranscriptionFont();
    window_ = std::make_unique<MainWindow>(*this, ports_.settings);
    window_->updateCommandsEnabled();
    emit windowCreated(window_.get());
    return *window_;
}

// ---------------------------------------------------------------- what the engine asks of the window
// A window not built yet has nothing to draw: its first showing presents
// the word afresh.

void LearningController::render(const Presentation& presentation)
{
    if (window_)
        window_->render(presentation);
}

void LearningController::showCorrectAnswer(const std::string& answer, FontRole font)
{
    if (window_)
        window_->showCorrectAnswer(answer, font);
}

void LearningController::disableVariants()
{
    if (window_)
        window_->disableVariants();
}

void LearningController::hideTranscriptionLine()
{
    if (window_)
        window_->hideTranscriptionLine();
}

void LearningController::showTranscriptionLine()
{
    if (window_)
        window_->showTranscriptionLine();
}

void LearningController::clearTypedAnswer()
{
    if (window_)
        window_->clearTypedAnswer();
}

void LearningController::restoreAfterWrong(std::uint16_t mode)
{
    if (window_)
        window_->restoreAfterWrong(mode);
}

void LearningController::retreatWithAutoshow()
{
    autoShow_->retreatWithAutoshow();
}

void LearningController::focusAnswerControl()
{
    if (window_)
        window_->focusAnswerControl();
}

// ---------------------------------------------------------------- modes and layouts

void LearningController::switchToChoice()
{
    Settings& settings = ports_.settings;
    if (heldStudiedLayout_ != 0 && layouts_.releaseLayout(heldStudiedLayout_))
        heldStudiedLayout_ = 0;
    settings.setCurrentMode(Mode::Choice);
    engine_->setChoiceDirectionFromSettings();
    if (window_)
        window_->showChoiceControls();
}

void LearningController::switchToTyping()
{
    Settings& settings = ports_.settings;
    settings.setCurrentMode(Mode::Typing);
    engine_->setTypingDirectionFromSettings();
    if (window_)
        window_->showTypingControls();
}

void LearningController::reapplyModeLayout()
{
    if (window_)
        window_->applyRowCount();
    if (ports_.settings.currentMode() == Mode::Typing)
        switchToTyping();
    else
        switchToChoice();
}

// The layout of the language the typed answer is in, whenever the typing
// field gets the focus while the learning window is the active one.
void LearningController::applyTypingLayout()
{
    const QWidget* active = QApplication::activeWindow();
    if (active == nullptr || active->windowTitle() != MainWindow::caption())
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

void LearningController::releaseLayouts()
{
    if (layouts_.releaseLayout(heldStudiedLayout_))
        heldStudiedLayout_ = 0;
    if (layouts_.releaseLayout(heldTranslationLayout_))
        heldTranslationLayout_ = 0;
}

bool LearningController::answer(const std::string& text)
{
    return engine_->checkAnswer(text);
}

// ---------------------------------------------------------------- commands

template <class Run>
decltype(auto) LearningController::runOwnWindow(Run run)
{
    struct End {
        LearningController* controller;
        ~End() { controller->ownWindowEnded(); }
    };
    ++ownWindows_;
    const End end{this};
    return run();
}

void LearningController::ownWindowEnded()
{
    if (--ownWindows_ == 0 && autoShow_)
        autoShow_->ownWindowsClosed();
}

bool LearningController::ownWindowOpen() const
{
    return ownWindows_ > 0 || ownDialogOpen();
}

void LearningController::addWords()
{
    if (!dialogs_.addWords)
        return;
    if (runOwnWindow([this] { return dialogs_.addWords(&ensureWindow()); }))
        focusAnswerControl();
    engine_->topUpList();
    render(engine_->presentNext());
}

void LearningController::excludeWord()
{
    if (!dialogs_.confirmExclude || engine_->list().empty())
        return;
    switch (runOwnWindow([this] { return dialogs_.confirmExclude(&ensureWindow()); })) {
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

void LearningController::openOptions()
{
    if (!dialogs_.options)
        return;
    if (wrongAnswerShown())
        continueAfterWrong();
    engine_->saveList();
    ensureWindow().showMinimized();
    runOwnWindow([this] { dialogs_.options(&ensureWindow()); });
    reapplyModeLayout();
    window_->showNormal();
    engine_->loadList();
    engine_->topUpList();
    render(engine_->presentNext());
    focusAnswerControl();
}

void LearningController::openHelp(const QString& topic)
{
    if (dialogs_.help)
        dialogs_.help(&ensureWindow(), topic);
}

void LearningController::optionsFromTray()
{
    if (!dialogs_.options)
        return;
    runOwnWindow([this] { dialogs_.options(&ensureWindow()); });
    engine_->refreshList();
    reapplyModeLayout();
    autoShow_->giveForegroundBack();
    releaseLayouts();
}

void LearningController::addWordsFromTray()
{
    if (!dialogs_.addWords)
        return;
    addWords();
    autoShow_->giveForegroundBack();
}

void LearningController::aboutFromTray()
{
    if (!dialogs_.about)
        return;
    runOwnWindow([this] { dialogs_.about(&ensureWindow()); });
    autoShow_->giveForegroundBack();
}

void LearningController::closeMessage()
{
    QWidget* active = QApplication::activeWindow();
    if (active != nullptr && active->windowTitle() != MainWindow::caption()) {
        // One of the program's own dialogs is active: close it.
        const QString title = active->windowTitle();
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top != window_.get() && top->isVisible() && top->windowTitle() == title) {
                top->close();
                return;
            }
        }
        return;
    }
    // With no active window the message still hides a visible learning
    // window; a hidden one stays as it is.
    if (active == nullptr && (!window_ || !window_->isVisible()))
        return;
    autoShow_->hideToTray();
}

bool LearningController::ownDialogOpen() const
{
    for (const QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && MainWindow::ownDialogCaptions().contains(top->windowTitle()))
            return true;
    }
    return false;
}

void LearningController::windowShown()
{
    if (autoShow_)
        autoShow_->onShown();
}

// ---------------------------------------------------------------- ending

void LearningController::endWork()
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

void LearningController::exitProgram()
{
    removeTrayIcon();
    endWork();
    emit exitRequested();
}

// ---------------------------------------------------------------- automatic showing

void LearningController::saveList()
{
    engine_->saveList();
}

void LearningController::loadList()
{
    engine_->refreshList();
}

bool LearningController::listEmpty() const
{
    return engine_->list().empty();
}

void LearningController::addTrayIcon()
{
    if (tray_ != nullptr)
        tray_->addIcon();
}

void LearningController::removeTrayIcon()
{
    if (tray_ != nullptr)
        tray_->removeIcon();
}

void LearningController::continueAfterWrong()
{
    engine_->continueAfterWrong();
}

void LearningController::resetShowingCounters()
{
    engine_->resetShowingCounters();
}

void LearningController::topUpAndPresent()
{
    engine_->topUpList();
    render(engine_->presentNext());
}

bool LearningController::isVisible() const
{
    return window_ && window_->isShown();
}

void LearningController::showWindow()
{
    ensureWindow().showWindow();
}

void LearningController::hideWindow()
{
    if (window_)
        window_->hideWindow();
    // What the start or the showing used and freed goes back to the system
    // before the long wait, once the event loop is free again.
    QTimer::singleShot(0, this, [] { releaseFreedMemory(); });
}

bool LearningController::wrongAnswerShown() const
{
    return window_ && window_->wrongAnswerShown();
}

WindowRef LearningController::windowRef() const
{
    return window_ ? window_->windowRef() : kNoWindow;
}

void LearningController::cancelMode()
{
    if (window_)
        window_->cancelMode();
}

} // namespace mox
