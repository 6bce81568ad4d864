#pragma once
// The modeless graph settings dialog: pages "Graph", "Axes", "Series" and "Legends" with property
// sheets generated from the published properties of the bound graph, of the axis, series and
// legend chosen on their pages; the undo and redo lists of the graph's undo stack with buttons to undo
// and redo (to a chosen entry); "Save image..." for the bound graph.
//
// The dialog holds the graph, its undo stack and the objects it edits by guarded pointers: when
// the graph goes away the pages empty and "Save image..." is disabled. It shows the objects' current
// state at all times: it re-reads the sheets after its own edits, after undo and redo, and when
// the graph announces a change (OnChanged: another edit, a layout that moved the automatic axis
// ends, a series renamed).

#include "QvGraph2D.h"

#include <QDialog>
#include <QList>
#include <QPointer>

#include <functional>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;
class TQvAxis;
class TQvGraphLegendBase;
class TQvPropertyEditor;
class TQvSeries;
class TQvUndoStack;

// What the settings tool lets its dialog offer (everything off hides the properties concerned).
struct TQvGraphSettingsOptions
{
    bool ExtendedAxisOptions = false;       // slave axes, moving slit, rubrics, label spacing
    bool ExtendedBarLabelOptions = false;   // (no bar series in this library)
    bool FitCovariance = false;             // (no fits in this library)
    bool OutlierSupport = false;            // a series' OutliersVisible
    bool ZoomOptions = false;               // the graph's zoom, scroll and panning settings
    bool InteractiveCalculationRanges = true;
    bool operator==(const TQvGraphSettingsOptions&) const = default;
};

class TQvGraphSettingsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TQvGraphSettingsDialog(QWidget* Parent = nullptr);
    ~TQvGraphSettingsDialog() override;

    TQvCustomGraph* Graph() const { return FGraph.data(); }
    // Binds the dialog to AGraph (null: nothing bound); rebuilds the pages for another graph,
    // re-reads them for the same one.
    void SetGraph(TQvCustomGraph* AGraph);

    const TQvGraphSettingsOptions& Options() const { return FOptions; }
    void SetOptions(const TQvGraphSettingsOptions& Value);

    // Re-reads the axis and series choices, every property and the undo and redo lists.
    void RefreshAll();

    // How a series is named when it has no caption (the program knows which file and step it
    // draws; the chart library does not). An empty result falls back to the series' name.
    using TSeriesNamer = std::function<QString(const TQvSeries* Series)>;
    void SetSeriesNamer(TSeriesNamer Namer);

    // Names shown for the objects: a caption as plain text (markup rendered away), else the
    // series namer's text, else the object's name.
    QString AxisText(const TQvAxis* Axis) const;
    QString SeriesText(const TQvSeries* Series) const;
    QString LegendText(const TQvGraphLegendBase* Legend) const;

    // Writes the bound graph to FileName as PNG, SVG or PDF, by the file name's suffix (PNG when
    // there is none of those). False when nothing is bound or the file cannot be written.
    bool SaveImageTo(const QString& FileName);
    // "Save image...": asks for a file name and writes the graph; reports a failure.
    void SaveImageClick();
    // Asks for the image file name (the file dialog by default). Tests install their own.
    using TSaveFileNameAsker = std::function<QString(QWidget* Parent)>;
    static void SetSaveFileNameAsker(TSaveFileNameAsker Asker);

    // Undoes the steps down to the one chosen in the undo list (the newest when none is);
    // redoes likewise.
    void UndoClick();
    void RedoClick();

    // --- parts, for the tool and for tests
    QTabWidget* Pages() const { return FPages; }
    TQvPropertyEditor* GraphEditor() const { return FGraphEditor; }
    TQvPropertyEditor* AxisEditor() const { return FAxisEditor; }
    TQvPropertyEditor* SeriesEditor() const { return FSeriesEditor; }
    TQvPropertyEditor* LegendEditor() const { return FLegendEditor; }
    QComboBox* AxisChoice() const { return FAxisChoice; }
    QComboBox* SeriesChoice() const { return FSeriesChoice; }
    QComboBox* LegendChoice() const { return FLegendChoice; }
    QListWidget* UndoList() const { return FUndoList; }
    QListWidget* RedoList() const { return FRedoList; }
    QPushButton* UndoButton() const { return FUndoButton; }
    QPushButton* RedoButton() const { return FRedoButton; }
    QPushButton* SaveImageButton() const { return FSaveImageButton; }
    // Shows the axis or series at that index of its choice.
    void ChooseAxis(int Index);
    void ChooseSeries(int Index);
    void ChooseLegend(int Index);

protected:
    bool event(QEvent* e) override;

private:
    void GraphDestroyed();
    void BindUndoStack(TQvUndoStack* Stack);
    void RefreshChoices();
    void RefreshLists();
    void RefreshEditors();
    void AfterEdit();
    // The graph changed: re-read everything, but keep what the user is typing.
    void GraphChanged();
    void ApplyHiddenNames();
    void UpdateTitle();

    QPointer<TQvCustomGraph> FGraph;
    QPointer<TQvUndoStack> FStack;
    QList<QMetaObject::Connection> FStackConnections;
    QMetaObject::Connection FGraphDestroyed;
    QMetaObject::Connection FGraphChanged;
    QList<QMetaObject::Connection> FSeriesConnections;
    TSeriesNamer FSeriesNamer;
    TQvGraphSettingsOptions FOptions;
    QList<QPointer<TQvAxis>> FAxes;
    QList<QPointer<TQvSeries>> FSeries;
    QList<QPointer<TQvGraphLegendBase>> FLegends;

    QTabWidget* FPages = nullptr;
    TQvPropertyEditor* FGraphEditor = nullptr;
    TQvPropertyEditor* FAxisEditor = nullptr;
    TQvPropertyEditor* FSeriesEditor = nullptr;
    TQvPropertyEditor* FLegendEditor = nullptr;
    QComboBox* FAxisChoice = nullptr;
    QComboBox* FSeriesChoice = nullptr;
    QComboBox* FLegendChoice = nullptr;
    QLabel* FNoSeries = nullptr;
    QLabel* FNoLegend = nullptr;
    QListWidget* FUndoList = nullptr;
    QListWidget* FRedoList = nullptr;
    QPushButton* FUndoButton = nullptr;
    QPushButton* FRedoButton = nullptr;
    QPushButton* FSaveImageButton = nullptr;
};
