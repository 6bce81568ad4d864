#include "QvGraphSettingsTool.h"

#include "QvGraph2D.h"

#include <QWidget>

TQvGraphSettingsTool::TQvGraphSettingsTool(QObject* AOwner) : QObject(AOwner) {}

TQvGraphSettingsTool::~TQvGraphSettingsTool()
{
    // A dialog without a parent window is the tool's own; one parented to the owner's window
    // goes with that window.
    if (FDialog && !FDialog->parent())
        delete FDialog.data();
}

void TQvGraphSettingsTool::SetGraph(TQvCustomGraph* AGraph)
{
    FGraph = AGraph;
    if (FDialog)
        FDialog->SetGraph(AGraph);
}

void TQvGraphSettingsTool::SetSeriesNamer(TQvGraphSettingsDialog::TSeriesNamer Namer)
{
    FSeriesNamer = std::move(Namer);
    if (FDialog)
        FDialog->SetSeriesNamer(FSeriesNamer);
}

void TQvGraphSettingsTool::Show()
{
    if (!FDialog) {
        auto* owner = qobject_cast<QWidget*>(parent());
        FDialog = new TQvGraphSettingsDialog(owner ? owner->window() : nullptr);
        FDialog->SetSeriesNamer(FSeriesNamer);
    }
    FDialog->SetOptions(FOptions);
    FDialog->SetGraph(FGraph.data());
    FDialog->show();
    FDialog->raise();
    FDialog->activateWindow();
}
