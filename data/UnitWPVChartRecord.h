#pragma once
// What a file or a step keeps of the window's chart objects: an opaque record that the layer
// above the data layer makes and reads (data/series/UnitWPVChartSeries.h), owned here through this
// base so that loading a file needs no chart classes beyond the vectors.
struct TWPVChartRecord
{
    virtual ~TWPVChartRecord() = default;
};
