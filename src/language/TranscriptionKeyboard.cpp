#include "language/TranscriptionKeyboard.h"

#include <algorithm>
#include <optional>
#include <tuple>

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <QtWidgets/qdrawutil.h>

#include "language/TranscriptionKeys.h"
#include "widgets/DialogUnits.h"

namespace mox {

namespace {

// The window's size in dialog units and where it goes beside its owner.
constexpr int kWidthUnits = 92;
constexpr int kHeightUnits = 63;
constexpr int kWidthPixels = 213;
// The gap between the keyboard and its owner window.
constexpr int kGap = 4;

bool onWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// On Wayland a tool window is a window of its own that the compositor places
// (over the middle of its owner) and focuses; a popup of the owner is placed
// by the program and never takes the keyboard.
Qt::WindowFlags keyboardWindowFlags()
{
    if (onWayland())
        return Qt::ToolTip | Qt::WindowDoesNotAcceptFocus;
    return Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
           | Qt::WindowCloseButtonHint | Qt::WindowDoesNotAcceptFocus;
}

qint64 area(const QRect& r)
{
    return r.isEmpty() ? 0 : static_cast<qint64>(r.width()) * r.height();
}

// A key: a raised face with its caption in the transcription font. It never
// takes the focus, so the owner's field keeps it.
class KeyButton final : public QAbstractButton {
public:
    KeyButton(const QString& caption, QWidget* parent) : QAbstractButton(parent)
    {
        setText(caption);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Button));
        qDrawWinButton(&painter, rect(), palette(), isDown());
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::ButtonText));
        const QRect area = rect().translated(isDown() ? 1 : 0, isDown() ? 1 : 0);
        painter.drawText(area, Qt::AlignCenter | Qt::TextSingleLine, text());
    }
};

} // namespace

const std::vector<std::vector<TranscriptionKeyboard::Key>>& TranscriptionKeyboard::rows()
{
    static const std::vector<std::vector<Key>> table{
        {{1100, "a"}, {1101, "b"}, {1102, "d"}, {1103, "e"}, {1104, "f"}, {1105, "g"},
         {1106, "h"}, {1107, "i"}, {1110, "j"}, {1108, "k"}, {1109, "l"}},
        {{1112, "m"}, {1111, "n"}, {1113, "o"}, {1114, "p"}, {1115, "r"}, {1116, "s"},
         {1117, "t"}, {1119, "u"}, {1121, "v"}, {1122, "w"}, {1123, "z"}},
        {{1118, "q"}, {1120, "x"}, {1124, "Q"}, {1125, "W"}, {1126, "E"}, {1127, "R"},
         {1128, "T"}, {1129, "I"}, {1134, "O"}, {1135, "P"}, {1136, "A"}},
        {{1137, "S"}, {1138, "D"}, {1139, "F"}, {1140, "G"}, {1141, "H"}, {1142, "J"},
         {1143, "L"}, {1144, "Z"}, {1145, "C"}, {1146, "V"}, {1147, "N"}},
        {{1148, "."}, {1149, ":"}, {1150, ","}, {1151, ";"}, {1152, "'"}, {1153, "\""},
         {1154, "("}, {1155, ")"}, {1156, "["}, {1157, "]"}, {1130, kBracketCaption}},
    };
    return table;
}

