// Stand-in until the main window exists: prints the details table of each file.
#include "RunWindow.h"

#include "UnitWPVExport.h"

#include <QTextStream>

#include <cstdio>

int RunWindow(QApplication& app, const QStringList& files)
{
    Q_UNUSED(app);
    QTextStream out(stdout);
    QTextStream err(stderr);
    int status = 0;
    for (const QString& file : files) {
        try {
            out << ExportDetails(file, TDetailsExportOptions()) << Qt::flush;
        } catch (const std::exception& e) {
            err << QString::fromUtf8(e.what()) << '\n' << Qt::flush;
            status = 1;
        }
    }
    return status;
}
