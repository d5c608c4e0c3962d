#include "language/TranscriptionKeyboard.h"

#include <algorithm>

#include <QAbstractButton>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <QtWidgets/qdrawutil.h>

#include "widgets/DialogUnits.h"

namespace mox {

namespace {

// The window's size in dialog units and where it goes beside its owner.
constexpr int kWidthUnits = 92;
constexpr int kHeightUnits = 63;
constexpr int kWidthPixels = 213;
constexpr QPoint kOffsetFromOwner(247, 73);

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
    : QWidget(ownerWindow, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                               | Qt::WindowCloseButtonHint | Qt::WindowDoesNotAcceptFocus),
      owner_(owner)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QString());

    QFont keyFont(QString::fromLatin1(kFontFamily));
    keyFont.setPointSize(12);
    setFont(keyFont);

    // The template's proportions, stretched to the window's width of 213
    // pixels; the height follows the font like a dialog's.
    const DialogUnits units(keyFont);
    auto px = [](int x) { return (x * kWidthPixels + kWidthUnits / 2) / kWidthUnits; };
    constexpr int kTop = 3, kPitchY = 12, kKeyHeight = 11, kLeft = 2;
    int rowIndex = 0;
    for (const auto& row : rows()) {
        int x = kLeft;
        for (const Key& key : row) {
            const QString caption = QString::fromLatin1(key.caption);
            const bool bracketKey = caption == QLatin1String(kBracketCaption);
            const int width = bracketKey ? 18 : rowIndex < 4 ? 8 : 6;
            auto* button = new KeyButton(caption, this);
            button->setObjectName(QStringLiteral("key%1").arg(key.id));
            const int top = units.y(kTop + kPitchY * rowIndex);
            button->setGeometry(px(x), top, px(x + width) - px(x), units.y(kTop + kPitchY * rowIndex + kKeyHeight) - top);
            if (bracketKey)
                connect(button, &QAbstractButton::clicked, this, &TranscriptionKeyboard::encloseInBrackets);
            else
                connect(button, &QAbstractButton::clicked, this, [this, caption] { insertCharacter(caption); });
            keys_.push_back(button);
            x += width;
        }
        ++rowIndex;
    }
    setFixedSize(kWidthPixels, std::max(units.y(kHeightUnits), units.y(kTop + kPitchY * 5)));
    if (ownerWindow != nullptr)
        move(ownerWindow->frameGeometry().topLeft() + kOffsetFromOwner);
}

TranscriptionKeyboard::~TranscriptionKeyboard() = default;

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
