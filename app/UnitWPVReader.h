#pragma once
// The main window: files, step views, the details page and the five graphs.
//
// The window's handlers read widgets, call the data layer's plain functions and write widgets;
// the text and numbers they show come from data/ (UnitWPVTexts, UnitWPVDetails,
// UnitWPVParameters, UnitWPVChartSeries).
#include "UnitTWPVData.h"
#include "UnitWPVDetails.h"
#include "UnitWPVParameters.h"

#include <QListWidget>
#include <QLoggingCategory>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

Q_DECLARE_LOGGING_CATEGORY(lcForm) // "Form"

class QCheckBox;
class QGroupBox;
class QLabel;
class QMouseEvent;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QTableWidget;
class TQvAxis;
class TQvDashStylesList;
class TQvDoubleEdit;
class TQvDoubleVector;
class TQvGraph2D;
class TQvGraphSettingsTool;
class TQvIntegerEdit;
class TQvPointSeries;
class TQvPointSymbolsList;
class TQvUndoStack;
class TWPVSourceView;

// A list box that reports a finished click, a mouse-up with its button and a released key,
// each after the list has updated its selection and focused item.
class TWPVListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit TWPVListBox(QWidget* aParent = nullptr);

signals:
    void Click();
    void MouseUp(Qt::MouseButton aButton);
    void KeyUp();

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
};

class TFormWPVData : public QWidget
{
    Q_OBJECT
public:
    explicit TFormWPVData(QWidget* aParent = nullptr);
    ~TFormWPVData() override;

