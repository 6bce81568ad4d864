#pragma once
// The graph settings tool: binds to one graph and opens the settings dialog for it.
#include <QObject>
#include <QPointer>

class TQvCustomGraph;

class TQvGraphSettingsTool : public QObject
{
    Q_OBJECT
public:
    explicit TQvGraphSettingsTool(QObject* AOwner = nullptr);
    ~TQvGraphSettingsTool() override;

    TQvCustomGraph* Graph() const { return FGraph.data(); }
    // Binds the tool (and its open dialog) to AGraph.
    void SetGraph(TQvCustomGraph* AGraph);
    // Shows the settings dialog for the bound graph.
    void Show();

private:
    QPointer<TQvCustomGraph> FGraph;
};
