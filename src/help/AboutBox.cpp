#include "help/AboutBox.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include "help/LinkLabel.h"
#include "help/LinkOpener.h"
#include "help/ProgramIcon.h"
#include "Version.h"

namespace mox {

namespace {

// Converts the window's layout units into pixels of its font: a horizontal
// unit is a quarter of the average letter width, a vertical unit an eighth of
// the letter height, so the window keeps its proportions with any font.
class LayoutUnits {
public:
    explicit LayoutUnits(const QFont& font)
    {
        const QFontMetrics fm(font);
        const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        baseX_ = (fm.horizontalAdvance(letters) / 26 + 1) / 2;
        baseY_ = fm.height();
    }
    QRect rect(int x, int y, int w, int h) const
    {
        return QRect(x * baseX_ / 4, y * baseY_ / 8, w * baseX_ / 4, h * baseY_ / 8);
    }

private:
    int baseX_ = 6;
    int baseY_ = 13;
};

QLabel* makeLabel(const QString& text, const QRect& where, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(where);
    return label;
}

} // namespace

AboutBox::AboutBox(MessagePort& messages, QWidget* parent) : AboutBox(messages, desktopLinkOpener(), parent) {}

AboutBox::AboutBox(MessagePort& messages, LinkOpener& opener, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint)
{
    setWindowTitle(QString::fromUtf8(kTitle));
    setWindowIcon(programIcon());
    setModal(true);

    const LayoutUnits du(font());
    setFixedSize(du.rect(0, 0, 238, 91).size());

    auto* outer = new QGroupBox(this);
    outer->setGeometry(du.rect(3, 0, 231, 87));

    auto* picture = new QLabel(this);
    picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picture->setLineWidth(1);
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(aboutPicture());
    picture->setGeometry(du.rect(6, 9, 79, 64));

    auto* inner = new QGroupBox(this);
    inner->setGeometry(du.rect(88, 6, 141, 57));

    QLabel* name = makeLabel(QStringLiteral("Mox! версия " MOX_VERSION), du.rect(93, 14, 131, 10), this);
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    makeLabel(QStringLiteral("Тренажёр иностранных слов"), du.rect(93, 29, 131, 8), this);

    QLabel* mailCaption = makeLabel(QStringLiteral("E-mail: "), du.rect(93, 40, 24, 8), this);
    QLabel* webCaption = makeLabel(QStringLiteral("Web:"), du.rect(93, 51, 18, 8), this);
    // The links start after the wider caption, however wide the font draws it.
    const QFontMetrics fm(font());
    const int captionWidth =
        qMax(fm.horizontalAdvance(mailCaption->text()), fm.horizontalAdvance(webCaption->text() + QLatin1Char(' ')));
    mailCaption->setFixedWidth(captionWidth);
    webCaption->setFixedWidth(captionWidth);
    const int linkX = qMax(du.rect(117, 0, 0, 0).x(), mailCaption->x() + captionWidth);

    mail_ = new LinkLabel(QString::fromUtf8(kMailAddress), opener, messages, this);
    mail_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    mail_->setGeometry(du.rect(117, 40, 48, 8).translated(linkX - du.rect(117, 0, 0, 0).x(), 0));

    web_ = new LinkLabel(QString::fromUtf8(kWebText), opener, messages, this);
    web_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    web_->setGeometry(du.rect(117, 51, 82, 8).translated(linkX - du.rect(117, 0, 0, 0).x(), 0));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(du.rect(138, 69, 27, 14));
    ok->setDefault(true);
    ok->setFocus();
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    mail_->attach();
    web_->attach();
    mail_->setTarget(QString::fromUtf8(kMailTarget));
    mail_->setUnderlineMode(LinkLabel::UnderlineAlways);
    web_->setTarget(QString::fromUtf8(kWebTarget));
    web_->setUnderlineMode(LinkLabel::UnderlineAlways);
}

// Centres the window on the screen it appears on.
void AboutBox::showEvent(QShowEvent* event)
{
    QScreen* s = parentWidget() ? parentWidget()->screen() : screen();
    if (s) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}

} // namespace mox
