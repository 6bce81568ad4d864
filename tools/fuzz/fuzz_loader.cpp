// libFuzzer target: the loader and the analysis on arbitrary bytes, loaded from memory (no
// file, nothing left behind). Every input must either load or end in EWPVDataError; nothing
// else may escape, crash or hang. Inputs are small, so the loader reads them on one thread into
// a buffer of their size.
#include "UnitTWPVData.h"
#include "UnitWPVDetails.h"
#include "UnitWPVParameters.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString name = QStringLiteral("fuzz-input.txt");
    TWPVDataFromFile file;
    try {
        file.OccupyFromText(name, TWPVText::FromBytes(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size))));
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
