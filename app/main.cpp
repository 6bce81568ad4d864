// Start-up: the command-line export, or the window with the given files added.
#include "RunWindow.h"
#include "TarnwellVersion.h"
#include "UnitWPVApplication.h"
#include "UnitWPVPlot.h"
#include "UnitWPVExport.h"
#include "UnitWPVConvert.h"
#include "UnitWPVFileNames.h"
#include "UnitWPVParameters.h"
#include "UnitWPVSession.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// Options that produce text only and need no display.
bool IsTextOnly(int argc, char** argv)
{
    static const char* const textOptions[] = {"--details", "--steps", "--source", "--help", "-h", "--help-all",
                                              "--version", "-v"};
    for (int i = 1; i < argc; ++i)
        for (const char* o : textOptions)
            if (std::strcmp(argv[i], o) == 0 || (std::strncmp(argv[i], o, std::strlen(o)) == 0 && argv[i][std::strlen(o)] == '='))
                return true;
    return false;
}

bool HasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

int UsageError(const QCommandLineParser& parser, const QString& message)
{
    QTextStream err(stderr);
    err << message << "\n\n" << parser.helpText() << Qt::flush;
    return 2;
}

int ReportErrors(const QStringList& errors)
{
    QTextStream err(stderr);
    for (const QString& e : errors)
        err << e << '\n';
    err << Qt::flush;
    return errors.isEmpty() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    // A file-size limit makes a write fail (and be reported) instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // Text exports run without a display; the window needs a GUI application.
    const bool textOnly = IsTextOnly(argc, argv);
    // Figures are drawn by the window's graphs: they need a GUI application, on the offscreen
    // platform when there is no display.
    bool plot = false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--plot") == 0 || std::strncmp(argv[i], "--plot=", 7) == 0)
            plot = true;
    if (plot && !textOnly && !HasDisplay())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app;
    if (textOnly || !HasDisplay())
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<TWPVApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarnwell-reader"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARNWELL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reads the data files of the Tarnwell titration-cell program: shows them in a window, "
                       "or prints what the window would show."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption details(QStringLiteral("details"),
                                     QStringLiteral("Print the details page for FILE (added as file 1 and selected)."));
    const QCommandLineOption steps(QStringLiteral("steps"), QStringLiteral("Print the step list of the files."));
    const QCommandLineOption source(QStringLiteral("source"), QStringLiteral("Print the \"Source file\" text of the files."));
    const QCommandLineOption startSet(QStringLiteral("start-set"), QStringLiteral("Start set of the details table."),
                                      QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption columns(QStringLiteral("columns"),
                                     QStringLiteral("Columns of the details table: all, none or NAME,NAME,..."),
                                     QStringLiteral("COLUMNS"));
    const QCommandLineOption override_(QStringLiteral("override"),
                                       QStringLiteral("Use a custom value (turns the overrides on); VAR is one of Vhpws, "
                                                      "Vgp, Tl, RCDuration, BS, BOx, MZero, Alpha, FGpO2."),
                                       QStringLiteral("VAR=VALUE"));
    const QCommandLineOption strip(QStringLiteral("strip"),
                                   QStringLiteral("Remove every blank from the details text (as copying it does)."));
    parser.addOptions({details, steps, source, startSet, columns, override_, strip});
    const QCommandLineOption plotPage(QStringLiteral("plot"),
                                      QStringLiteral("Write the graph of a page for the FILEs added in order: visualize, "
                                                     "compare or details (the three detail graphs of the first file)."),
                                      QStringLiteral("PAGE"));
    const QCommandLineOption plotSelect(QStringLiteral("select"),
                                        QStringLiteral("Items of the page's step list to select: all, or I,J,... "
                                                       "(0-based, in list order). Default: all."),
                                        QStringLiteral("ITEMS"), QStringLiteral("all"));
    const QCommandLineOption plotOut(QStringLiteral("out"), QStringLiteral("Figure file: .png, .svg or .pdf."),
                                     QStringLiteral("PATH"), QStringLiteral("plot.png"));
    const QCommandLineOption plotSize(QStringLiteral("size"), QStringLiteral("Figure size in pixels."),
                                      QStringLiteral("WxH"), QStringLiteral("1117x738"));
    parser.addOptions({plotPage, plotSelect, plotOut, plotSize});
    const QCommandLineOption noSettings(QStringLiteral("no-settings"),
                                        QStringLiteral("Start with the default window and keep nothing of this run "
                                                       "(as TARNWELL_NO_SETTINGS=1 does)."));
    parser.addOption(noSettings);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Tarnwell data files."), QStringLiteral("FILE..."));

    // The arguments as the system gave them: a file name that is not UTF-8 keeps its bytes
    // (QCoreApplication::arguments() would turn them into U+FFFD, and the file would not open).
    // The application object has already taken out its own options.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << WPVFileNameFromBytes(QByteArrayView(argv[i]));
    if (!parser.parse(arguments))
        return UsageError(parser, parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << parser.helpText() << Qt::flush;
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        QTextStream(stdout) << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion()
                            << '\n'
                            << Qt::flush;
        return 0;
    }

    if (parser.isSet(noSettings))
        WPVDisableSettings();
    const QStringList files = parser.positionalArguments();
    const int exports = int(parser.isSet(details)) + int(parser.isSet(steps)) + int(parser.isSet(source))
        + int(parser.isSet(plotPage));
    if (exports > 1)
        return UsageError(parser, QStringLiteral("Choose one of --details, --steps, --source and --plot."));
    const bool plotOptions = parser.isSet(plotSelect) || parser.isSet(plotOut) || parser.isSet(plotSize);
    if (plotOptions && !parser.isSet(plotPage))
        return UsageError(parser, QStringLiteral("--select, --out and --size need --plot."));
    // Every option is checked before the first file is read: a mistake shows at once, not after
    // loading a large file.
    const bool detailOptions = parser.isSet(startSet) || parser.isSet(columns) || parser.isSet(override_)
        || parser.isSet(strip);
    if (detailOptions && !parser.isSet(details))
        return UsageError(parser, QStringLiteral("--start-set, --columns, --override and --strip need --details."));
    if (parser.isSet(plotPage)) {
        TWPVPlotOptions options;
        if (!WPVParsePlotPage(parser.value(plotPage), options.Page))
            return UsageError(parser, QStringLiteral("--plot takes visualize, compare or details."));
        if (!WPVParsePlotSelect(parser.value(plotSelect), options.Select))
            return UsageError(parser, QStringLiteral("--select takes all or I,J,... (0-based item numbers)."));
        if (!WPVParsePlotSize(parser.value(plotSize), options.Size))
            return UsageError(parser, QStringLiteral("--size takes WxH, for example 1117x738."));
        if (!WPVIsPlotFileName(parser.value(plotOut)))
            return UsageError(parser, QStringLiteral("--out needs a .png, .svg or .pdf file name: \"%1\".")
                                          .arg(WPVDisplayFileName(parser.value(plotOut))));
        if (files.isEmpty())
            return UsageError(parser, QStringLiteral("No FILE given."));
        options.Files = files;
        options.Out = parser.value(plotOut);
        return WPVRunPlot(options);
    }
    QTextStream out(stdout);
    try {
        if (parser.isSet(details)) {
            if (files.size() != 1)
                return UsageError(parser, QStringLiteral("--details takes exactly one FILE."));
            TDetailsExportOptions options;
            bool ok = false;
            options.StartSet = parser.value(startSet).toInt(&ok);
            if (!ok)
                return UsageError(parser, QStringLiteral("--start-set needs an integer."));
            if (parser.isSet(columns)) {
                const QString value = parser.value(columns);
                options.Columns = value.isEmpty() ? QStringList() : value.split(u',');
            }
            for (const QString& o : parser.values(override_)) {
                const qsizetype eq = o.indexOf(u'=');
                double value = 0;
                TOverrideValues known;
                // The number must fit the single-precision variables it overrides.
                if (eq <= 0 || !WPVStrToFloat(o.mid(eq + 1), value))
                    return UsageError(parser, QStringLiteral("--override needs VAR=VALUE with a number within "
                                                             "the single-precision range: \"%1\".")
                                                  .arg(o));
                if (!SetOverrideValue(known, o.left(eq), value))
                    return UsageError(parser, QStringLiteral("Unknown override variable \"%1\".").arg(o.left(eq)));
                options.Overrides.emplace_back(o.left(eq), value);
            }
            // An unknown column name is refused before the file is read.
            ColumnsForExport(options.Columns);
            options.Strip = parser.isSet(strip);
            out << ExportDetails(files[0], options) << Qt::flush;
            return 0;
        }
        if (parser.isSet(steps) || parser.isSet(source)) {
            if (files.isEmpty())
                return UsageError(parser, QStringLiteral("No FILE given."));
            QStringList errors;
            if (parser.isSet(steps))
                ExportSteps(files, out, errors);
            else
                ExportSource(files, out, errors);
            out << Qt::flush;
            return ReportErrors(errors);
        }
    } catch (const EWPVUsageError& e) {
        return UsageError(parser, QString::fromUtf8(e.what()));
    } catch (const std::exception& e) {
        return ReportErrors({QString::fromUtf8(e.what())});
    }

    if (!HasDisplay()) {
        // No display to open the window on: print what the details page would show instead.
        QTextStream(stderr) << "No display: printing the details of the files instead of opening the window.\n"
                            << Qt::flush;
        QStringList errors;
        for (const QString& file : files) {
            try {
                out << ExportDetails(file, TDetailsExportOptions()) << Qt::flush;
            } catch (const std::exception& e) {
                errors << QString::fromUtf8(e.what());
            }
        }
        return ReportErrors(errors);
    }
    return RunWindow(static_cast<QApplication&>(*app), files);
}
