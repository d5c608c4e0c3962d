#pragma once
#include <QPixmap>
#include <QToolButton>

namespace mox {

// A button drawn from three pictures of its own: up, down and disabled. The
// pictures are painted by the program at construction (a raised face with a
// symbol, the same face sunk, the symbol greyed).
class BitmapButton final : public QToolButton {
    Q_OBJECT
public:
    BitmapButton(const QString& caption, const QString& symbol, QSize size, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap picture(const QString& symbol, QSize size, bool down, bool enabled) const;

    QPixmap up_, down_, disabled_;
};

} // namespace mox
