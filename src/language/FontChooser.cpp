#include "language/FontChooser.h"

#include <algorithm>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "language/CharsetCodec.h"

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

FontChooser::FontChooser(const FontRequest& request, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Шрифт"));
    setModal(true);

    face_ = new QFontComboBox(this);
    face_->setObjectName(QStringLiteral("face"));
    face_->setEditable(false);
    face_->setFontFilters(request.scalableOnly ? QFontComboBox::ScalableFonts
                                               : QFontComboBox::AllFonts);
    face_->setCurrentFont(QFont(request.face));

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

    size_ = new QSpinBox(this);
    size_->setObjectName(QStringLiteral("size"));
    const int lo = std::min(request.minPoints, request.maxPoints);
    const int hi = std::max(request.minPoints, request.maxPoints);
    size_->setRange(lo, hi);
    size_->setValue(std::clamp(request.initialPoints, lo, hi));

    sample_ = new QLabel(QStringLiteral("AaBbYyZz АаБбЯя"), this);
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

    connect(face_, &QFontComboBox::currentFontChanged, this, [this] { updateSample(); });
    connect(size_, &QSpinBox::valueChanged, this, [this] { updateSample(); });
    connect(charSet_, &QComboBox::currentIndexChanged, this, [this] { updateSample(); });
    updateSample();
}

FontChoice FontChooser::choice() const
{
    FontChoice c;
    c.face = face_->currentFont().family();
    c.charSet = static_cast<std::uint8_t>(charSet_->currentData().toInt());
    c.pointSizeTenths = size_->value() * 10;
    return c;
}

void FontChooser::updateSample()
{
    QFont f = face_->currentFont();
    f.setPointSize(size_->value());
    sample_->setFont(f);
    // A symbol font (the transcription font) is shown with a transcription
    // typed on its keys; any other with letters of the common alphabets.
    const bool symbol = charSet_->currentData().toInt() == charset::Symbol;
    sample_->setText(symbol ? QStringLiteral("[fE'netIk 'sImbElz]") : QStringLiteral("AaBbYyZz АаБбЯя"));
}

std::optional<FontChoice> chooseFont(const FontRequest& request, QWidget* parent)
{
    FontChooser dialog(request, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

} // namespace mox
