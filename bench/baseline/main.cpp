#include "baseline_window.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Every reported pointer position is drawn. The platform plugin may turn compression back
    // on while the application starts, so the attribute is set again afterwards.
    QApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, false);
    QApplication app(argc, argv);
    QApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, false);

    BaselineWindow window;
    window.show();
    return app.exec();
}
