#include "baseline_window.h"

#include <QApplication>

#include <cstring>

int main(int argc, char *argv[])
{
    // Every reported pointer position is drawn. The platform plugin may turn compression back
    // on while the application starts, so the attribute is set again afterwards.
    // --compress-moves leaves Qt's default (merged moves) in place: the harness uses it to
    // check that its burst does catch a program that merges.
    const bool compress = argc > 1 && std::strcmp(argv[1], "--compress-moves") == 0;
    QApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, compress);
    QApplication app(argc, argv);
    QApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, compress);

    BaselineWindow window;
    window.show();
    return app.exec();
}
