#include "UnitWPVPlot.h"

#include "QvGraph2D.h"
#include "UnitWPVApplication.h"
#include "UnitWPVExport.h"
#include "UnitWPVFileNames.h"
#include "UnitWPVReader.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <QTextStream>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool WPVParsePlotPage(const QString& aText, TWPVPlotPage& aPage)
{
    if (aText == QLatin1String("visualize"))
        aPage = TWPVPlotPage::Visualize;
    else if (aText == QLatin1String("compare"))
        aPage = TWPVPlotPage::Compare;
    else if (aText == QLatin1String("details"))
        aPage = TWPVPlotPage::Details;
    else
        return false;
    return true;
}

bool WPVParsePlotSelect(const QString& aText, std::optional<std::vector<int>>& aSelect)
{
    if (aText == QLatin1String("all")) {
        aSelect.reset();
        return true;
    }
    std::vector<int> items;
    for (const QString& part : aText.split(u',')) {
        bool ok = false;
        const int i = part.trimmed().toInt(&ok);
        if (!ok || i < 0)
            return false;
        items.push_back(i);
    }
    aSelect = items;
    return true;
}

bool WPVParsePlotSize(const QString& aText, QSize& aSize)
{
    const QStringList parts = aText.toLower().split(u'x');
    if (parts.size() != 2)
        return false;
    bool okW = false, okH = false;
    const int w = parts[0].toInt(&okW);
    const int h = parts[1].toInt(&okH);
    if (!okW || !okH || w < 1 || h < 1 || w > 20000 || h > 20000)
        return false;
    aSize = QSize(w, h);
    return true;
}

bool WPVIsPlotFileName(const QString& aFileName)
{
    const QString suffix = QFileInfo(aFileName).suffix().toLower();
    return suffix == QLatin1String("png") || suffix == QLatin1String("svg") || suffix == QLatin1String("pdf");
}

namespace {

[[noreturn]] void ThrowWriteError(const QString& aFileName, int aErrno)
{
    throw std::runtime_error(QStringLiteral("Cannot write \"%1\": %2.")
                                 .arg(WPVDisplayFileName(aFileName), QString::fromLocal8Bit(std::strerror(aErrno)))
                                 .toStdString());
}

// Writes all of aBytes to fd; 0 or the errno of the failure.
int WriteAll(int fd, const QByteArray& aBytes)
{
    const char* p = aBytes.constData();
    qsizetype left = aBytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, std::size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        p += n;
        left -= n;
    }
    return 0;
}

QListWidget* StepList(TFormWPVData& aForm, TWPVPlotPage aPage)
{
    return aPage == TWPVPlotPage::Visualize ? static_cast<QListWidget*>(aForm.ListBox1)
                                            : static_cast<QListWidget*>(aForm.ListBox2);
}

// The graphs of the figure with their places in a figure of aSize.
std::vector<std::pair<TQvGraph2D*, QRect>> FigureGraphs(TFormWPVData& aForm, TWPVPlotPage aPage, QSize aSize)
{
    if (aPage == TWPVPlotPage::Visualize)
        return {{aForm.QvGraph2D1, QRect(QPoint(0, 0), aSize)}};
    if (aPage == TWPVPlotPage::Compare)
        return {{aForm.QvGraph2D2, QRect(QPoint(0, 0), aSize)}};
    // The details graphs side by side, as the lower panel of the details page lays them out.
    aForm.Panel3Resize(aSize.width(), aSize.height());
    return {{aForm.QvGraph2D3, aForm.QvGraph2D3->geometry()},
            {aForm.QvGraph2D4, aForm.QvGraph2D4->geometry()},
            {aForm.QvGraph2D5, aForm.QvGraph2D5->geometry()}};
}

// Paints the figure with p (whose device is aSize logical pixels).
void PaintFigure(TFormWPVData& aForm, const TWPVPlotOptions& aOptions, QPainter& p)
{
    for (auto& [graph, place] : FigureGraphs(aForm, aOptions.Page, aOptions.Size)) {
        // The graph paints itself at the figure's size. QWidget::render() is not used: on a
        // window that is not shown it first lays the whole window out again, which puts the
        // graph back to the size of its hidden page.
        graph->resize(place.size());
        graph->Modified();
        p.save();
        p.translate(place.topLeft());
        p.setClipRect(QRect(QPoint(0, 0), place.size()));
        graph->PaintGr(p);
        p.restore();
    }
}

} // namespace

void WPVPreparePlot(TFormWPVData& aForm, const TWPVPlotOptions& aOptions, QStringList& aErrors)
{
    for (const QString& name : aOptions.Files) {
        try {
            aForm.AddFileByName(name);
        } catch (const std::exception& e) {
            aErrors << WPVExceptionMessage(e);
        }
    }
    if (aOptions.Page == TWPVPlotPage::Details) {
        if (aForm.ListBox3->count() == 0)
            return;
        aForm.ListBox3->setCurrentRow(0);
        aForm.ListBox3Click();
        return;
    }
    QListWidget* list = StepList(aForm, aOptions.Page);
    list->clearSelection();
    if (aOptions.Select) {
        for (int i : *aOptions.Select) {
            if (i >= list->count())
                throw EWPVUsageError(QStringLiteral("--select: there is no item %1 (the list has %2).")
                                         .arg(i)
                                         .arg(list->count()));
            list->setCurrentRow(i, QItemSelectionModel::Select);
        }
    } else if (list->count() > 0) {
        list->setCurrentRow(list->count() - 1, QItemSelectionModel::NoUpdate);
        list->selectAll();
    }
    if (aOptions.Page == TWPVPlotPage::Visualize)
        aForm.ListBox1Click();
    else
        aForm.ListBox2Click();
}

