#pragma once
// Saving and restoring the published settings of chart components (axes, graphs and what they
// own) in four forms: a binary stream, a file, an XML element and an INI section.
//
// A component's settings are its stored Q_PROPERTYs. Sub-objects it owns (fonts, style records,
// zoom settings) are nested maps; properties that refer to other components (a master axis, the
// primary axes) are kept as full names and resolved again when read. Reading applies only the
// keys that are present, through the ordinary setters, so a reader of an older or partial record
// keeps its own values for the rest and every change goes through the undo stack as usual.

#include <QString>
#include <QVariantMap>

#include <functional>
#include <stdexcept>

class QDataStream;
class QIODevice;
class QSettings;
class QXmlStreamReader;
class QXmlStreamWriter;
class TQvUndoStack;

class EQvPersistenceError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

#include <QObject>

// The stored, readable properties of O declared below the class Since (so QObject's objectName
// and, for a widget, QWidget's geometry, palette and so on are not settings of a chart part).
QVariantMap QvWritePublished(const QObject* O, const QMetaObject* Since = &QObject::staticMetaObject);
// Applies the keys of M to O's writable properties declared below Since; Skip (may be empty)
// names keys to leave out.
void QvReadPublished(QObject* O, const QVariantMap& M, const std::function<bool(const QString&)>& Skip = {},
                     const QMetaObject* Since = &QObject::staticMetaObject);

// Raises EQvPersistenceError when M holds a value that no setter of O may see (an enumeration
// value that names no enumerator, a number that is not finite), also in owned sub-objects' maps.
// QvReadPublished runs it before it changes anything.
void QvCheckPublished(const QObject* O, const QVariantMap& M, const QMetaObject* Since = &QObject::staticMetaObject);

// The four forms of a settings map. Stream and file: a tagged, versioned binary record; a record
// of another kind or a damaged one raises EQvPersistenceError and leaves nothing half-read
// (the map is returned only when whole). INI: nested maps become sub-groups. XML: one element
// named Tag with one child element per key, nested maps as nested elements; the value's type is
// kept in a "type" attribute so that numbers and booleans come back as such.
void QvWriteMap(QIODevice& Stream, const QString& Kind, const QVariantMap& M);
QVariantMap QvReadMap(QIODevice& Stream, const QString& Kind);
// Reads a map written with QDataStream's operator<< (settings types only: numbers, booleans,
// texts, text lists, variant lists, colours and nested maps, at most 32 deep). A damaged or
// truncated record raises EQvPersistenceError naming What; no count is trusted ahead of data.
QVariantMap QvReadVariantMap(QDataStream& S, const QString& What);
void QvWriteMapFile(const QString& FileName, const QString& Kind, const QVariantMap& M);
QVariantMap QvReadMapFile(const QString& FileName, const QString& Kind);
void QvWriteMap(QSettings& Ini, const QString& Section, const QVariantMap& M);
QVariantMap QvReadMap(QSettings& Ini, const QString& Section);
void QvWriteMap(QXmlStreamWriter& Xml, const QString& Tag, const QVariantMap& M);
// Reads the element the reader stands on (or the next start element).
QVariantMap QvReadMap(QXmlStreamReader& Xml);

// QSettings decodes an INI value "@Variant(...)" with QDataStream's unrestricted readers. Call
// this before reading a section from an INI file: it decodes every such value of the section
// with the restricted reader above and raises EQvPersistenceError for one that does not pass.
void QvCheckIniSection(QSettings& Ini, const QString& Section);

// Runs Body as one undo step of Undo (may be null); the group is closed also when Body throws.
void QvAsOneUndoStep(TQvUndoStack* Undo, const QString& Comment, const std::function<void()>& Body);