TranscriptionKeyboard::TranscriptionKeyboard(TranscriptionKeyboardOwner& owner, QWidget* ownerWindow)
    : QWidget(ownerWindow, keyboardWindowFlags()), owner_(owner)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    // No title: an empty one would be replaced by the program's name, so
    // the caption is a blank.
    setWindowTitle(QStringLiteral(" "));

    QFont keyFont(QString::fromLatin1(kFontFamily));
    keyFont.setPointSize(12);
    setFont(keyFont);

    // The template's proportions, stretched to the window's width of 213
    // pixels; the height follows the font like a dialog's.
    const DialogUnits units(keyFont);
    auto px = [](int x) { return (x * kWidthPixels + kWidthUnits / 2) / kWidthUnits; };
    constexpr int kTop = 3, kPitchY = 12, kKeyHeight = 11, kLeft = 2, kLetterWidth = 8, kPageKeyX = 80,
                  kPageKeyWidth = 10;
    const auto place = [&](QAbstractButton* button, int x, int width, int rowIndex) {
        const int top = units.y(kTop + kPitchY * rowIndex);
        button->setGeometry(px(x), top, px(x + width) - px(x), units.y(kTop + kPitchY * rowIndex + kKeyHeight) - top);
    };
    const auto addKey = [&](int id, const QString& caption, QChar inserts, int page) {
        auto* button = new KeyButton(caption, this);
        button->setObjectName(QStringLiteral("key%1").arg(id));
        if (inserts.isNull())
            connect(button, &QAbstractButton::clicked, this, &TranscriptionKeyboard::encloseInBrackets);
        else
            connect(button, &QAbstractButton::clicked, this, [this, inserts] { insertCharacter(QString(inserts)); });
        keys_.push_back(button);
        pageOf_.push_back(page);
        inserts_.push_back(inserts);
        return button;
    };
    // The first page, as it always was.
    int rowIndex = 0;
    for (const auto& row : rows()) {
        int x = kLeft;
        for (const Key& key : row) {
            const QString caption = QString::fromLatin1(key.caption);
            const bool bracketKey = caption == QLatin1String(kBracketCaption);
            const int width = bracketKey ? 18 : rowIndex < 4 ? kLetterWidth : 6;
            place(addKey(key.id, caption, bracketKey ? QChar() : caption.at(0), 0), x, width, rowIndex);
            x += width;
        }
        ++rowIndex;
    }
    // The further symbols of the key table, 11 to a row, 9 in the last row
    // (the page key takes the rest of it).
    std::vector<const TranscriptionKey*> further;
    for (const TranscriptionKey& k : transcriptionKeys()) {
        bool onFirst = false;
        for (const auto& row : rows())
            for (const Key& key : row)
                onFirst = onFirst || key.id == k.id;
        if (!onFirst)
            further.push_back(&k);
    }
    constexpr int kPerPage = 4 * 11 + 9;
    for (std::size_t i = 0; i < further.size(); ++i) {
        const TranscriptionKey& k = *further[i];
        const int page = 1 + static_cast<int>(i / kPerPage);
        const int at = static_cast<int>(i % kPerPage);
        const QChar inserts = QChar(static_cast<char16_t>(k.key));
        // A combining mark sits on a dotted circle, which the font draws too.
        const QString caption = isCombiningMark(k.ipa) ? QString(QChar(0x25CC)) + inserts : QString(inserts);
        place(addKey(k.id, caption, inserts, page), kLeft + (at % 11) * kLetterWidth, kLetterWidth, at / 11);
        pages_ = std::max(pages_, page + 1);
    }
    if (pages_ > 1) {
        // The page key, in an ordinary font: "»" is a key character of the
        // transcription font.
        auto* pageKey = new KeyButton(QString::fromUtf8(kPageCaption), this);
        pageKey->setObjectName(QStringLiteral("key%1").arg(kPageKeyId));
        pageKey->setFont(QApplication::font());
        pageKey->setToolTip(QStringLiteral("Другие знаки"));
        connect(pageKey, &QAbstractButton::clicked, this, [this] { showPage(page_ + 1); });
        place(pageKey, kPageKeyX, kPageKeyWidth, 4);
        keys_.push_back(pageKey);
        pageOf_.push_back(-1);
        inserts_.push_back(QChar());
    }
    showPage(0);
    setFixedSize(kWidthPixels, std::max(units.y(kHeightUnits), units.y(kTop + kPitchY * 5)));
    placeBesideOwner();
}

QPoint TranscriptionKeyboard::placement(QSize frame, const QRect& ownerFrame, const QRect& anchor,
                                        const QList<QRect>& inSight, const QRect& screen)
{
    // Right of the owner, the keyboard's top at the field's.
    const QPoint right(ownerFrame.right() + 1 + kGap, anchor.top());
    if (screen.isEmpty())
        return right;
    struct Cost {
        qint64 controls, owner, distance;
        bool operator<(const Cost& o) const
        {
            return std::tie(controls, owner, distance) < std::tie(o.controls, o.owner, o.distance);
        }
    };
    const auto cost = [&](QPoint at) {
        const QRect r(at, frame);
        Cost c{0, area(r & ownerFrame), 0};
        for (const QRect& control : inSight)
            c.controls += area(r & control);
        const QPoint d = at - right;
        c.distance = static_cast<qint64>(d.x()) * d.x() + static_cast<qint64>(d.y()) * d.y();
        return c;
    };
    const auto clampY = [&](QPoint p) {
        p.setY(std::clamp(p.y(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - frame.height())));
        return p;
    };
    const auto clampX = [&](QPoint p) {
        p.setX(std::clamp(p.x(), screen.left(), std::max(screen.left(), screen.right() + 1 - frame.width())));
        return p;
    };
    const QList<QPoint> beside{
        clampY(right),
        clampY(QPoint(ownerFrame.left() - kGap - frame.width(), anchor.top())),
        clampX(QPoint(anchor.left(), ownerFrame.bottom() + 1 + kGap)),
        clampX(QPoint(anchor.left(), ownerFrame.top() - kGap - frame.height())),
    };
    const auto onScreen = [&](QPoint at) { return screen.contains(QRect(at, frame)); };
    std::optional<QPoint> best;
    Cost bestCost{};
    const auto consider = [&](QPoint at) {
        if (!onScreen(at))
            return;
        const Cost c = cost(at);
        if (!best || c < bestCost) {
            best = at;
            bestCost = c;
        }
    };
    // The first of them, in that order, that leaves the owner whole.
    for (QPoint at : beside)
        if (onScreen(at) && cost(at).controls == 0 && cost(at).owner == 0)
            return at;
    for (QPoint at : beside)
        consider(at);
    // No room beside the owner: every spot of the screen, in steps of a few
    // pixels, and the screen's corner where the keyboard is larger than it.
    constexpr int kStep = 4;
    for (int y = screen.top(); y + frame.height() <= screen.bottom() + 1; y += kStep)
        for (int x = screen.left(); x + frame.width() <= screen.right() + 1; x += kStep)
            consider(QPoint(x, y));
    return best ? *best : screen.topLeft();
}

