#include "frm_divivederor.h"

#include "app_info.h"

#include <QCloseEvent>

frmDivivederor::frmDivivederor(platform::Registry &registry, platform::SystemServices &services,
                               QWidget *parent)
    : QDialog(parent), m_registry(registry), m_services(services)
{
    setWindowTitle(QStringLiteral("About Tavrin"));
}

void frmDivivederor::Form_Load()
{
    setWindowTitle(QStringLiteral("About ") + QString::fromUtf8(kAppInfo.title));
}

void frmDivivederor::closeEvent(QCloseEvent *event)
{
    // The close box unloads the window, as OK does.
    event->accept();
    emit unloadRequested();
}
