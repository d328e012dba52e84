#pragma once

#include <QApplication>

// The application object. An error that escapes an event handler is fatal: it is reported in
// a modal message that names it, and the program ends with a non-zero status.
class TavrinApplication : public QApplication
{
    Q_OBJECT

public:
    TavrinApplication(int &argc, char **argv);

    // Sets the attributes the program relies on. Called before and after the application
    // object exists, since the platform plugin may set some of them again while it starts.
    static void applyAttributes();

    bool notify(QObject *receiver, QEvent *event) override;

    static constexpr int kFatalStatus = 1;

private:
    void fatal(const QString &error);

    bool m_failing = false;
};