    // ---- page "File"
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QPushButton* ButtonOpenFile = nullptr;
    TWPVListBox* ListBoxFiles = nullptr;
    QLabel* LabelRecent = nullptr;
    // The last files added (most recent first), each added again by one click.
    TWPVListBox* ListBoxRecent = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    // ---- page "Visualize step"
    QWidget* TabSheet2 = nullptr;
    QSplitter* Splitter2 = nullptr; // step list | graph: widens the list
    QWidget* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    TWPVListBox* ListBox1 = nullptr;
    QLabel* Label3 = nullptr;
    TQvDashStylesList* QvDashStylesList1 = nullptr;
    TQvGraph2D* QvGraph2D1 = nullptr;
    TQvAxis* XAxis1 = nullptr;
    TQvAxis* YAxis1 = nullptr;
    TQvAxis* YAxis_VIS_Charge = nullptr;
    TQvAxis* QvAxispO2 = nullptr;
    // ---- page "Compare steps"
    QWidget* TabSheet3 = nullptr;
    QSplitter* Splitter3 = nullptr; // step list | graph: widens the list
    QWidget* Panel2 = nullptr;
    QLabel* Label2 = nullptr;
    TWPVListBox* ListBox2 = nullptr;
    QLabel* Label4 = nullptr;
    TQvPointSymbolsList* QvPointSymbolsList1 = nullptr;
    TQvGraph2D* QvGraph2D2 = nullptr;
    TQvAxis* XAxisLogpO2 = nullptr;
    TQvAxis* YAxisLeakage = nullptr;
    TQvAxis* QvAxisCharges = nullptr;
    TQvAxis* QvAxisVoltage = nullptr;
    // ---- page "Details"
    QWidget* TabSheet5 = nullptr;
    QWidget* Panel4 = nullptr;
    // The row of file list, overrides, column choice and copy button: scrolls sideways when the
    // window is narrower than the row.
    QScrollArea* ScrollBoxTop = nullptr;
    QSplitter* Splitter1 = nullptr;
    QWidget* Panel3 = nullptr;
    QLabel* Label5 = nullptr;
    TWPVListBox* ListBox3 = nullptr;
    QGroupBox* dou = nullptr;
    QCheckBox* CheckBoxOverrides = nullptr;
    TQvDoubleEdit* QvDoubleEditVhpws = nullptr;
    TQvDoubleEdit* QvDoubleEditVgp = nullptr;
    TQvDoubleEdit* QvDoubleEditTl = nullptr;
    TQvDoubleEdit* QvDoubleEditCustomLLS = nullptr;
    TQvDoubleEdit* QvDoubleEditOverridebs = nullptr;
    TQvDoubleEdit* QvDoubleEditOverrideb0 = nullptr;
    TQvDoubleEdit* QvDoubleEditOverridem0 = nullptr;
    TQvDoubleEdit* QvDoubleEditOverrideAlpha = nullptr;
    TQvDoubleEdit* QvDoubleEditOverridepO2ref = nullptr;
    TQvIntegerEdit* QvIntegerEditStartSet = nullptr;
    QLabel* Label17 = nullptr;
    TWPVListBox* ListBox4 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* ButtonSaveTable = nullptr;
    QLabel* Label6 = nullptr;
    QPlainTextEdit* Memo3 = nullptr;
    TQvGraph2D* QvGraph2D3 = nullptr;
    TQvGraph2D* QvGraph2D4 = nullptr;
    TQvGraph2D* QvGraph2D5 = nullptr;
    TQvAxis* XAxisDetailsA = nullptr;
    TQvAxis* XAxisDetailsB = nullptr;
    TQvAxis* XAxisDetailsC = nullptr;
    TQvAxis* YAxisDetailsA = nullptr;
    TQvAxis* YAxisDetailsB = nullptr;
    TQvAxis* YAxisDetailsC = nullptr;
    TQvDoubleVector* QvDoubleVectorDetailsAlogpO2 = nullptr;
    // X of graphs "log |y|" and "y": only the plotted steps that have a log|y| cell.
    TQvDoubleVector* QvDoubleVectorDetailsAlogpO2y = nullptr;
    TQvDoubleVector* QvDoubleVectorDetailsAlogy = nullptr;
    TQvDoubleVector* QvDoubleVectorDetailsB = nullptr;
    TQvDoubleVector* QvDoubleVectorDetailsC = nullptr;
    TQvPointSeries* QvPointSeriesDetailsA = nullptr;
    TQvPointSeries* QvPointSeriesDetailsB = nullptr;
    TQvPointSeries* QvPointSeriesDetailsC = nullptr;
    // ---- page "Help"
    QWidget* TabSheet4 = nullptr;
    QLabel* Image1 = nullptr;
    QPlainTextEdit* Memo2 = nullptr;
    // ---- page "Source data"
    QWidget* TabSheet6 = nullptr;
    QTableWidget* StringGridData = nullptr;
    // ---- page "Source file"
    QWidget* TabSheet7 = nullptr;
    TWPVSourceView* Memo4 = nullptr;
    // ---- under the pages: the graphs' hover readout
    QStatusBar* StatusBar1 = nullptr;
    QLabel* LabelHoverAxes = nullptr;  // the cursor's position on the axes (cut when too long)
    QLabel* LabelHoverPoint = nullptr; // the nearest point, at the right, always whole
    // What the readout shows: the axes, then "   |   " and the nearest point; empty off a graph.
    QString HoverReadout() const;

private:
    // The axes' part of the readout, its captions shortened to fit the label.
    QString FitHoverAxes(const struct TQvHoverInfo& aInfo, const QString& aText) const;

public:
    // ---- chart components beside the graphs
    TQvUndoStack* QvUndoStack1 = nullptr;
    TQvGraphSettingsTool* QvGraphSettingsTool1 = nullptr;

    // Replaces the open-file dialog (tests): returns the chosen file name, empty for cancel.
    std::function<QString(const QString& aInitialFolder)> ChooseFile;
    // Replaces the save-file dialog of "Save table..." (tests): returns the chosen file name,
    // empty for cancel.
    std::function<QString(const QString& aSuggestedName)> ChooseSaveFile;
    // False for a window that only renders figures: adding a file then skips the "Source file"
    // text (a second read of the whole file), which no figure shows.
    bool KeepSourceText = true;

    // ---- state
    const std::vector<std::unique_ptr<TWPVDataFromFile>>& Files() const { return fFiles; }
    int FileCounter() const { return fFileCounter; }
    const TColArr& Columns() const { return fColumns; }
    // The folder the open-file dialog starts in: the user's documents folder, or the home
    // folder when there is no documents folder.
    static QString DefaultDataFolder();
    // The folder the open-file dialog starts in now: the last one a file was chosen in.
    QString LastFolder() const { return fLastFolder; }
    QStringList RecentFiles() const { return fRecent; }

