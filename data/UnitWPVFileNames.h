#pragma once
// File names as the system gives them. On Linux a file name is a string of bytes that need not
// be valid UTF-8 (files copied from old disks or archives carry Latin-1 names, for example).
// Qt turns such bytes into U+FFFD, after which the file can no longer be found by its name.
//
// These helpers keep every byte: valid UTF-8 reads as usual, and each byte of an invalid
// sequence becomes the lone surrogate U+DC00 + byte (U+DC80 ... U+DCFF), which no valid UTF-8
// text produces; converting back gives the very bytes. Names without such bytes are ordinary
// QStrings and every Qt file class takes them as they are.
#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>

class QFile;
class QUrl;

// The name for the bytes the system gave (a command-line argument, a directory entry).
QString WPVFileNameFromBytes(QByteArrayView aBytes);
// The bytes of a name made by WPVFileNameFromBytes (UTF-8 for an ordinary name).
QByteArray WPVFileNameToBytes(const QString& aName);
// True when aName holds bytes that are not UTF-8: Qt's file classes cannot open it by name.
bool WPVFileNameHasRawBytes(const QString& aName);
// The name for messages: each raw byte shown as U+FFFD.
QString WPVDisplayFileName(const QString& aName);
// The local file a file URL names, its percent-encoded bytes kept (QUrl::toLocalFile decodes
// them as UTF-8 and loses the others). Empty for a URL that is not a local file.
QString WPVLocalFileOfUrl(const QUrl& aUrl);

// Opens aFile on the file named aName (raw bytes included) with aMode, which must be a reading
// mode. Returns an empty text when the file is open, else the reason it is not.
QString WPVOpenFile(QFile& aFile, const QString& aName, QIODevice::OpenMode aMode);
