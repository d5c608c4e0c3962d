#include "options/PgFont.h"

#include <algorithm>
#include <cstdlib>

#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "language/Font.h"
#include "language/FontInstall.h"
#include "language/LanguageTable.h"
#include "settings/Settings.h"

namespace mox {
namespace {

// Previews are drawn two points larger than the font they show. A size of 0
// (a setting never made) would give a preview of -2, so the dialogs' default
// size stands in for it; a positive size (a damaged setting) counts as its
// negative, as confirmation will store it.
int previewHeight(std::int16_t size, int defaultPoints)
{
    const int height = size == 0 ? -defaultPoints : -std::abs(static_cast<int>(size));
    return height - 2;
}

QComboBox* languageList(QWidget* parent, const char* name)
{
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    // The items in table order; the list does not sort.
    for (const LanguageRow& row : LanguageTable)
        list->addItem(QString::fromUtf8(row.listText.data(), static_cast<qsizetype>(row.listText.size())));
    list->setMaxVisibleItems(14);
    return list;
}

QPushButton* fontButton(QWidget* parent, const char* name)
{
    auto* button = new QPushButton(QStringLiteral("Выбор шрифта"), parent);
    button->setObjectName(QLatin1String(name));
    button->setMinimumWidth(200);
    button->setMinimumHeight(34);
    return button;
}

QGroupBox* group(QWidget* parent, const QString& caption, QComboBox* list, QPushButton* font,
                 QPushButton* extra = nullptr)
{
    auto* box = new QGroupBox(caption, parent);
    auto* grid = new QGridLayout(box);
    int row = 0;
    if (list) {
        grid->addWidget(new QLabel(QStringLiteral("Язык"), box), row, 0);
        grid->addWidget(list, row, 1);
        ++row;
    }
    grid->addWidget(new QLabel(QStringLiteral("Шрифт"), box), row, 0);
    grid->addWidget(font, row, 1);
    if (extra)
        grid->addWidget(extra, row, 2);
    grid->setColumnStretch(1, 1);
    return box;
}

} // namespace

CPgFont::Values CPgFont::valuesOf(const Settings& settings)
{
    return Values{settings.sForeignFontFace(), settings.sNativeFontFace(), settings.sTransFontFace(),
                  settings.iForeignCharSet(),  settings.iNativeCharSet(),  settings.iTransCharSet(),
                  settings.uiForeignLayout(),  settings.uiNativeLayout(),  settings.uiTransLayout(),
                  settings.wordFontSize(),     settings.transFontSize()};
}

CPgFont::CPgFont(Settings& settings, QWidget* parent)
    : OptionsPage(parent),
      settings_(settings),
      stored_(valuesOf(settings)),
      foreignFace_(settings.sForeignFontFace()),
      nativeFace_(settings.sNativeFontFace()),
      transFace_(settings.sTransFontFace()),
      foreignCharSet_(settings.iForeignCharSet()),
      nativeCharSet_(settings.iNativeCharSet()),
      transCharSet_(settings.iTransCharSet()),
      foreignLayout_(settings.uiForeignLayout()),
      nativeLayout_(settings.uiNativeLayout()),
      transLayout_(settings.uiTransLayout()),
      wordFontSize_(settings.wordFontSize()),
      transFontSize_(settings.transFontSize())
{
    setWindowTitle(QString::fromUtf8(kTabCaption));

    foreignList_ = languageList(this, "foreignLanguage");
    nativeList_ = languageList(this, "nativeLanguage");
    foreignFont_ = fontButton(this, "foreignFont");
    nativeFont_ = fontButton(this, "nativeFont");
    transFont_ = fontButton(this, "transFont");
    install_ = new QPushButton(QStringLiteral("Установить"), this);
    install_->setObjectName(QStringLiteral("installFont"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group(this, QStringLiteral("ИЗУЧАЕМЫЙ ЯЗЫК"), foreignList_, foreignFont_));
    layout->addWidget(group(this, QStringLiteral("ЯЗЫК ПЕРЕВОДА"), nativeList_, nativeFont_));
    layout->addWidget(group(this, QStringLiteral("ТРАНСКРИПЦИЯ"), nullptr, transFont_, install_));
    layout->addStretch(1);

    connect(foreignList_, &QComboBox::activated, this,
            [this](int index) { languageChosen(foreignLayout_, index); });
    connect(nativeList_, &QComboBox::activated, this,
            [this](int index) { languageChosen(nativeLayout_, index); });
    connect(foreignFont_, &QPushButton::clicked, this, [this] { chooseFontFor(Which::Foreign); });
    connect(nativeFont_, &QPushButton::clicked, this, [this] { chooseFontFor(Which::Native); });
    connect(transFont_, &QPushButton::clicked, this, [this] { chooseFontFor(Which::Trans); });
    connect(install_, &QPushButton::clicked, this, [this] { installFontFile(); });

    fontPicker_ = [this](const FontRequest& request) { return chooseFont(request, this); };
    filePicker_ = [this] { return pickFontFile(); };
    connect(this, &CPgFont::changed, this, [this] { setModified(true); });
}

void CPgFont::showEvent(QShowEvent* event)
{
    OptionsPage::showEvent(event);
    showValues();
}

void CPgFont::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    showValues();
}

void CPgFont::setPreview(QPushButton* button, QFont& preview, int height, std::uint8_t charSet,
                         const std::string& previewFace, const std::string& caption)
{
    makeFont(preview, height, kFontWeightNormal, charSet, previewFace);
    button->setFont(preview);
    button->setText(QString::fromStdString(caption));
}

void CPgFont::showValues()
{
    setPreview(foreignFont_, preview1_, previewHeight(wordFontSize_, kWordFontPoints), 0, foreignFace_,
               foreignFace_);
    setPreview(nativeFont_, preview2_, previewHeight(wordFontSize_, kWordFontPoints), 0, nativeFace_,
               nativeFace_);
    // The transcription face's name is written in the studied-language face:
    // the transcription font draws phonetic symbols in place of letters.
    setPreview(transFont_, preview3_, previewHeight(transFontSize_, kTransMinPoints), 0, foreignFace_,
               transFace_);
    selectLanguage(foreignList_, foreignLayout_);
    selectLanguage(nativeList_, nativeLayout_);
}

void CPgFont::selectLanguage(QComboBox* list, std::uint32_t id)
{
    const std::string name = languageName(id);
    // An identifier outside the table selects nothing rather than the first
    // entry (every text begins with the empty name).
    int found = -1;
    if (!name.empty()) {
        const QString prefix = QString::fromStdString(name);
        for (int i = 0; i < list->count(); ++i) {
            if (list->itemText(i).startsWith(prefix, Qt::CaseInsensitive)) {
                found = i;
                break;
            }
        }
    }
    list->setCurrentIndex(found);
}

void CPgFont::languageChosen(std::uint32_t& layout, int index)
{
    if (languageIdAt(index, layout))
        emit changed();
}

void CPgFont::chooseFontFor(Which which)
{
    FontRequest request;
    switch (which) {
    case Which::Foreign:
        request.face = QString::fromStdString(foreignFace_);
        request.charSet = foreignCharSet_;
        break;
    case Which::Native:
        request.face = QString::fromStdString(nativeFace_);
        request.charSet = nativeCharSet_;
        break;
    case Which::Trans:
        request.face = QString::fromStdString(transFace_);
        request.charSet = transCharSet_;
        break;
    }
    if (which == Which::Trans) {
        request.minPoints = kTransMinPoints;
        request.maxPoints = kTransMaxPoints;
        request.initialPoints = std::abs(static_cast<int>(transFontSize_));
        request.trueTypeOnly = true;
    } else {
        // The dialog allows its one size, and keeps the size the fonts have.
        request.minPoints = request.maxPoints = kWordFontPoints;
        request.initialPoints = wordFontSize_ == 0 ? kWordFontPoints : std::abs(static_cast<int>(wordFontSize_));
    }

    const std::optional<FontChoice> choice = fontPicker_(request);
    if (!choice)
        return;  // cancelled: nothing changes

    const std::string face = choice->face.toStdString();
    // Tenths of a point to whole points, truncated toward zero.
    const int points = choice->pointSizeTenths / 10;
    const auto height = static_cast<std::int16_t>(-std::clamp(points, 0, 32767));
    switch (which) {
    case Which::Foreign:
        foreignCharSet_ = choice->charSet;
        foreignFace_ = face;
        wordFontSize_ = height;
        break;
    case Which::Native:
        nativeCharSet_ = choice->charSet;
        nativeFace_ = face;
        wordFontSize_ = height;
        break;
    case Which::Trans:
        transCharSet_ = choice->charSet;
        transFace_ = face;
        transFontSize_ = height;
        break;
    }
    // Every button at once: the two word fonts share their size, and the
    // transcription button is written in the studied face.
    showValues();
    emit changed();
}

bool CPgFont::confirm()
{
    apply();
    setModified(false);
    return true;
}

CPgFont::Values CPgFont::current() const
{
    // Always negative or 0 (the magnitude of -32768 does not fit back).
    auto negative = [](std::int16_t v) {
        return static_cast<std::int16_t>(-std::min(std::abs(static_cast<int>(v)), 32767));
    };
    return Values{foreignFace_,   nativeFace_,   transFace_,   foreignCharSet_,         nativeCharSet_,
                  transCharSet_,  foreignLayout_, nativeLayout_, transLayout_, negative(wordFontSize_),
                  negative(transFontSize_)};
}

void CPgFont::apply()
{
    const Values now = current();
    auto store = [this](const auto& value, const auto& before, auto setter) {
        if (value != before)
            (settings_.*setter)(value);
    };
    store(now.foreignFace, stored_.foreignFace, &Settings::setSForeignFontFace);
    store(now.nativeFace, stored_.nativeFace, &Settings::setSNativeFontFace);
    store(now.transFace, stored_.transFace, &Settings::setSTransFontFace);
    store(now.foreignCharSet, stored_.foreignCharSet, &Settings::setIForeignCharSet);
    store(now.nativeCharSet, stored_.nativeCharSet, &Settings::setINativeCharSet);
    store(now.transCharSet, stored_.transCharSet, &Settings::setITransCharSet);
    store(now.foreignLayout, stored_.foreignLayout, &Settings::setUiForeignLayout);
    store(now.nativeLayout, stored_.nativeLayout, &Settings::setUiNativeLayout);
    store(now.transLayout, stored_.transLayout, &Settings::setUiTransLayout);
    store(now.wordFontSize, stored_.wordFontSize, &Settings::setWordFontSize);
    store(now.transFontSize, stored_.transFontSize, &Settings::setTransFontSize);
    stored_ = now;
}

QString CPgFont::pickFontFile()
{
    QFileDialog dialog(this, QStringLiteral("Mox! <> Открыть"));
    dialog.setObjectName(QStringLiteral("fontFileDialog"));
    // Qt's own chooser, in the program's language whatever the desktop's.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(QString::fromUtf8(kFontFileFilter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void CPgFont::installFontFile()
{
    const QString path = filePicker_();
    if (path.isEmpty())
        return;  // cancelled
    const FontInstallResult result = installUserFont(path, settings_.messages());
    if (result.fontId >= 0)
        emit fontInstalled(result.fontId);
}

} // namespace mox
