#include "UnitWPVApplication.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScopedValueRollback>
#include <QWidget>

namespace {
TWPVErrorReporter gReporter;
bool gReporting = false;
} // namespace

// The resources live in a static library: register them before the first use.
static void InitWPVIconResources()
{
    Q_INIT_RESOURCE(wpvreader);
}

QIcon WPVWindowIcon()
{
    InitWPVIconResources();
    return QIcon(QStringLiteral(":/desktop/tarnwell-reader.svg"));
}

// Every window and dialog of the program shows its icon.
TWPVApplication::TWPVApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setWindowIcon(WPVWindowIcon());
}

bool TWPVApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        WPVReportError(WPVExceptionMessage(e));
    }
    return false;
}

QString WPVExceptionMessage(const std::exception& e)
{
    return QString::fromUtf8(e.what());
}

TWPVErrorReporter SetWPVErrorReporter(TWPVErrorReporter aReporter)
{
    TWPVErrorReporter previous = std::move(gReporter);
    gReporter = std::move(aReporter);
    return previous;
}

void WPVReportError(const QString& aMessage)
{
    if (gReporter) {
        gReporter(aMessage);
        return;
    }
    // An error raised while the box itself is shown (its own event loop) is not boxed again.
    if (gReporting || !qobject_cast<QApplication*>(QCoreApplication::instance())) {
        qWarning("%s", qPrintable(aMessage));
        return;
    }
    const QScopedValueRollback<bool> reporting(gReporting, true);
    QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Tarnwell reader"), aMessage);
}
