#include "desktop_services.h"

#include "app_info.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {

bool DesktopServices::findNormalFile(const std::string &)
{
    return false;
}

void DesktopServices::startProgram(const std::string &)
{
    throw ServiceError("not implemented");
}

void DesktopServices::showMessage(const std::string &text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kAppInfo.title),
                    QString::fromStdString(text), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void DesktopServices::beep()
{
    QApplication::beep();
}

} // namespace platform
