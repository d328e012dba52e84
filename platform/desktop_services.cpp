#include "desktop_services.h"

#include "file_search.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>

namespace platform {

DesktopServices::DesktopServices(std::string title) : m_title(std::move(title)) {}

bool DesktopServices::findNormalFile(const std::string &path)
{
    return !locateNormalFile(path).isEmpty();
}

void DesktopServices::startProgram(const std::string &path)
{
    const QString program = locateNormalFile(path);
    if (program.isEmpty())
        throw ServiceError("no program at " + path);
    // QProcess tells of some failures to start a detached program only by its result, and
    // the check costs nothing: refuse a file that may not be executed before trying.
    if (!QFileInfo(program).isExecutable())
        throw ServiceError("not an executable program: " + path);
    if (!QProcess::startDetached(program, {}))
        throw ServiceError("the program could not be started: " + path);
}

void DesktopServices::showMessage(const std::string &text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(m_title),
                    QString::fromStdString(text), QMessageBox::Ok, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void DesktopServices::beep()
{
    QApplication::beep();
}

} // namespace platform
