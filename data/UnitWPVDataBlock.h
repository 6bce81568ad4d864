#pragma once
// The loader's way through the data block of a file: rows split at ';', converted, and gathered
// into steps, on several threads for a large block.
//
// The block is read in rounds of a few megabytes per thread. In each round the first thread
// reads its part as the rows come; every other thread reads its part from its first row whose
// elapsed time converts, not knowing what came before, and notes where its points need the
// state of the rows before (values carried from an earlier row, the step that goes on across
// the seam, the setpoint of a step's first rows). The parts are then joined in file order:
// the rows before that first row are read with the true state, the noted values are filled
// in, and the part's points and steps are appended. A part that cannot be read ahead of the
// rows before it (a malformed row, a step start whose mode or step number does not convert)
// is read again with the true state. The result is the same, bit for bit, as reading the rows
// one after the other.
#include "UnitTWPVData.h"

#include <cstddef>

// Reads the rows of aText from offset aBegin (the start of line aFirstLine, the first data row)
// to its end into steps appended to aFile's step list. When aDiscard is set the text belongs to
// the loader alone and the pages of the rows are given back once read. Throws EWPVDataError for
// a malformed row, as the rows are read in order.
void WPVLoadDataBlock(TWPVDataFromFile& aFile, const TWPVText& aText, std::size_t aBegin, qsizetype aFirstLine,
                      const TWPVLoadOptions& aOptions, bool aDiscard);
