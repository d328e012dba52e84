#include "app_info.h"
#include "program.h"
#include "tavrin_application.h"
#include "tavrin_icons.h"

#include <cstdlib>

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
    const int status = app.exec();
    // Qt 6.4's Wayland plugin can hang while it closes its connection (its event thread waits in
    // wl_display_read_events for a read the main thread prepared and never made). Nothing is left
    // to save, so on Wayland the process ends here, before that teardown.
    if (QGuiApplication::platformName() == QLatin1String("wayland"))
        std::_Exit(status);
    return status;
}
