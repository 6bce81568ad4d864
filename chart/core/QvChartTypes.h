#pragma once
// Enumerations shared by the layers of the chart library: the drawing layer's smoothing and
// text rendering modes, caption and content alignment, legend docking positions and the image
// formats a graph saves. Kept here so that a header can name one without including the class
// that uses it.

#include <QObject>

namespace QvDrawingEnums {
Q_NAMESPACE

// Smoothing of lines and shapes: None and HighSpeed draw aliased, AntiAlias and HighQuality
// anti-aliased (HighQuality also smooths transformed images).
enum class TQvSmoothingMode { None = 0, HighSpeed, AntiAlias, HighQuality };
Q_ENUM_NS(TQvSmoothingMode)

// Text rendering hint: the SingleBitPerPixel modes draw text aliased, the others anti-aliased;
// the GridFit modes hint glyphs to the pixel grid.
enum class TQvTextRenderingHint {
    SystemDefault = 0,
    SingleBitPerPixelGridFit,
    SingleBitPerPixel,
    AntiAliasGridFit,
    AntiAlias,
    ClearTypeGridFit
};
Q_ENUM_NS(TQvTextRenderingHint)

}

using QvDrawingEnums::TQvSmoothingMode;
using QvDrawingEnums::TQvTextRenderingHint;

// Which point of the caption's box lies on the anchor.
enum class TQvContentAlignment {
    TopLeft = 0,
    TopCenter = 1,
    TopRight = 2,
    MiddleLeft = 3,
    MiddleCenter = 4,
    MiddleRight = 5,
    BottomLeft = 6,
    BottomCenter = 7,
    BottomRight = 8
};


// Title alignment (left / right / centre), shared with the axis captions.
enum class TQvCaptionAlignment { Left, Right, Center };

// Image formats of SaveImage. EMF is written as SVG (the vector format of this platform); GIF,
// EXIF and Icon fall back to PNG when the image plugins are missing.
enum class TQvImageFormat { EMF, BMP, JPEG, PNG, GIF, TIFF, EXIF, Icon, SVG, PDF };

// Where a legend docks (the layout pass places docked legends next to the data area).
enum class TQvLegendPosition {
    BottomCenterOfGraph, BottomCenterOfAxis, LeftCenterOfGraph, LeftCenterOfAxis, LeftTopOfAxis,
    TopCenterOfGraph, TopCenterOfAxis, RightCenterOfGraph, RightCenterOfAxis, RightTopOfAxis,
    FreeFloating
};
