#include "language/FontChooser.h"

#include <algorithm>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>

#include "language/CharsetCodec.h"

#include <fontconfig/fontconfig.h>

namespace mox {

const CharSetName kCharSetNames[] = {
    {charset::Ansi, "Западный"},
    {charset::Russian, "Кириллица"},
    {charset::EastEurope, "Центральноевропейский"},
    {charset::Greek, "Греческий"},
    {charset::Turkish, "Турецкий"},
    {charset::Baltic, "Балтийский"},
    {charset::Hebrew, "Иврит"},
    {charset::Arabic, "Арабский"},
    {charset::Vietnamese, "Вьетнамский"},
    {charset::Thai, "Тайский"},
    {charset::ShiftJis, "Японский"},
    {charset::Hangul, "Корейский"},
    {charset::Gb2312, "Китайский (упрощённый)"},
    {charset::ChineseBig5, "Китайский (традиционный)"},
    {charset::Symbol, "Символьный"},
    {charset::Oem, "OEM (DOS)"},
};
const int kCharSetNameCount = static_cast<int>(std::size(kCharSetNames));

namespace {

// The family names of the fonts fontconfig knows (the system's and those the
// program added) whose file is TrueType or OpenType (TrueType or CFF outlines):
// each bare ("Nimbus Sans") and with its foundry as Qt shows it when several
// foundries make a family ("Nimbus Sans [UKWN]").
QSet<QString> trueTypeFamilies()
{
    QSet<QString> families;
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FOUNDRY, FC_FONTFORMAT, nullptr);
    FcFontSet* fonts = (pattern && objects) ? FcFontList(nullptr, pattern, objects) : nullptr;
    if (fonts) {
        for (int i = 0; i < fonts->nfont; ++i) {
            FcChar8* format = nullptr;
            if (FcPatternGetString(fonts->fonts[i], FC_FONTFORMAT, 0, &format) != FcResultMatch)
                continue;
            const QByteArray f(reinterpret_cast<const char*>(format));
            if (f != "TrueType" && f != "CFF")
                continue;
            FcChar8* foundry = nullptr;
            const bool hasFoundry = FcPatternGetString(fonts->fonts[i], FC_FOUNDRY, 0, &foundry) == FcResultMatch;
            FcChar8* family = nullptr;
            for (int n = 0; FcPatternGetString(fonts->fonts[i], FC_FAMILY, n, &family) == FcResultMatch; ++n) {
                const QString name = QString::fromUtf8(reinterpret_cast<const char*>(family));
                families.insert(name);
                if (hasFoundry)
                    families.insert(name + QStringLiteral(" [") +
                                    QString::fromUtf8(reinterpret_cast<const char*>(foundry)) + u']');
            }
        }
        FcFontSetDestroy(fonts);
    }
    if (objects)
        FcObjectSetDestroy(objects);
    if (pattern)
        FcPatternDestroy(pattern);
    return families;
}

} // namespace

QStringList fontFamilies(bool trueTypeOnly)
{
    QStringList all = QFontDatabase::families();
    if (!trueTypeOnly)
        return all;
    const QSet<QString> trueType = trueTypeFamilies();
    QStringList out;
    for (const QString& family : all)
        if (trueType.contains(family))
            out << family;
    // Without fontconfig's answer, fall back to Qt's notion of scalable fonts.
    if (trueType.isEmpty()) {
        for (const QString& family : all)
            if (QFontDatabase::isSmoothlyScalable(family))
                out << family;
    }
    return out;
}

