#pragma once
// Paths of files that tests read: samples/ and tests/ of the source tree.
#include <QString>

inline QString SourcePath(const QString& relative)
{
    return QStringLiteral(TARNWELL_SOURCE_DIR "/") + relative;
}
