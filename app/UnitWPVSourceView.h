#pragma once
// The "Source file" view: the re-formatted text of every added file, one after the other.
//
// A read-only memo that keeps each file's raw text and formats only the lines it paints, so that
// a file of a million rows costs its bytes and a line index rather than a formatted copy of
// every line. The bytes are read in one allocation of the file's size (no growing buffer that
// holds two copies while it moves), on huge pages when the file is large.
#include "UnitWPVTextFile.h"

#include <QAbstractScrollArea>
#include <QString>

#include <memory>
#include <vector>

class QFile;

// One file's text as the view keeps it: its bytes (UTF-8 or Windows-1252; UTF-16 files are
// converted to UTF-8), the start of every line, and the encoding. Line ends and encoding follow
// the loader's rules: CR LF, LF or CR end a line, a final terminator starts no further line, a
// UTF-8 byte-order mark is dropped, and bytes that are not valid UTF-8 make the whole file
// Windows-1252. Made on any thread; used by one at a time.
class TWPVSourceText
{
public:
    // Reads the file; throws EWPVDataError when it cannot be read.
    explicit TWPVSourceText(const QString& aFileName);
    ~TWPVSourceText();
    TWPVSourceText(const TWPVSourceText&) = delete;
    TWPVSourceText& operator=(const TWPVSourceText&) = delete;

    qsizetype Count() const { return qsizetype(fStarts.size()); }
    // Line i decoded, TABs kept; empty when it does not exist.
    QString Line(qsizetype i) const;

private:
    // Reads the whole file into one buffer of its size; a file that grows while it is read is
    // read on into a larger buffer.
    void ReadAll(QFile& aFile, const QString& aFileName);
    // Grows the buffer to aCapacity bytes, keeping what it holds.
    void Reserve(std::size_t aCapacity);
    void Free() noexcept;
    // Replaces UTF-16 bytes (after their byte-order mark) by their UTF-8 text.
    void ConvertUtf16(bool aLittleEndian);
    void Index(std::size_t aFrom);

    char* fBytes = nullptr;
    std::size_t fSize = 0;
    std::size_t fCapacity = 0;
    std::vector<std::size_t> fStarts;
    TWPVLines fDecoder;
};

class TWPVSourceView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit TWPVSourceView(QWidget* aParent = nullptr);
    ~TWPVSourceView() override;

    // Appends the text of the file named aFileName; throws EWPVDataError when it cannot be read
    // (nothing is appended then).
    void AppendFile(const QString& aFileName);
    // The two halves of AppendFile: reading (on any thread) and appending what was read.
    static std::unique_ptr<TWPVSourceText> ReadFile(const QString& aFileName);
    void AppendText(std::unique_ptr<TWPVSourceText> aText);

    qsizetype LineCount() const { return fTotal; }
    // Line i as shown (fields re-formatted).
    QString LineText(qsizetype i) const;
    // The whole text, lines joined with LF (for small texts: tests and copying).
    QString Text() const;
    int LineHeight() const;
    // Index of the first line shown at the top.
    qsizetype TopLine() const;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    struct TSource
    {
        std::unique_ptr<TWPVSourceText> Lines;
        qsizetype First = 0; // index of its first line in the view
        qsizetype Count = 0;
    };
    void UpdateScrollBars();
    const TSource* SourceOf(qsizetype i) const;

    std::vector<TSource> fSources;
    qsizetype fTotal = 0;
    int fMaxChars = 0; // widest line seen so far, in characters
};
