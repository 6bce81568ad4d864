#pragma once
// The graph settings tool: a non-visual component bound to one graph that opens the modeless
// settings dialog for it. The dialog is created on the first showing and kept; binding the tool
// to another graph re-binds the dialog as well. On each showing the tool hands its option flags
// and its graph to the dialog.
#include "QvGraph2D.h"
#include "QvGraphSettingsDialog.h"

#include <QObject>
#include <QPointer>


class TQvGraphSettingsTool : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool ExtendedAxisOptions READ ExtendedAxisOptions WRITE SetExtendedAxisOptions)
    Q_PROPERTY(bool ExtendedBarLabelOptions READ ExtendedBarLabelOptions WRITE SetExtendedBarLabelOptions)
    Q_PROPERTY(bool FitCovariance READ FitCovariance WRITE SetFitCovariance)
    Q_PROPERTY(bool OutlierSupport READ OutlierSupport WRITE SetOutlierSupport)
    Q_PROPERTY(bool ZoomOptions READ ZoomOptions WRITE SetZoomOptions)
    Q_PROPERTY(bool InteractiveCalculationRanges READ InteractiveCalculationRanges WRITE SetInteractiveCalculationRanges)
public:
    explicit TQvGraphSettingsTool(QObject* AOwner = nullptr);
    ~TQvGraphSettingsTool() override;

    TQvCustomGraph* Graph() const { return FGraph.data(); }
    // Binds the tool (and its dialog, once created) to AGraph.
    void SetGraph(TQvCustomGraph* AGraph);
    // Shows the settings dialog for the bound graph (creating it the first time) and brings it
    // to the front.
    void Show();

    // How the dialog names series without a caption (handed to the dialog on each showing).
    void SetSeriesNamer(TQvGraphSettingsDialog::TSeriesNamer Namer);

    // The dialog, or null before the first showing.
    TQvGraphSettingsDialog* Dialog() const { return FDialog.data(); }

    // Option flags (all off except interactive calculation ranges, as the reader's window uses
    // the tool).
    const TQvGraphSettingsOptions& Options() const { return FOptions; }
    void SetOptions(const TQvGraphSettingsOptions& Value) { FOptions = Value; }
    bool ExtendedAxisOptions() const { return FOptions.ExtendedAxisOptions; }
    void SetExtendedAxisOptions(bool Value) { FOptions.ExtendedAxisOptions = Value; }
    bool ExtendedBarLabelOptions() const { return FOptions.ExtendedBarLabelOptions; }
    void SetExtendedBarLabelOptions(bool Value) { FOptions.ExtendedBarLabelOptions = Value; }
    bool FitCovariance() const { return FOptions.FitCovariance; }
    void SetFitCovariance(bool Value) { FOptions.FitCovariance = Value; }
    bool OutlierSupport() const { return FOptions.OutlierSupport; }
    void SetOutlierSupport(bool Value) { FOptions.OutlierSupport = Value; }
    bool ZoomOptions() const { return FOptions.ZoomOptions; }
    void SetZoomOptions(bool Value) { FOptions.ZoomOptions = Value; }
    bool InteractiveCalculationRanges() const { return FOptions.InteractiveCalculationRanges; }
    void SetInteractiveCalculationRanges(bool Value) { FOptions.InteractiveCalculationRanges = Value; }

private:
    QPointer<TQvCustomGraph> FGraph;
    QPointer<TQvGraphSettingsDialog> FDialog;
    TQvGraphSettingsOptions FOptions;
    TQvGraphSettingsDialog::TSeriesNamer FSeriesNamer;
};
