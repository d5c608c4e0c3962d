#include "editing/ExcludeWordDialog.h"

#include <fontconfig/fontconfig.h>

#include <QLabel>
#include <QPushButton>

#include "help/Help.h"
#include "learning/MainWindow.h"
#include "widgets/DialogUnits.h"

namespace mox {

namespace {

QString familyOf(FcPattern* font)
{
    FcChar8* family = nullptr;
    if (font == nullptr || FcPatternGetString(font, FC_FAMILY, 0, &family) != FcResultMatch)
        return {};
    return QString::fromUtf8(reinterpret_cast<const char*>(family));
}

// Whether the font has Russian letters and a bold weight.
bool boldWithCyrillic(FcPattern* font)
{
    FcLangSet* languages = nullptr;
    int weight = 0;
    return FcPatternGetLangSet(font, FC_LANG, 0, &languages) == FcResultMatch
           && FcLangSetHasLang(languages, reinterpret_cast<const FcChar8*>("ru")) == FcLangEqual
           && FcPatternGetInteger(font, FC_WEIGHT, 0, &weight) == FcResultMatch && weight >= FC_WEIGHT_BOLD;
}

} // namespace

const QString& ExcludeWordDialog::caption()
{
    static const QString text = QStringLiteral("Mox! <> Исключение лексики");
    return text;
}

const QString& ExcludeWordDialog::helpTopic()
{
    static const QString topic = QStringLiteral("::/html_files/exclude.html>main");
    return topic;
}

QString ExcludeWordDialog::questionFamily()
{
    if (!FcInit())
        return {};
    QString found;
    // The best serif match for Russian in bold; when the system's serif face
    // lacks Cyrillic or a bold weight, any bold face that has Cyrillic.
    FcPattern* pattern = FcPatternBuild(nullptr, FC_FAMILY, FcTypeString, "serif", FC_WEIGHT, FcTypeInteger,
                                        FC_WEIGHT_BOLD, FC_LANG, FcTypeString, "ru", nullptr);
    if (pattern != nullptr) {
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        if (match != nullptr && result == FcResultMatch && boldWithCyrillic(match))
            found = familyOf(match);
        if (match != nullptr)
            FcPatternDestroy(match);
        FcPatternDestroy(pattern);
    }
    if (!found.isEmpty())
        return found;
    FcPattern* wanted = FcPatternBuild(nullptr, FC_WEIGHT, FcTypeInteger, FC_WEIGHT_BOLD, FC_LANG, FcTypeString, "ru",
                                       nullptr);
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_LANG, FC_WEIGHT, nullptr);
    FcFontSet* fonts = (wanted && objects) ? FcFontList(nullptr, wanted, objects) : nullptr;
    if (fonts != nullptr) {
        for (int i = 0; i < fonts->nfont && found.isEmpty(); ++i)
            if (boldWithCyrillic(fonts->fonts[i]))
                found = familyOf(fonts->fonts[i]);
        FcFontSetDestroy(fonts);
    }
    if (objects != nullptr)
        FcObjectSetDestroy(objects);
    if (wanted != nullptr)
        FcPatternDestroy(wanted);
    return found;
}

ExcludeWordDialog::ExcludeWordDialog(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint)
{
    setWindowTitle(caption());

    questionFont_ = QFont(questionFamily());
    questionFont_.setStyleHint(QFont::Serif);
    questionFont_.setPixelSize(16);
    questionFont_.setWeight(QFont::Bold);
    questionFont_.setItalic(false);
    questionFont_.setUnderline(false);

    yes_ = new QPushButton(QStringLiteral("Да"), this);
    no_ = new QPushButton(QStringLiteral("Нет"), this);
    question_ = new QLabel(this);
    question_->setAlignment(Qt::AlignCenter);
    question_->setFont(questionFont_);
    question_->setText(QStringLiteral("Исключить слово?"));
    yes_->setDefault(true);
    connect(yes_, &QPushButton::clicked, this, [this] { done(1); });
    connect(no_, &QPushButton::clicked, this, [this] { done(2); });

    // The 250 x 99 template, over the learning window's word area.
    const DialogUnits du(font());
    setFixedSize(du.x(250), du.y(99));
    yes_->setGeometry(du.rect(74, 64, 45, 18));
    no_->setGeometry(du.rect(125, 64, 45, 18));
    question_->setGeometry(du.rect(6, 3, 237, 39));
    if (owner != nullptr)
        move(owner->mapToGlobal(QPoint(du.x(10), du.y(36))));
    // Without a frame of the window system's, the panel draws its own edge.
    setStyleSheet(QStringLiteral("mox--ExcludeWordDialog { border: 1px solid palette(dark); }"));
    installHelpKey(this, helpTopic());
    yes_->setFocus(Qt::OtherFocusReason);
}

ExcludeAnswer ExcludeWordDialog::ask()
{
    yes_->setFocus(Qt::OtherFocusReason);
    return exec() == 1 ? ExcludeAnswer::Yes : ExcludeAnswer::No;
}

} // namespace mox
