#include "UnitWPVParameters.h"

TOverrideValues OverrideValuesFromFile(const TVariables& aVariables)
{
    TOverrideValues o;
    o.Vhpws = aVariables.Vhpws.Value;
    o.Vgp = aVariables.Vgp.Value;
    o.Tl = aVariables.Tl.Value;
    o.RCDuration = aVariables.RCDuration.Value;
    o.BS = aVariables.BS.Value;
    o.BOx = aVariables.BOx.Value;
    // The m0 edit is loaded from mUZero, although it stands for MZero.
    o.MZero = aVariables.mUZero.Value;
    o.Alpha = aVariables.Alpha.Value;
    o.FGpO2 = aVariables.FGpO2.Value;
    return o;
}

bool SetOverrideValue(TOverrideValues& aValues, const QString& aName, double aValue)
{
    struct Entry
    {
        const char* name;
        double TOverrideValues::*field;
    };
    static const Entry entries[] = {
        {"Vhpws", &TOverrideValues::Vhpws}, {"Vgp", &TOverrideValues::Vgp},
        {"Tl", &TOverrideValues::Tl},       {"RCDuration", &TOverrideValues::RCDuration},
        {"BS", &TOverrideValues::BS},       {"BOx", &TOverrideValues::BOx},
        {"MZero", &TOverrideValues::MZero}, {"Alpha", &TOverrideValues::Alpha},
        {"FGpO2", &TOverrideValues::FGpO2},
    };
    for (const Entry& e : entries)
        if (aName == QLatin1String(e.name)) {
            aValues.*(e.field) = aValue;
            return true;
        }
    return false;
}

void PushVariablesToSteps(TWPVDataFromFile& aFile)
{
    const TVariables& v = aFile.VActiv();
    for (const auto& step : aFile.DataSets()) {
        step->Vhpws = v.Vhpws.Value;
        step->Vgp = v.Vgp.Value;
        step->Tl = v.Tl.Value;
        step->SetRCd(v.RCDuration.Value);
        step->SetRCp(v.RCThreshold.Value);
        step->BS = v.BS.Value;
        step->BOx = v.BOx.Value;
        step->MZero = v.MZero.Value;
        step->SetAlpha(v.Alpha.Value);
        step->SetFGpO2(v.FGpO2.Value);
    }
}

void UpdateVariables(TWPVDataFromFile& aFile, bool aOverridesUsed, const TOverrideValues& aOverrides)
{
    if (aOverridesUsed) {
        TVariables r = aFile.VOver();
        r.Vhpws.Value = static_cast<float>(aOverrides.Vhpws);
        r.Vgp.Value = static_cast<float>(aOverrides.Vgp);
        r.Tl.Value = static_cast<float>(aOverrides.Tl);
        r.RCDuration.Value = static_cast<float>(aOverrides.RCDuration);
        r.BS.Value = static_cast<float>(aOverrides.BS);
        r.BOx.Value = static_cast<float>(aOverrides.BOx);
        r.MZero.Value = static_cast<float>(aOverrides.MZero);
        r.Alpha.Value = static_cast<float>(aOverrides.Alpha);
        r.FGpO2.Value = static_cast<float>(aOverrides.FGpO2);
        aFile.SetVActiv(r);
    } else {
        aFile.SetVActiv(aFile.VOrig());
    }
    PushVariablesToSteps(aFile);
}
