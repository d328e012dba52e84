#include "program.h"
#include "tavrin_application.h"

int main(int argc, char *argv[])
{
    TavrinApplication::applyAttributes();
    TavrinApplication app(argc, argv);
    Program program;
    program.start();
    return app.exec();
}