    // ---- the session kept between runs (UnitWPVSession). LoadSession restores the window's
    // geometry, splitter, page, dialog folder, details columns and recent files; a setting that
    // cannot be read is left at the default. From then on the recent list is written as files
    // are added, and closing the window saves the rest. Without LoadSession (figures, tests)
    // the window neither reads nor writes any setting.
    void LoadSession();
    void SaveSession();
    // Whether the window is to open maximised (the default, and what the last run ended with).
    bool StartMaximized() const { return fStartMaximized; }

    // ---- handlers
    // "Add from file": asks for one file, then adds it (AddFileByName).
    void ButtonOpenFileClick();
    // Steps 2 to 10 of adding a file: number, load, analyse, attach, list, show. Throws when the
    // file cannot be read; the file counter has been increased all the same.
    void AddFileByName(const QString& aFileName);
    // Adds several files in order; each failure is reported and the next file is added.
    void AddFiles(const QStringList& aFileNames);
    void ListBoxFileOccupy();
    void AddFileToMemo(const QString& aFile);
    void ListBoxFilesClick();
    void ListBox1Click();
    void ListBox1KeyUp() { ListBox1Click(); }
    void ListBox2Click();
    void ListBox2KeyUp() { ListBox2Click(); }
    void QvDashStylesList1Click();
    void QvPointSymbolsList1Click();
    void QvGraph2D1MouseDown(QMouseEvent* e);
    void QvGraph2D2MouseDown(QMouseEvent* e);
    void ListBox3Click();
    void CheckBoxOverridesClick() { ListBox3Click(); }
    void CheckBoxOverridesKeyUp() { ListBox3Click(); }
    void QvDoubleEditVhpwsValueChanged() { ListBox3Click(); }
    void ListBox4MouseUp(Qt::MouseButton aButton);
    // A key released on the column list (Space, Ctrl+A ...): the columns follow the list's
    // selection as the keyboard left it.
    void ListBox4KeyUp();
    void Button1Click();
    // "Save table...": the text the copy button puts on the clipboard, into a file.
    void ButtonSaveTableClick();
    // A click on a recent file: adds it again, or takes it off the list when it is gone.
    void ListBoxRecentClick(QListWidgetItem* aItem);
    void InitColStructure(bool aClearAll);
    void ShowSetData(TWPVDataFromFile& aFile);
    void UpdateVariables(TWPVDataFromFile& aFile);
    void FormatGrid();
    void Panel3Resize();
    // Lays the three detail graphs out in a lower panel aWidth x aHeight.
    void Panel3Resize(int aWidth, int aHeight);
    // The lower panel's least height: the detail graphs' axis numbers and captions still fit.
    static constexpr int Panel3MinHeight = 190;
    // The override edits' values as the data layer takes them.
    TOverrideValues OverrideValues() const;

protected:
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* aWatched, QEvent* aEvent) override;

private:
    void BuildFilePage();
    void BuildVisualizePage();
    void BuildComparePage();
    void BuildDetailsPage();
    void BuildHelpPage();
    void BuildSourcePages();
    void BuildCharts();
    void FormCreate();
    void FormDestroy();
    void AttachFileSeries(TWPVDataFromFile& aFile);
    void AttachStepSeries(TWPVDataSet& aStep, int aFileNumber);
    void LoadOverrideEdits(const TVariables& aVariables);
    TWPVDataSet* StepOfItem(QListWidgetItem* aItem) const;
    TWPVDataFromFile* FileOfItem(QListWidgetItem* aItem) const;
    void ShowRecent();
    void SetRecent(const QStringList& aRecent);

    std::vector<std::unique_ptr<TWPVDataFromFile>> fFiles;
    int fFileCounter = 0;
    TColArr fColumns;
    QString fLastFolder;
    QStringList fRecent;
    bool fSessionLoaded = false;
    bool fStartMaximized = true;
};
