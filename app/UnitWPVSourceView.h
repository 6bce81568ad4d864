#pragma once
// The "Source file" view: the re-formatted text of every added file, one after the other.
//
// A read-only memo that keeps each file's raw text and formats only what it paints, so that a
// file of a million rows costs its bytes and a line index rather than a formatted copy of every
// line, and a line of many megabytes costs only the characters in view. The bytes are those the
// loader read, in one allocation of the file's size.
#include "UnitWPVTextFile.h"

#include <QAbstractScrollArea>
#include <QString>

#include <memory>
#include <vector>

// One file's text as the view keeps it: the text the loader read (shared with it, so the two
// always agree) and the start of every line. Line ends and encoding are the loader's: CR LF, LF
// or CR end a line, a final terminator starts no further line. Made on any thread; used by one
// at a time.
class TWPVSourceText
{
public:
    // Reads the file; throws EWPVDataError when it cannot be read.
    explicit TWPVSourceText(const QString& aFileName);
    // The text of a file already read.
    explicit TWPVSourceText(std::shared_ptr<const TWPVText> aText);
    ~TWPVSourceText();
    TWPVSourceText(const TWPVSourceText&) = delete;
    TWPVSourceText& operator=(const TWPVSourceText&) = delete;

    qsizetype Count() const { return qsizetype(fStarts.size()); }
    // Line i as the file holds it (bytes in the text's encoding); empty when it does not exist.
    QByteArrayView RawLine(qsizetype i) const;
    // Line i decoded, TABs kept; empty when it does not exist.
    QString Line(qsizetype i) const;
    TWPVTextCodec Codec() const { return fText->Codec(); }

private:
    void Index();

    std::shared_ptr<const TWPVText> fText;
    std::vector<std::size_t> fStarts;
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
    // Characters [aFrom, aFrom + aCount) of line i as shown.
    QString LineText(qsizetype i, qsizetype aFrom, qsizetype aCount) const;
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
    qsizetype fMaxChars = 0; // widest line seen so far, in characters
};
