#pragma once
// Figures without the window: the graph of a page for files added the way the window adds
// them, written as PNG, SVG or PDF.
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QImage;
class TFormWPVData;

enum class TWPVPlotPage { Visualize, Compare, Details };

struct TWPVPlotOptions
{
    TWPVPlotPage Page = TWPVPlotPage::Visualize;
    QStringList Files;
    // Items of the page's step list to select (0-based, list order); none: all of them.
    std::optional<std::vector<int>> Select;
    QString Out = QStringLiteral("plot.png");
    QSize Size = QSize(1117, 738);
};

// Parses "visualize", "compare" or "details"; false for anything else.
bool WPVParsePlotPage(const QString& aText, TWPVPlotPage& aPage);
// Parses "all" (no selection list) or "I,J,..." (non-negative integers).
bool WPVParsePlotSelect(const QString& aText, std::optional<std::vector<int>>& aSelect);
// Parses "WxH" with both at least 1 and at most 20000.
bool WPVParsePlotSize(const QString& aText, QSize& aSize);
// True when the figure file's name ends in .png, .svg or .pdf (any case).
bool WPVIsPlotFileName(const QString& aFileName);

// Sets the window up as the figure needs it: adds the files (failures go to aErrors), selects
// the items and runs the page's handler. Throws EWPVUsageError for an item beyond the list.
void WPVPreparePlot(TFormWPVData& aForm, const TWPVPlotOptions& aOptions, QStringList& aErrors);
// The figure as an image at aOptions.Size (the details page: its three graphs side by side).
QImage WPVPlotImage(TFormWPVData& aForm, const TWPVPlotOptions& aOptions);
// Writes the figure to aOptions.Out; the format follows the suffix (.png, .svg, .pdf).
// Throws EWPVUsageError for another suffix and std::runtime_error when writing fails (the file
// is then as it was before).
void WPVWritePlot(TFormWPVData& aForm, const TWPVPlotOptions& aOptions);

// Writes aBytes as the whole file aFileName (raw name bytes kept, see UnitWPVFileNames). A
// regular file is written through a temporary file beside it that replaces it only once it is
// complete, so a failed write (a full disk) leaves no half file and an existing file untouched;
// a symbolic link is followed and stays. A device or a pipe (/dev/stdout) is written in place.
// Throws std::runtime_error naming the file and the reason when any step fails.
void WPVWriteWholeFile(const QString& aFileName, const QByteArray& aBytes);

// The whole --plot run: prepares, writes, reports. Returns the exit status: 0 done, 1 when a
// file failed or nothing could be written, 2 for a usage error. When no file loads nothing is
// written; when some fail, the figure of the others is.
int WPVRunPlot(const TWPVPlotOptions& aOptions);
