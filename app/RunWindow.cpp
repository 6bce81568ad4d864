// The window with the given files added in order, until it is closed.
#include "RunWindow.h"

#include "UnitWPVReader.h"

int RunWindow(QApplication& app, const QStringList& files)
{
    TFormWPVData form;
    form.showMaximized();
    // Each file is added as "Add from file" adds it; a failing one is reported and skipped.
    form.AddFiles(files);
    return app.exec();
}
