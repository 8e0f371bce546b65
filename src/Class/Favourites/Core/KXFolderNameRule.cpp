#include "Class/Favourites/Core/KXFolderNameRule.h"

KXFolderNameRule::Verdict KXFolderNameRule::check(const QString& name)
{
    // Blanks of any script (the ideographic space too) do not make a name.
    if (name.trimmed().isEmpty())
        return Verdict::Empty;
    if (name.size() >= kLimit)
        return Verdict::TooLong;
    return Verdict::Accepted;
}

QString KXFolderNameRule::message(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Empty:
        return QString::fromUtf8(kEmptyMessage);
    case Verdict::TooLong:
        return QString::fromUtf8(kTooLongMessage);
    case Verdict::Accepted:
        break;
    }
    return {};
}
