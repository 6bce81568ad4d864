#include "UnitStringSpacer.h"

QString PadToWidth(int aWidth, const QString& aText, bool aRightAlign)
{
    if (aWidth <= 0)
        return QString();
    if (aRightAlign) {
        if (aText.size() >= aWidth)
            return aText.right(aWidth);
        return QString(aWidth - aText.size(), u' ') + aText;
    }
    if (aText.size() >= aWidth)
        return aText.left(aWidth);
    return aText + QString(aWidth - aText.size(), u' ');
}
