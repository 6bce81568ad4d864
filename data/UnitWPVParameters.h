#pragma once
// The parameters in force: the file's own instrument variables, or the user's nine overrides.
#include "UnitTWPVData.h"

// The values of the nine override edits of the details page.
struct TOverrideValues
{
    double Vhpws = 0;      // "Vhpws, L"
    double Vgp = 0;        // "Vgp, L"
    double Tl = 0;         // "Tl, Cº"
    double RCDuration = 0; // "Relative change, s"
    double BS = 0;         // "bs, mol/mol"
    double BOx = 0;        // "b0, mol/mol"
    double MZero = 0;      // "m0, g"
    double Alpha = 0;      // "Alpha"
    double FGpO2 = 0;      // "pO2 ref, atm"

    bool operator==(const TOverrideValues&) const = default;
};

// What adding a file loads into the edits: the file's own values (m0 from mUZero).
TOverrideValues OverrideValuesFromFile(const TVariables& aVariables);

// Sets one override by its variable name (Vhpws, Vgp, Tl, RCDuration, BS, BOx, MZero, Alpha,
// FGpO2); false for an unknown name.
bool SetOverrideValue(TOverrideValues& aValues, const QString& aName, double aValue);

// Decides the variables in force for aFile (the overrides on top of fVOver when
// aOverridesUsed, else fVOrig), stores them as fVActiv and copies them into every step.
void UpdateVariables(TWPVDataFromFile& aFile, bool aOverridesUsed, const TOverrideValues& aOverrides);

// Copies the parameters in force (fVActiv) into every step of aFile.
void PushVariablesToSteps(TWPVDataFromFile& aFile);