void TranscriptionKeyboard::placeBesideOwner()
{
    QWidget* ownerWindow = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    if (ownerWindow == nullptr)
        return;
    // The keyboard's frame is taken to be as wide as the owner's (it is not
    // known before the window manager has framed the window).
    const QRect ownerFrame = ownerWindow->frameGeometry();
    const QRect ownerClient = ownerWindow->geometry();
    const QMargins margins(ownerClient.left() - ownerFrame.left(), ownerClient.top() - ownerFrame.top(),
                           ownerFrame.right() - ownerClient.right(), ownerFrame.bottom() - ownerClient.bottom());
    const QSize frame = size().grownBy(margins);
    QList<QRect> inSight;
    QRect anchor = ownerClient;
    for (QWidget* control : owner_.controlsInSight()) {
        const QRect r(control->mapToGlobal(QPoint(0, 0)), control->size());
        if (inSight.isEmpty())
            anchor = r.translated(0, -margins.top());
        inSight << r;
    }
    QRect screen;
    if (!onWayland()) {
        const QScreen* where = ownerWindow->screen();
        screen = where != nullptr ? where->availableGeometry() : QRect();
    }
    move(placement(frame, ownerFrame, anchor, inSight, screen));
}

TranscriptionKeyboard::~TranscriptionKeyboard() = default;

void TranscriptionKeyboard::showPage(int page)
{
    page_ = pages_ > 0 ? ((page % pages_) + pages_) % pages_ : 0;
    for (std::size_t i = 0; i < keys_.size(); ++i)
        keys_[i]->setVisible(pageOf_[i] < 0 || pageOf_[i] == page_);
}

QAbstractButton* TranscriptionKeyboard::keyInserting(QChar character) const
{
    for (std::size_t i = 0; i < keys_.size(); ++i)
        if (!inserts_[i].isNull() && inserts_[i] == character)
            return keys_[i];
    return nullptr;
}

QAbstractButton* TranscriptionKeyboard::key(int id) const
{
    const QString name = QStringLiteral("key%1").arg(id);
    for (QAbstractButton* button : keys_)
        if (button->objectName() == name)
            return button;
    return nullptr;
}

QAbstractButton* TranscriptionKeyboard::keyCaptioned(const QString& caption) const
{
    for (QAbstractButton* button : keys_)
        if (button->text() == caption)
            return button;
    return nullptr;
}

void TranscriptionKeyboard::pressKey(const QString& caption)
{
    if (QAbstractButton* button = keyCaptioned(caption))
        button->click();
}

void TranscriptionKeyboard::insertCharacter(const QString& character)
{
    QString text = owner_.transcriptionText();
    const int at = std::clamp(owner_.caretCharIndex(), 0, static_cast<int>(text.size()));
    text.insert(at, character);
    if (!owner_.replaceTranscription(text))
        return;
    owner_.focusTranscription();
    owner_.advanceInsertionPoint();
}

void TranscriptionKeyboard::encloseInBrackets()
{
    if (!owner_.replaceTranscription(QLatin1Char('[') + owner_.transcriptionText() + QLatin1Char(']')))
        return;
    owner_.focusTranscription();
}

void TranscriptionKeyboard::closeKeyboard()
{
    close();
}

void TranscriptionKeyboard::mousePressEvent(QMouseEvent* event)
{
    // The background (not a key): drag the window as by its caption.
    if (event->button() != Qt::LeftButton)
        return;
    if (windowHandle() != nullptr && windowHandle()->startSystemMove())
        return;
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void TranscriptionKeyboard::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_)
        move(event->globalPosition().toPoint() - dragOffset_);
}

void TranscriptionKeyboard::mouseReleaseEvent(QMouseEvent*)
{
    dragging_ = false;
}

void TranscriptionKeyboard::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TranscriptionKeyboard::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // A window system that activates the keyboard all the same gets the
    // activation handed back to the owner, whose field goes on taking keys.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && parentWidget() != nullptr)
        parentWidget()->window()->activateWindow();
}

void TranscriptionKeyboard::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (!told_) {
        told_ = true;
        emit closed();
    }
}

} // namespace mox
