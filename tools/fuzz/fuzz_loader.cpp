// libFuzzer target: the loader and the analysis on arbitrary bytes, loaded from memory (no
// file, nothing left behind). Every input must either load or end in EWPVDataError; nothing
// else may escape, crash or hang. Inputs are small, so the loader reads them on one thread into
// a buffer of their size. Whatever does not depend on the input (the column table) is made once,
// so that the time per input is the loader's and the analysis' own.
#include "UnitTWPVData.h"
#include "UnitWPVDetails.h"
#include "UnitWPVParameters.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <cstdlib>

// AddressSanitizer keeps freed memory in quarantine (256 MB by default) to catch late uses.
// Every input allocates afresh, so a quarantine that large makes every allocation land on fresh
// pages: about a quarter of the run went into page faults. 32 MB still holds the frees of many inputs
// (one input frees well under a megabyte), so a use after free within an input is still caught.
// ASAN_OPTIONS in the environment overrides this.
extern "C" const char* __asan_default_options()
{
    return "quarantine_size_mb=32";
}

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
    static const TColArr columns = [] {
        TColArr all = DetailColumns();
        for (TColData& c : all)
            c.Visible = true;
        return all;
    }();
    const TDetailsPage page = ShowSetData(file, columns, 1);
    if (page.Lines.size() < 6)
        std::abort();
    for (int i = 0; i < file.DataSetCount(); ++i)
        (void)file.DataSet(i)->Data();
    return 0;
}
