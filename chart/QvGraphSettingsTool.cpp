#include "QvGraphSettingsTool.h"

#include "QvGraph2D.h"

TQvGraphSettingsTool::TQvGraphSettingsTool(QObject* AOwner) : QObject(AOwner) {}

TQvGraphSettingsTool::~TQvGraphSettingsTool() = default;

void TQvGraphSettingsTool::SetGraph(TQvCustomGraph* AGraph)
{
    FGraph = AGraph;
}

void TQvGraphSettingsTool::Show()
{
    // The dialog is not built yet: nothing to show.
}
