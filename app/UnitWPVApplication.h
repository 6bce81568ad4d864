#pragma once
// The application object and its top-level error handling: an error that ends an event
// handler is shown to the user in a message box, and the window goes on working.
#include <QApplication>
#include <QIcon>
#include <QString>

#include <exception>
#include <functional>

class TWPVApplication : public QApplication
{
public:
    TWPVApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The program's icon, the one installed for the desktop entry, from the resources.
QIcon WPVWindowIcon();

// Shows aMessage as an error ("Tarnwell reader" message box), or hands it to the reporter that
// tests install.
void WPVReportError(const QString& aMessage);
// The message of an exception (UTF-8 what()).
QString WPVExceptionMessage(const std::exception& e);

// Replaces the message box (tests); an empty function restores it. Returns the previous one.
using TWPVErrorReporter = std::function<void(const QString&)>;
TWPVErrorReporter SetWPVErrorReporter(TWPVErrorReporter aReporter);

// Runs aHandler and reports whatever it throws: window handlers are invoked from Qt's
// signal and event dispatch, which must not be unwound by an exception.
template <class F>
void WPVGuarded(F&& aHandler)
{
    try {
        aHandler();
    } catch (const std::exception& e) {
        WPVReportError(WPVExceptionMessage(e));
    }
}
