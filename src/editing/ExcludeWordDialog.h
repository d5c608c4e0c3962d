#pragma once
#include <QDialog>
#include <QFont>
#include <QString>

class QLabel;
class QPushButton;

namespace mox {

enum class ExcludeAnswer;

// The panel that asks whether the word now shown in the learning window
// shall leave learning: "Исключить слово?" with "Да" (the default, with the
// focus) and "Нет"; Esc refuses. It lies without a frame over the learning
// window's word area; its title "Mox! <> Исключение лексики" is not seen but
// lets the program find it. It reads and writes nothing.
class ExcludeWordDialog final : public QDialog {
    Q_OBJECT
public:
    static const QString& caption();    // "Mox! <> Исключение лексики"
    static const QString& helpTopic();  // "::/html_files/exclude.html>main"

    // The question's face: a bold serif face that has Cyrillic, as
    // fontconfig finds it; the empty text when it finds none.
    static QString questionFamily();

    explicit ExcludeWordDialog(QWidget* owner = nullptr);

    // Runs the panel modally: Yes for "Да", No for "Нет", Esc or a close.
    ExcludeAnswer ask();

    QLabel* question() const { return question_; }
    QPushButton* yesButton() const { return yes_; }
    QPushButton* noButton() const { return no_; }

private:
    QFont questionFont_;
    QLabel* question_ = nullptr;
    QPushButton* yes_ = nullptr;
    QPushButton* no_ = nullptr;
};

} // namespace mox
