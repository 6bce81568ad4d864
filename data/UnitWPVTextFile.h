#pragma once
// Reading a text file as a list of lines, the way the instrument's files need it.
//
// Decoding: a byte-order mark selects UTF-8, UTF-16 LE or UTF-16 BE; without one the bytes are
// UTF-8 when they are valid UTF-8, else Windows-1252. Lines end at CR LF, LF or CR; a final line
// terminator does not start another line.
//
// The lines are kept as bytes (UTF-8 or Windows-1252, both ASCII-compatible, so that the data
// rows can be split and converted without decoding them); Line() decodes one line on demand.
// A file is read as far as its lines are asked for, and a loader can stream through the data
// block with TWPVLineStream without keeping it in memory or indexing a million lines.
#include "UnitWPVMemory.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <limits>
#include <memory>
#include <stdexcept>
#include <vector>

enum class TWPVTextCodec { Utf8, Windows1252 };

// Errors of reading and loading a data file; what() is UTF-8.
class EWPVDataError : public std::runtime_error
{
public:
    explicit EWPVDataError(const QString& aMessage);
    QString Message() const { return QString::fromUtf8(what()); }
};

class TWPVLineStream;

class TWPVLines
{
public:
    TWPVLines();
    ~TWPVLines();
    TWPVLines(TWPVLines&&) noexcept;
    TWPVLines& operator=(TWPVLines&&) noexcept;

    // Opens the file; its text is read as far as it is asked for. Throws EWPVDataError when the
    // file cannot be opened or read (also later, while lines are read).
    static TWPVLines FromFile(const QString& aFileName);
    // From bytes in memory, decoded by the same rules as a file.
    static TWPVLines FromBytes(QByteArray aBytes);
    // From text (stored as UTF-8).
    static TWPVLines FromText(const QString& aText);

    // The encoding. For a file without a byte-order mark this is Utf8 as long as every byte
    // read so far is valid UTF-8; it is final once the whole text has been read.
    TWPVTextCodec Codec() const { return fCodec; }
    // True when the whole text has been read.
    bool AtEnd() const { return fEof; }

    // True when line i exists (reads and indexes up to it).
    bool HasLine(qsizetype i);
    // Number of lines (reads and indexes the whole text).
    qsizetype Count();
    // Line i as stored (TABs included); empty when it does not exist.
    QByteArrayView RawLine(qsizetype i);
    // Line i decoded, with every TAB removed when aRemoveTabs.
    QString Line(qsizetype i, bool aRemoveTabs = true);
    // Decodes bytes of this text.
    QString Decode(QByteArrayView aBytes, bool aRemoveTabs = true) const;
    // True when line i, with its TABs removed, equals aText (ASCII) exactly.
    bool LineEquals(qsizetype i, QByteArrayView aText);
    // Index of the first line from aFrom on that equals aText (TABs removed); -1 when none.
    qsizetype Find(QByteArrayView aText, qsizetype aFrom = 0);

private:
    friend class TWPVLineStream;
    struct TSource;
    void Classify();
    bool ReadMore();                 // appends a chunk of the file to fData; false at the end
    std::size_t ReadChunk(char* aTo, std::size_t aMax); // reads from the file; 0 at the end
    void Validate(const char* b, const char* e);
    void IndexUpTo(qsizetype i);

    std::unique_ptr<TSource> fSource; // the open file while it is being read
    std::vector<char> fData;          // the text read so far (after a byte-order mark)
    std::size_t fValidated = 0;       // bytes of fData checked for UTF-8
    TWPVTextCodec fCodec = TWPVTextCodec::Utf8;
    bool fCheckUtf8 = true;           // no byte-order mark: the bytes decide
    bool fEof = true;
    std::vector<std::size_t> fStarts; // start offsets of the lines indexed so far
    std::size_t fScan = 0;            // where indexing goes on
    bool fDetached = false;           // a stream has read on: no more lines can be indexed
};

// Reads the lines from one line to the end of the text once, in order, without keeping them:
// the loader's way through a large data block. Once the stream has read beyond what the text
// object holds, the text object indexes no further lines (the lines it holds stay readable).
class TWPVLineStream
{
public:
    TWPVLineStream(TWPVLines& aLines, qsizetype aFirst);
    // The next line (valid until the following call) and its index; false at the end.
    bool Next(QByteArrayView& aLine, qsizetype& aIndex);

private:
    TWPVLines& fLines;
    qsizetype fIndex;
    bool fInRetained = true;    // still walking the text that TWPVLines keeps
    std::size_t fPos = 0;       // position in the retained text or in fChunk
    TWPVLargeVector<char> fChunk; // text read beyond the retained part
    std::size_t fChunkLen = 0;
    bool fChunkEof = false;
};

// Finds the end of the line that starts at p (the first CR or LF, or aEnd) and the start of the
// next line after its terminator.
const char* WPVLineEnd(const char* p, const char* aEnd);
const char* WPVNextLine(const char* aLineEnd, const char* aEnd);

// True when the bytes are valid UTF-8.
bool WPVIsValidUtf8(const char* p, std::size_t n);

// Removes leading and trailing characters of code 32 or below.
QString WPVTrim(const QString& s);
QByteArrayView WPVTrim(QByteArrayView s);

// The file as decoded text lines (for the "Source file" view and its export), TABs kept.
QStringList ReadTextLines(const QString& aFileName);
