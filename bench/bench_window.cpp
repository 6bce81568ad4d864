// Speed of the main window with a large file (1,000,000 data rows, about 127 MB), measured side
// by side with the bare load in one run:
//   - adding the file in the window (load, analysis, lists, source text, edits, details page)
//     against the bare load (OccupyFromFile) and against load plus analysis, and the peak memory
//     of each against the file size (each measured in a child process of its own, since the
//     peak only grows);
//   - ListBox1Click with every step selected, including the first paint of graph 1;
//   - one keystroke in an override edit while the file is shown on the details page;
//   - `tarnwell-reader --plot visualize` against `tarnwell-reader --details` as whole processes.
//
// Usage: bench_window [FILE]   (without FILE the file is made with tarnwell-synth)
#include "QvFloatEdit.h"
#include "QvGraph2D.h"
#include "UnitTWPVData.h"
#include "UnitWPVReader.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QKeyEvent>
#include <QPlainTextEdit>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double PeakMB()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024.0;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Child: loads the file alone, and analyses it when aAnalyse; prints "ms peakMB".
int ChildLoad(const QString& aFile, bool aAnalyse)
{
    QElapsedTimer t;
    t.start();
    TWPVDataFromFile file;
    file.OccupyFromFile(aFile);
    if (aAnalyse)
        file.InterSetActions();
    std::printf("%.1f %.1f\n", double(t.nsecsElapsed()) / 1e6, PeakMB());
    return 0;
}

// Child: adds the file in the window and shows it on the details page; prints "ms peakMB".
int ChildWindow(const QString& aFile)
{
    TFormWPVData form;
    QElapsedTimer t;
    t.start();
    form.AddFileByName(aFile);
    form.ListBox3->setCurrentRow(0);
    form.ListBox3Click();
    std::printf("%.1f %.1f\n", double(t.nsecsElapsed()) / 1e6, PeakMB());
    return 0;
}

bool RunChild(const QString& aMode, const QString& aFile, double& aMs, double& aMB)
{
    QProcess p;
    p.start(QCoreApplication::applicationFilePath(), {aMode, aFile});
    if (!p.waitForFinished(-1) || p.exitCode() != 0)
        return false;
    const QStringList parts = QString::fromUtf8(p.readAllStandardOutput()).trimmed().split(u' ');
    if (parts.size() != 2)
        return false;
    aMs = parts[0].toDouble();
    aMB = parts[1].toDouble();
    return true;
}

