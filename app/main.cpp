#include "app_info.h"
#include "program.h"
#include "tavrin_application.h"
#include "tavrin_icons.h"

int main(int, char *argv[])
{
    // The program reads no command line: Qt's own options (-style, -reverse, -stylesheet...)
    // must not change the board's stored look, so the application sees its name alone.
    static int argc = 1;
    static char *programOnly[] = {argv[0], nullptr};
    TavrinApplication::applyAttributes();
    TavrinApplication app(argc, programOnly);
    // Every window carries the tree unless it has an icon of its own.
    app.setWindowIcon(resources::applicationIcon());
    Program program(platform::makePlatform(std::string(kAppInfo.title)));
    program.start();
    return app.exec();
}
