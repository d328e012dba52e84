#include "program.h"
#include "tavrin_application.h"
#include "tavrin_icons.h"

int main(int argc, char *argv[])
{
    TavrinApplication::applyAttributes();
    TavrinApplication app(argc, argv);
    // Every window carries the tree unless it has an icon of its own.
    app.setWindowIcon(resources::applicationIcon());
    Program program;
    program.start();
    return app.exec();
}
