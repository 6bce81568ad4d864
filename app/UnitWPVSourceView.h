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

class TWPVSourceText;

class TWPVSourceView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit TWPVSourceView(QWidget* aParent = nullptr);
    ~TWPVSourceView() override;

    // Appends the text of the file named aFileName; throws EWPVDataError when it cannot be read
    // (nothing is appended then).
    void AppendFile(const QString& aFileName);

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
