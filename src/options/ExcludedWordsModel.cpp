#include "options/ExcludedWordsModel.h"

#include <QStringDecoder>

#include "language/CharsetCodec.h"
#include "widgets/ListOrder.h"

namespace mox {

int ExcludedWordsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant ExcludedWordsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return textAt(index.row());
    return {};
}

void ExcludedWordsModel::setWords(std::vector<std::string> words, const CharsetCodec& codec)
{
    // The words are decoded in one go: one converter for the whole list
    // instead of one per word. A zero byte separates them (no word holds one,
    // and no code page uses it inside a character).
    std::string joined;
    std::size_t total = 0;
    for (const std::string& w : words)
        total += w.size() + 1;
    joined.reserve(total);
    for (const std::string& w : words) {
        joined += w;
        joined += '\0';
    }
    const QByteArrayView bytes(joined.data(), static_cast<qsizetype>(joined.size()));
    QString decoded;
    if (codec.charSet() == charset::Symbol) {
        decoded = QString::fromLatin1(bytes);
    } else {
        QStringDecoder decoder(codec.codePageName(), QStringConverter::Flag::Stateless);
        decoded = decoder.decode(bytes);
    }
    const QList<QStringView> texts = QStringView(decoded).split(QChar(u'\0'));
    // A damaged word (a lead byte at its end) could take the separator with
    // it; then each word is decoded on its own.
    const bool aligned = texts.size() == static_cast<qsizetype>(words.size()) + 1;

    QList<QString> shown;
    shown.reserve(static_cast<qsizetype>(words.size()));
    for (std::size_t i = 0; i < words.size(); ++i)
        shown.append(aligned ? texts[static_cast<qsizetype>(i)].toString() : codec.decode(words[i]));

    std::vector<Row> rows;
    rows.reserve(words.size());
    for (const std::size_t i : listBoxOrder(shown))
        rows.push_back({std::move(words[i]), shown[static_cast<qsizetype>(i)]});

    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void ExcludedWordsModel::clear()
{
    beginResetModel();
    rows_.clear();
    endResetModel();
}

} // namespace mox
