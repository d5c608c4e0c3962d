#pragma once
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

#include <vector>

class QAbstractButton;

namespace mox {

// What the transcription keyboard needs of the window that owns it (the
// add-words dialog): its transcription field's text, the caret index to
// insert at, and the focus back in the field.
class TranscriptionKeyboardOwner {
public:
    virtual ~TranscriptionKeyboardOwner() = default;
    virtual QString transcriptionText() const = 0;
    // Puts `text` into the field; false (with the reason shown by the owner)
    // when the field cannot hold it, and then the field is unchanged.
    virtual bool replaceTranscription(const QString& text) = 0;
    // The character index at the field's caret, also remembered by the owner
    // as its insertion point.
    virtual int caretCharIndex() = 0;
    // Insertion point + 1; the caret moves there.
    virtual void advanceInsertionPoint() = 0;
    virtual void focusTranscription() = 0;
    // The owner's controls the keyboard must leave in sight, the
    // transcription field first (the keyboard goes at its height): the field,
    // its message and the buttons.
    virtual QList<QWidget*> controlsInSight() const = 0;
};

// The floating window of keys for typing a phonetic transcription with the
// mouse. Each key is captioned and drawn in the transcription font, which
// shows ordinary characters as phonetic symbols; a click inserts the key's
// character at the owner's caret. The "[...]" key encloses the whole text in
// square brackets. The first page holds the 55 keys it always had; the page
// key ("»", beside "[...]") turns to the pages of the further symbols of the
// key table (a combining mark shown on a dotted circle) and back.
//
// The window never takes the keyboard focus, so typing goes on in the owner's
// field: on X11 it is a tool window that accepts no focus; on Wayland, where
// the compositor focuses and places every window of its own, it is a popup
// of the owner (no focus, placed beside the owner by the program). It is
// placed from the owner's real geometry beside the owner window, at the
// height of the transcription field, so that it covers none of the owner's
// controls in sight and stays on the screen (see placement()). It is dragged
// by its background and closes by its close box, Esc or its owner's request
// (closeKeyboard), telling the owner `closed`.
class TranscriptionKeyboard final : public QWidget {
    Q_OBJECT
public:
    struct Key {
        int id;
        const char* caption;  // the character inserted; "[...]" for the bracket key
    };
    // The keys of the first page, row by row, left to right.
    static const std::vector<std::vector<Key>>& rows();
    static constexpr const char* kPageCaption = "»";
    static constexpr int kPageKeyId = 1199;
    static constexpr const char* kFontFamily = "TransMox";
    static constexpr const char* kBracketCaption = "[...]";

    // Creates the window owned by `ownerWindow`, 213 pixels wide, and places
    // it beside the owner window; show() it then.
    TranscriptionKeyboard(TranscriptionKeyboardOwner& owner, QWidget* ownerWindow);

    // Where a keyboard whose frame is `frame` large goes (its frame's
    // top-left corner), all in screen coordinates: `ownerFrame` is the owner
    // window with its frame, `anchor` the transcription field, `inSight` the
    // owner's controls to leave uncovered, `screen` the screen's available
    // area (empty where the program cannot know it, as on Wayland: then
    // simply right of the owner). The first choice is right of the owner at
    // the field's height, then left of it, below and above; where the screen
    // has no room beside the owner, the spot nearest to that which covers
    // the least of the controls, and then of the owner.
    static QPoint placement(QSize frame, const QRect& ownerFrame, const QRect& anchor, const QList<QRect>& inSight,
                            const QRect& screen);
    // Places the keyboard beside its owner window by placement().
    void placeBesideOwner();
    ~TranscriptionKeyboard() override;

    // The key with that control id, or nullptr.
    QAbstractButton* key(int id) const;
    // The key with that caption, or nullptr.
    QAbstractButton* keyCaptioned(const QString& caption) const;

    void pressKey(const QString& caption);
    // The key that inserts `character` (on any page), or nullptr.
    QAbstractButton* keyInserting(QChar character) const;

    // The page shown (0: the first) and how many there are.
    int page() const { return page_; }
    int pageCount() const { return pages_; }
    // Shows page `page` (wrapping around).
    void showPage(int page);

public slots:
    // The owner's closing request.
    void closeKeyboard();

signals:
    // The keyboard went away (its close box, Esc or the owner's request).
    void closed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void insertCharacter(const QString& character);
    void encloseInBrackets();

    TranscriptionKeyboardOwner& owner_;
    std::vector<QAbstractButton*> keys_;
    std::vector<int> pageOf_;   // the page of each key
    std::vector<QChar> inserts_;   // the character each key inserts (0 for the bracket key)
    int page_ = 0;
    int pages_ = 1;
    bool told_ = false;
    // A drag moved by hand where the window system cannot move the window.
    bool dragging_ = false;
    QPoint dragOffset_;
};

} // namespace mox
