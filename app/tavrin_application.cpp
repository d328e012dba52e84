#include "tavrin_application.h"

#include "app_info.h"
#include "chalk_surface_accessible.h"
#include "stored.h"

#include <QMessageBox>

#include <cstdlib>
#include <exception>

TavrinApplication::TavrinApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    applyAttributes();
    // The application's name is the X11 window class, and the desktop file name the Wayland
    // app_id: both are the desktop entry's name.
    const QString appId = toQString(kAppId);
    setApplicationName(appId);
    setApplicationVersion(QStringLiteral("%1.%2").arg(kAppInfo.major).arg(kAppInfo.minor));
    setDesktopFileName(appId);
    QAccessible::installFactory(&ChalkSurfaceAccessible::create);
}

void TavrinApplication::applyAttributes()
{
    // Every pointer position the window system reports makes its own chalk segment: merged
    // moves would cut the corners off fast strokes.
    QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, false);
    QCoreApplication::setAttribute(Qt::AA_CompressTabletEvents, false);
    // The menu bar belongs to the board window on every desktop.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar, true);
}

bool TavrinApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        fatal(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        fatal(tr("An unknown error occurred."));
    }
    return false;
}

void TavrinApplication::fatal(const QString &error)
{
    // A second error while the first is being reported must not report again.
    if (m_failing)
        return;
    m_failing = true;
    QMessageBox::critical(nullptr, toQString(kAppInfo.title),
                          tr("Tavrin met an error it cannot recover from and will close.\n\n%1").arg(error));
    // Ends the process at once: after an error escaped a handler, the state of the windows is
    // not to be trusted, so no destructor of theirs should run.
    std::_Exit(kFatalStatus);
}
