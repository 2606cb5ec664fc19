// The baseline of LaunchBench: a process that shows an empty QWidget window and, at its
// first paint, prints "first-paint" and quits.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

class EmptyWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override
    {
        if (painted_)
            return;
        painted_ = true;
        std::fputs("first-paint\n", stdout);
        std::fflush(stdout);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }

private:
    bool painted_ = false;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    EmptyWindow window;
    window.resize(980, 640);
    window.show();
    return app.exec();
}
