#pragma once
// The list of series an axis or a graph keeps: in attachment (or layer) order, with membership
// and removal in constant time (see TQvIndexedList).

#include "QvIndexedList.h"

class TQvSeries;

using TQvSeriesList = TQvIndexedList<TQvSeries>;
