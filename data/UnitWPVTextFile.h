#pragma once
// Reading a text file once, whole, and finding its lines.
//
// A file is read once into one buffer (TWPVText) that the loader and the "Source file" text
// share, so the two always see the same bytes, and pipes and FIFOs work as well as files.
// Decoding is decided for the whole text before any line is decoded: a byte-order mark selects
// UTF-8, UTF-16 LE or UTF-16 BE (UTF-16 is converted to UTF-8); without one the text is UTF-8
// when all of it is valid UTF-8, else Windows-1252. The bytes stay as read (UTF-8 or
// Windows-1252, both ASCII-compatible, so that the data rows are split and converted without
// decoding them); lines are decoded on demand. Lines end at CR LF, LF or CR; a final line
// terminator does not start another line.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstddef>
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

// The text of one file as read: its bytes after any byte-order mark, and their encoding.
// Immutable once made (but see Discard), so that any number of threads may read it.
class TWPVText
{
public:
    ~TWPVText();
    TWPVText(const TWPVText&) = delete;
    TWPVText& operator=(const TWPVText&) = delete;

    // Reads the whole file. Throws EWPVDataError naming the file when it cannot be opened or
    // read, when it is a device or a folder rather than a file, or when it does not fit in
    // memory. Regular files, pipes and FIFOs are read the same way, once.
    static std::shared_ptr<TWPVText> Read(const QString& aFileName);
    // The same rules on bytes in memory (one allocation of their size, no file).
    static std::shared_ptr<TWPVText> FromBytes(QByteArrayView aBytes);
    // Text given as a string (stored as UTF-8).
    static std::shared_ptr<TWPVText> FromString(const QString& aText);

    const char* Data() const { return fBytes; }
    std::size_t Size() const { return fSize; }
    QByteArrayView Bytes() const { return QByteArrayView(fBytes, qsizetype(fSize)); }
    TWPVTextCodec Codec() const { return fCodec; }

    // Decodes bytes of this text, with every TAB removed when aRemoveTabs.
    QString Decode(QByteArrayView aBytes, bool aRemoveTabs = true) const;

    // Gives the memory of the whole pages within [aFrom, aTo) back to the system. For a reader
    // that owns the text alone and is done with those bytes: they read as zeros afterwards.
    void Discard(std::size_t aFrom, std::size_t aTo) const;

private:
    TWPVText() = default;
    void Allocate(std::size_t aCapacity);
    void Grow(std::size_t aCapacity);
    void Free() noexcept;
    void ReadAll(class QFile& aFile, const QString& aFileName, bool aRegular);
    // Byte-order mark, UTF-16 conversion and the encoding of the rest.
    void Classify();

    char* fBuffer = nullptr;    // the allocation
    std::size_t fCapacity = 0;
    char* fBytes = nullptr;     // the text within it (after a UTF-8 byte-order mark)
    std::size_t fSize = 0;
    TWPVTextCodec fCodec = TWPVTextCodec::Utf8;
};

// The lines of a text, indexed as far as they are asked for (the loader looks at the first few
// hundred lines of a file and walks its data block by itself).
class TWPVLines
{
public:
    TWPVLines();
    explicit TWPVLines(std::shared_ptr<const TWPVText> aText);
    ~TWPVLines();
    TWPVLines(TWPVLines&&) noexcept;
    TWPVLines& operator=(TWPVLines&&) noexcept;

    // Reads the whole file (TWPVText::Read). Throws EWPVDataError.
    static TWPVLines FromFile(const QString& aFileName);
    // From bytes in memory, decoded by the same rules as a file.
    static TWPVLines FromBytes(QByteArrayView aBytes);
    // From text (stored as UTF-8).
    static TWPVLines FromText(const QString& aText);

    const std::shared_ptr<const TWPVText>& Text() const { return fText; }
    // The encoding of the whole text.
    TWPVTextCodec Codec() const { return fText->Codec(); }

    // True when line i exists (indexes up to it).
    bool HasLine(qsizetype i);
    // Number of lines (indexes the whole text).
    qsizetype Count();
    // Line i as stored (TABs included); empty when it does not exist.
    QByteArrayView RawLine(qsizetype i);
    // Offset of line i in the text (the text's size when it does not exist).
    std::size_t LineStart(qsizetype i);
    // Line i decoded, with every TAB removed when aRemoveTabs.
    QString Line(qsizetype i, bool aRemoveTabs = true);
    // Decodes bytes of this text.
    QString Decode(QByteArrayView aBytes, bool aRemoveTabs = true) const { return fText->Decode(aBytes, aRemoveTabs); }
    // True when line i, with its TABs removed, equals aText (ASCII) exactly.
    bool LineEquals(qsizetype i, QByteArrayView aText);
    // Index of the first line from aFrom on that equals aText (TABs removed); -1 when none.
    qsizetype Find(QByteArrayView aText, qsizetype aFrom = 0);

private:
    void IndexUpTo(qsizetype i);

    std::shared_ptr<const TWPVText> fText;
    std::vector<std::size_t> fStarts; // start offsets of the lines indexed so far
    std::size_t fScan = 0;            // where indexing goes on
};

// Finds the end of the line that starts at p (the first CR or LF, or aEnd) and the start of the
// next line after its terminator. Each byte is looked at once.
const char* WPVLineEnd(const char* p, const char* aEnd);
const char* WPVNextLine(const char* aLineEnd, const char* aEnd);

// The character of a Windows-1252 byte.
char16_t WPVWindows1252(unsigned char c);

// True when the bytes are valid UTF-8.
bool WPVIsValidUtf8(const char* p, std::size_t n);

// Removes leading and trailing characters of code 32 or below.
QString WPVTrim(const QString& s);
QByteArrayView WPVTrim(QByteArrayView s);

// The file as decoded text lines, TABs kept.
QStringList ReadTextLines(const QString& aFileName);
