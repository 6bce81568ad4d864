// The window with the given files added in order, until it is closed.
#include "RunWindow.h"

#include "UnitWPVReader.h"

int RunWindow(QApplication& app, const QStringList& files)
{
    TFormWPVData form;
    // The last run's window, page, folders, columns and recent files (unless settings are off).
    form.LoadSession();
    if (form.StartMaximized())
        form.showMaximized();
    else
        form.show();
    // Each file is added as "Add from file" adds it; a failing one is reported and skipped.
    form.AddFiles(files);
    return app.exec();
}