double TimeProcess(const QString& aProgram, const QStringList& aArgs)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(aProgram, aArgs);
    p.waitForFinished(-1);
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && (QByteArray(argv[1]) == "--child-load" || QByteArray(argv[1]) == "--child-analyse")) {
        QCoreApplication app(argc, argv);
        return ChildLoad(QString::fromLocal8Bit(argv[2]), QByteArray(argv[1]) == "--child-analyse");
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--child-window")
        return ChildWindow(QString::fromLocal8Bit(argv[2]));

    const QString build = QStringLiteral(TARNWELL_BUILD_DIR);
    QTemporaryDir dir;
    QString file = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (file.isEmpty()) {
        file = dir.filePath(QStringLiteral("million.txt"));
        const QString synth = build + QStringLiteral("/tarnwell-synth");
        if (!QFileInfo(synth).isExecutable()) {
            std::fprintf(stderr, "%s not built: pass a data file instead\n", qPrintable(synth));
            return 1;
        }
        // 100 steps of 10,000 rows: 1,000,000 data rows.
        QProcess::execute(synth, {"-o", file, "--seed", "7", "--steps", "100", "--rows", "10000", "--dt", "0.5"});
    }
    const double sizeMB = QFileInfo(file).size() / 1048576.0;
    std::printf("file: %s, %.1f MB\n", qPrintable(file), sizeMB);

    // Adding the file: the window against the bare load, alternating, three times each
    // (skipped when BENCH_CLICKS asks for the click timing alone).
    const bool clicksOnly = qEnvironmentVariableIsSet("BENCH_CLICKS");
    std::vector<double> load, analyse, window, loadMB, analyseMB, windowMB;
    for (int i = 0; i < 3 && !clicksOnly; ++i) {
        double ms = 0, mb = 0;
        if (RunChild(QStringLiteral("--child-load"), file, ms, mb)) {
            load.push_back(ms);
            loadMB.push_back(mb);
        }
        if (RunChild(QStringLiteral("--child-analyse"), file, ms, mb)) {
            analyse.push_back(ms);
            analyseMB.push_back(mb);
        }
        if (RunChild(QStringLiteral("--child-window"), file, ms, mb)) {
            window.push_back(ms);
            windowMB.push_back(mb);
        }
    }
    if (!clicksOnly && (load.empty() || analyse.empty() || window.empty())) {
        std::fprintf(stderr, "a child run failed\n");
        return 1;
    }
    if (!clicksOnly) {
    std::printf("add a file: bare load %.0f ms, load + analysis %.0f ms, window %.0f ms, ratio to the bare load "
                "%.2f (goal <= 1.5)\n",
                Median(load), Median(analyse), Median(window), Median(window) / Median(load));
    std::printf("peak memory: bare load %.0f MB, load + analysis %.0f MB, window %.0f MB = %.2f x file size "
                "(goal <= 3)\n",
                Median(loadMB), Median(analyseMB), Median(windowMB), Median(windowMB) / sizeMB);
    }

    // The window with the file, for the handler timings.
    TFormWPVData form;
    form.resize(1366, 768);
    form.AddFileByName(file);

    // ListBox1Click with every step selected, and the first paint of graph 1 (BENCH_CLICKS
    // repeats it more often, for a profiler).
    std::vector<double> click, handler;
    // BENCH_CLICKS=1 makes exactly one click (the first, into fresh memory), for a profiler.
    const int clicks = qEnvironmentVariableIntValue("BENCH_CLICKS") == 1 ? 1 : std::max(5, qEnvironmentVariableIntValue("BENCH_CLICKS"));
    for (int i = 0; i < clicks; ++i) {
        form.ListBox1->clearSelection();
        form.ListBox1Click();
        form.ListBox1->selectAll();
        form.QvGraph2D1->resize(1117, 738);
        QImage image(1117, 738, QImage::Format_ARGB32_Premultiplied);
        QElapsedTimer t;
        t.start();
        form.ListBox1Click();
        handler.push_back(double(t.nsecsElapsed()) / 1e6);
        {
            QPainter p(&image);
            form.QvGraph2D1->render(&p);
        }
        click.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::printf("ListBox1Click, all %d steps selected, with the first paint: %.1f ms (goal <= 150; the "
                "handler alone %.1f ms; the first time in the window, into fresh memory, %.1f ms)\n",
                form.ListBox1->count(), Median(click), Median(handler), click.front());
    if (qEnvironmentVariableIsSet("BENCH_CLICKS"))
        return 0;

    // One keystroke in an override edit with the file on the details page.
    form.ListBox3->setCurrentRow(0);
    form.ListBox3Click();
    form.show();
    QApplication::processEvents();
    // With the overrides in use, so that every keystroke changes the analysis and the table.
    form.CheckBoxOverrides->setChecked(true);
    form.QvDoubleEditVgp->setFocus();
    const QString before = form.Memo3->toPlainText();
    const double vgpBefore = form.QvDoubleEditVgp->Value();
    std::vector<double> key;
    for (int i = 0; i < 9; ++i) {
        QElapsedTimer t;
        t.start();
        const QString digit(QChar(u'1' + i % 9));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_1 + i % 9, Qt::NoModifier, digit);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_1 + i % 9, Qt::NoModifier, digit);
        QApplication::sendEvent(form.QvDoubleEditVgp, &press);
        QApplication::sendEvent(form.QvDoubleEditVgp, &release);
        key.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    // The keystrokes must have reached the handler: the value and the details text changed.
    const bool reached = form.QvDoubleEditVgp->Value() != vgpBefore && form.Memo3->toPlainText() != before;
    std::printf("keystroke in an override edit, details shown: %.1f ms (goal <= 30)%s\n", Median(key),
                reached ? "" : " - the keystrokes changed nothing: not measured");

    // --plot visualize against --details, as whole processes.
    const QString reader = build + QStringLiteral("/tarnwell-reader");
    if (QFileInfo(reader).isExecutable()) {
        std::vector<double> plot, details;
        const QString out = dir.filePath(QStringLiteral("plot.png"));
        for (int i = 0; i < 5; ++i) {
            details.push_back(TimeProcess(reader, {"--details", file}));
            plot.push_back(TimeProcess(reader, {"--plot", "visualize", file, "--out", out}));
        }
        std::printf("--plot visualize %.0f ms, --details %.0f ms, ratio %.2f (goal <= 1.5)\n", Median(plot),
                    Median(details), Median(plot) / Median(details));
    } else {
        std::printf("%s not built: --plot not measured\n", qPrintable(reader));
    }
    return 0;
}
