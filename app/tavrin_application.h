#pragma once

#include <QApplication>

#include <functional>

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

    // How a fatal error is reported and how the program then ends; tests replace both.
    using Reporter = std::function<void(const QString &error)>;
    using Terminator = std::function<void(int status)>;
    void setFatalHandlers(Reporter report, Terminator terminate);

    static constexpr int kFatalStatus = 1;

private:
    void fatal(const QString &error);

    Reporter m_report;
    Terminator m_terminate;
    bool m_failing = false;
};
