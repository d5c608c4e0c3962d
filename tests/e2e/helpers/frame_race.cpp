// Shows and hides a small window again and again, each hide a few
// milliseconds after the window's paint, the moment at which Qt's Wayland
// plugin may still be handling the paint's frame callback on its frame
// thread. With the frame-delay library preloaded that moment is widened, and
// a plain hide there aborts the process now and then; the program's hide
// (FrameSafeHide) must never.
//
// Usage: frame_race safe|plain [CYCLES]   (exit status 0 after all cycles)
#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <unistd.h>

#include "platform/qt/FrameSafeHide.h"

namespace {

class RaceWindow final : public QWidget {
public:
    RaceWindow(bool safe, int cycles) : safe_(safe), cycles_(cycles), hider_(*this)
    {
        setWindowTitle(QStringLiteral("frame race"));
        auto* layout = new QVBoxLayout(this);
        field_ = new QLineEdit(this);
        layout->addWidget(field_);
        resize(320, 120);
    }

    void next()
    {
        if (done_ == cycles_) {
            std::printf("cycles %d\n", done_);
            std::fflush(nullptr);
            ::_exit(0);
        }
        armed_ = true;
        field_->setText(QString::number(done_));
        show();
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QWidget::paintEvent(event);
        if (!armed_)
            return;
        armed_ = false;
        // The paint is committed with its frame callback right after this.
        const int ms = std::uniform_int_distribution<int>(0, 9)(random_);
        QTimer::singleShot(ms, Qt::PreciseTimer, this, [this] {
            if (safe_)
                hider_.hide();
            else
                hide();
        });
    }

    void hideEvent(QHideEvent* event) override
    {
        QWidget::hideEvent(event);
        ++done_;
        QTimer::singleShot(5, this, [this] { next(); });
    }

private:
    bool safe_;
    int cycles_;
    int done_ = 0;
    bool armed_ = false;
    QLineEdit* field_ = nullptr;
    mox::FrameSafeHide hider_;
    std::mt19937 random_{std::random_device{}()};
};

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc < 2 || (std::strcmp(argv[1], "safe") != 0 && std::strcmp(argv[1], "plain") != 0)) {
        std::fprintf(stderr, "usage: frame_race safe|plain [CYCLES]\n");
        return 2;
    }
    const int cycles = argc > 2 ? std::atoi(argv[2]) : 100;
    RaceWindow window(std::strcmp(argv[1], "safe") == 0, cycles);
    window.next();
    return application.exec();
}
