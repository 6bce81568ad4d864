// libFuzzer target: the loader and the analysis on arbitrary bytes. Every input must either load
// or end in EWPVDataError; nothing else may escape, crash or hang.
#include "UnitTWPVData.h"
#include "UnitWPVDetails.h"
#include "UnitWPVParameters.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

QString InputPath()
{
    static const QString path = QDir::tempPath() + QStringLiteral("/fuzz_loader_%1.txt").arg(getpid());
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Through a file, as the program reads them (byte-order marks, decoding, line ends).
    {
        QFile f(InputPath());
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    TWPVDataFromFile file;
    try {
        file.OccupyFromFile(InputPath());
    } catch (const EWPVDataError&) {
        if (file.DataSetCount() != 0)
            std::abort(); // a failed load leaves nothing behind
        return 0;
    }
    TVariables v = file.VOrig();
    v.FileNumber = 1;
    file.SetVActiv(v);
    file.SetVOrig(v);
    file.SetVOver(v);
    UpdateVariables(file, false, {});
    file.InterSetActions();
    TColArr columns = DetailColumns();
    for (TColData& c : columns)
        c.Visible = true;
    const TDetailsPage page = ShowSetData(file, columns, 1);
    if (page.Lines.size() < 6)
        std::abort();
    for (int i = 0; i < file.DataSetCount(); ++i)
        (void)file.DataSet(i)->Data();
    return 0;
}
