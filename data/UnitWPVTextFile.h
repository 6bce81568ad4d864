#pragma once
// Reading a text file as a list of lines, the way the instrument's files need it.
//
// Decoding: a byte-order mark selects UTF-8, UTF-16 LE or UTF-16 BE; without one the bytes are
// UTF-8 when they are valid UTF-8, else Windows-1252. Lines end at CR LF, LF or CR; a final line
// terminator does not start another line.
//
// The lines are kept as bytes (UTF-8 or Windows-1252, both ASCII-compatible, so that the data
// rows can be split and converted without decoding them); Line() decodes one line on demand.
// Lines are indexed lazily, as far as they are asked for, so that a loader that streams through
// the data block never builds an index of a million lines.
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

class TWPVLines
{
public:
    TWPVLines();
    ~TWPVLines();
    TWPVLines(TWPVLines&&) noexcept;
    TWPVLines& operator=(TWPVLines&&) noexcept;

    // Reads the whole file; throws EWPVDataError when it cannot be opened or read.
    static TWPVLines FromFile(const QString& aFileName);
    // From bytes in memory, decoded by the same rules as a file.
    static TWPVLines FromBytes(QByteArray aBytes);
    // From text (stored as UTF-8).
    static TWPVLines FromText(const QString& aText);

    TWPVTextCodec Codec() const { return fCodec; }

    // True when line i exists (indexes up to it).
    bool HasLine(qsizetype i);
    // Number of lines (indexes the whole text).
    qsizetype Count();
    // Line i as stored (TABs included); i must exist.
    QByteArrayView RawLine(qsizetype i);
    // Line i decoded, with every TAB removed when aRemoveTabs.
    QString Line(qsizetype i, bool aRemoveTabs = true);
    // Decodes bytes of this text.
    QString Decode(QByteArrayView aBytes, bool aRemoveTabs = true) const;
    // True when line i, with its TABs removed, equals aText (ASCII) exactly.
    bool LineEquals(qsizetype i, QByteArrayView aText);
    // Index of the first line from aFrom on that equals aText (TABs removed); -1 when none.
    qsizetype Find(QByteArrayView aText, qsizetype aFrom = 0);

    // Streaming access for long blocks: the text from the start of line i to the end.
    const char* Begin();
    const char* End();
    const char* LineBegin(qsizetype i);
    // With streaming on (the loader's own use), Release gives back the memory of the text
    // before aUpTo, which must not be read again; without it Release does nothing.
    void SetStreaming(bool aOn);
    void Release(const char* aUpTo);

private:
    struct TBuffer;
    void Classify();
    void IndexUpTo(qsizetype i);

    std::unique_ptr<TBuffer> fBuffer;
    TWPVTextCodec fCodec = TWPVTextCodec::Utf8;
    std::vector<std::size_t> fStarts; // start offsets of the lines indexed so far
    std::size_t fScan = 0;            // where indexing goes on
    bool fScanDone = false;
    bool fStreaming = false;
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