QImage WPVPlotImage(TFormWPVData& aForm, const TWPVPlotOptions& aOptions)
{
    QImage image(aOptions.Size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    PaintFigure(aForm, aOptions, p);
    p.end();
    return image;
}

void WPVWriteWholeFile(const QString& aFileName, const QByteArray& aBytes)
{
    const QByteArray name = WPVFileNameToBytes(aFileName);
    // A symbolic link is followed: the file it points to is replaced and the link stays.
    QByteArray target = name;
    if (char* resolved = ::realpath(name.constData(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    struct stat st;
    const bool exists = ::stat(target.constData(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        ThrowWriteError(aFileName, EISDIR);
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or a pipe cannot be replaced: written in place, every step checked.
        const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            ThrowWriteError(aFileName, errno);
        const int err = WriteAll(fd, aBytes);
        const int closed = ::close(fd) == 0 ? 0 : errno;
        if (err || closed)
            ThrowWriteError(aFileName, err ? err : closed);
        return;
    }
    // A temporary file beside the target, renamed over it once complete and on the disk.
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : (slash == 0 ? QByteArray("/") : target.left(slash));
    const QByteArray base = slash < 0 ? target : target.mid(slash + 1);
    QByteArray temp = folder + (folder.endsWith('/') ? "" : "/") + '.' + base + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        ThrowWriteError(aFileName, errno);
    // The new file gets the old one's permissions, or the usual ones for a new file (mkstemp
    // makes it private).
    mode_t mode = 0;
    if (exists) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    int err = ::fchmod(fd, mode) == 0 ? 0 : errno;
    if (!err)
        err = WriteAll(fd, aBytes);
    if (!err && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && !err)
        err = errno;
    if (!err && ::rename(temp.constData(), target.constData()) != 0)
        err = errno;
    if (err) {
        ::unlink(temp.constData());
        ThrowWriteError(aFileName, err);
    }
}

void WPVWritePlot(TFormWPVData& aForm, const TWPVPlotOptions& aOptions)
{
    const QString suffix = QFileInfo(aOptions.Out).suffix().toLower();
    const QString failed = QStringLiteral("Cannot draw the figure for \"%1\".").arg(WPVDisplayFileName(aOptions.Out));
    // The figure is made in memory and then written as a whole (WPVWriteWholeFile).
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (suffix == QLatin1String("png")) {
        if (!WPVPlotImage(aForm, aOptions).save(&buffer, "PNG"))
            throw std::runtime_error(failed.toStdString());
    } else if (suffix == QLatin1String("svg")) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(aOptions.Size);
        svg.setViewBox(QRect(QPoint(0, 0), aOptions.Size));
        svg.setTitle(QStringLiteral("Tarnwell reader"));
        QPainter p;
        if (!p.begin(&svg))
            throw std::runtime_error(failed.toStdString());
        PaintFigure(aForm, aOptions, p);
        p.end();
    } else if (suffix == QLatin1String("pdf")) {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(96);
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        // 96 dpi pixels on a page measured in points.
        pdf.setPageSize(QPageSize(QSizeF(aOptions.Size.width() * 0.75, aOptions.Size.height() * 0.75), QPageSize::Point));
        QPainter p;
        if (!p.begin(&pdf))
            throw std::runtime_error(failed.toStdString());
        PaintFigure(aForm, aOptions, p);
        p.end();
    } else {
        throw EWPVUsageError(
            QStringLiteral("--out needs a .png, .svg or .pdf file name: \"%1\".").arg(WPVDisplayFileName(aOptions.Out)));
    }
    buffer.close();
    WPVWriteWholeFile(aOptions.Out, bytes);
}

int WPVRunPlot(const TWPVPlotOptions& aOptions)
{
    QTextStream err(stderr);
    QStringList errors;
    if (!WPVIsPlotFileName(aOptions.Out)) {
        err << QStringLiteral("--out needs a .png, .svg or .pdf file name: \"%1\".").arg(WPVDisplayFileName(aOptions.Out))
            << '\n'
            << Qt::flush;
        return 2;
    }
    try {
        TFormWPVData form;
        form.setAttribute(Qt::WA_DontShowOnScreen);
        form.KeepSourceText = false;
        WPVPreparePlot(form, aOptions, errors);
        // Without any file there is no figure: the output file is not touched.
        if (form.Files().empty())
            errors << QStringLiteral("No file could be read: \"%1\" was not written.").arg(WPVDisplayFileName(aOptions.Out));
        else
            WPVWritePlot(form, aOptions);
    } catch (const EWPVUsageError& e) {
        err << WPVExceptionMessage(e) << '\n' << Qt::flush;
        return 2;
    } catch (const std::exception& e) {
        errors << WPVExceptionMessage(e);
    }
    for (const QString& e : errors)
        err << e << '\n';
    err << Qt::flush;
    return errors.isEmpty() ? 0 : 1;
}
