#include "Class/Store/Core/KXAttributedText.h"

KXTextAttributes KXAttributedText::attributesAt(std::size_t index) const
{
    KXTextAttributes result;
    for (const KXTextRange& range : ranges) {
        if (index < range.location || index >= range.location + range.length)
            continue;
        if (range.attributes.systemFontSize)
            result.systemFontSize = range.attributes.systemFontSize;
        if (range.attributes.color)
            result.color = range.attributes.color;
        result.strikethrough = result.strikethrough || range.attributes.strikethrough;
    }
    return result;
}
