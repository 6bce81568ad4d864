#pragma once
// Column descriptors of an instrument data row and the instrument's operating modes.
#include <QString>

#include <array>

// One column of a data row: read by the loader (ColID) and by the "Source data" grid.
struct RColInfo
{
    QString Caption;
    bool Time = false;
    QString Format;
    int ColID = 0;    // index of the field within a data row
    int ColWidth = 0; // width in pixels in the source-data grid
};

inline constexpr int ColInfoCount = 16;
// The 16 column descriptors, in display order (entry 1 is "Duration, s" with ColID 0, ...).
extern const std::array<RColInfo, ColInfoCount> ColInfos;

// Entries of ColInfos by meaning; the loader takes each field through ColInfos[e].ColID.
enum TColInfoEntry : int {
    ciMode = 0,
    ciDuration = 1,
    ciPumpV = 2,
    ciPumpI = 3,
    ciCellpO2 = 4,
    ciCellT = 5,
    ciFlushpO2 = 6,
    ciRCpO2 = 7,
    ciRCI = 8,
    ciStablepO2 = 9,
    ciRangepO2 = 10,
    ciStableI = 11,
    ciStep = 12,
    ciSP = 13,
    ciTime = 14,
    ciCellpO2P = 15,
};

// The instrument's operating modes; a step's Mode is the value plus 10.
enum class TProgramState : int {
    Uninitialized = 0,
    Paused,
    ZeroCurrent,
    SetVoltage,
    PIDSet,
    PIDStep,
    PPS,
    ToExit,
};

// Name of a TProgramState value ("PIDStep" for 5). Outside 0 to 7: the number in decimal.
QString ProgramStateName(int aState);
// Name of a step's Mode (Mode - 10): "PIDStep" for 15, "23" for 23 (no state has that mode).
QString ModeName(int aMode);