FontChooser::FontChooser(const FontRequest& request, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Mox! <> Шрифт"));
    setObjectName(QStringLiteral("fontChooser"));
    setModal(true);

    face_ = new QComboBox(this);
    face_->setObjectName(QStringLiteral("face"));
    face_->addItems(fontFamilies(request.trueTypeOnly));
    face_->setMaxVisibleItems(16);
    // The current face, or the family it resolves to when it is not offered.
    int faceIndex = face_->findText(request.face, Qt::MatchFixedString);
    if (faceIndex < 0)
        faceIndex = face_->findText(QFontInfo(QFont(request.face)).family(), Qt::MatchFixedString);
    face_->setCurrentIndex(std::max(faceIndex, 0));

    charSet_ = new QComboBox(this);
    charSet_->setObjectName(QStringLiteral("charSet"));
    for (const CharSetName& cs : kCharSetNames)
        charSet_->addItem(QString::fromUtf8(cs.name), QVariant(static_cast<int>(cs.code)));
    int index = charSet_->findData(QVariant(static_cast<int>(request.charSet)));
    if (index < 0) {
        // A set the list does not name is kept, so that confirming keeps it.
        charSet_->addItem(QStringLiteral("Набор %1").arg(request.charSet),
                          QVariant(static_cast<int>(request.charSet)));
        index = charSet_->count() - 1;
    }
    charSet_->setCurrentIndex(index);

    size_ = new QComboBox(this);
    size_->setObjectName(QStringLiteral("size"));
    const QList<int> sizes = offeredSizes(request);
    for (int points : sizes)
        size_->addItem(QString::number(points), QVariant(points));
    const int initial = size_->findData(QVariant(request.initialPoints));
    size_->setCurrentIndex(initial >= 0 ? initial : 0);

    sample_ = new QLabel(this);
    sample_->setObjectName(QStringLiteral("sample"));
    sample_->setAlignment(Qt::AlignCenter);
    sample_->setFrameShape(QFrame::StyledPanel);
    sample_->setMinimumSize(240, 60);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("ОК"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Шрифт:"), face_);
    form->addRow(QStringLiteral("Набор символов:"), charSet_);
    form->addRow(QStringLiteral("Размер:"), size_);
    form->addRow(QStringLiteral("Образец:"), sample_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(face_, &QComboBox::currentIndexChanged, this, [this] { updateSample(); });
    connect(size_, &QComboBox::currentIndexChanged, this, [this] { updateSample(); });
    connect(charSet_, &QComboBox::currentIndexChanged, this, [this] { updateSample(); });
    updateSample();
}

FontChoice FontChooser::choice() const
{
    FontChoice c;
    c.face = face_->currentText();
    c.charSet = static_cast<std::uint8_t>(charSet_->currentData().toInt());
    c.pointSizeTenths = size_->currentData().toInt() * 10;
    return c;
}

void FontChooser::updateSample()
{
    QFont f(face_->currentText());
    f.setPointSize(std::max(1, size_->currentData().toInt()));
    sample_->setFont(f);
    sample_->setText(sampleText(static_cast<std::uint8_t>(charSet_->currentData().toInt())));
}

QList<int> offeredSizes(const FontRequest& request)
{
    // A size no font dialog offers (a damaged setting) is not kept.
    constexpr int kSmallest = 6, kLargest = 72;
    const int lo = std::min(request.minPoints, request.maxPoints);
    const int hi = std::max(request.minPoints, request.maxPoints);
    QList<int> sizes;
    for (int points = lo; points <= hi; ++points)
        sizes << points;
    if (!sizes.contains(request.initialPoints) && request.initialPoints >= kSmallest
        && request.initialPoints <= kLargest) {
        sizes << request.initialPoints;
        std::sort(sizes.begin(), sizes.end());
    }
    return sizes;
}

QString sampleText(std::uint8_t charSet)
{
    switch (charSet) {
    case charset::Symbol: return QStringLiteral("[fE'netIk 'sImbElz]");
    case charset::Ansi:
    case charset::Mac: return QStringLiteral("AaBbYyZz ÀàÉéÑñÖöß");
    case charset::EastEurope: return QStringLiteral("AaBbYyZz ĄąČčŁłŐő");
    case charset::Greek: return QStringLiteral("AaBbYyZz ΑαΒβΓγΩω");
    case charset::Turkish: return QStringLiteral("AaBbYyZz ĞğŞşİı");
    case charset::Baltic: return QStringLiteral("AaBbYyZz ĀāĒēŠšŪū");
    case charset::Hebrew: return QStringLiteral("AaBbYyZz אבגדה");
    case charset::Arabic: return QStringLiteral("AaBbYyZz أبجد هوز");
    case charset::Vietnamese: return QStringLiteral("AaBbYyZz ƠơƯưĐđ");
    case charset::Thai: return QStringLiteral("AaBbYyZz กขคงจ");
    case charset::ShiftJis: return QStringLiteral("AaBbYyZz あいう アイウ 日本語");
    case charset::Hangul: return QStringLiteral("AaBbYyZz 가나다 한국어");
    case charset::Gb2312: return QStringLiteral("AaBbYyZz 中文 汉字");
    case charset::ChineseBig5: return QStringLiteral("AaBbYyZz 中文 漢字");
    case charset::Russian:
    case charset::Default:
    case charset::Oem:
    default: return QStringLiteral("AaBbYyZz АаБбЖжЯя");  // read in cp1251, as an unknown set is
    }
}

std::optional<FontChoice> chooseFont(const FontRequest& request, QWidget* parent)
{
    FontChooser dialog(request, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

} // namespace mox
