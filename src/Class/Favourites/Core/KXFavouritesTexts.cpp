#include "Class/Favourites/Core/KXFavouritesTexts.h"

#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/String.h"

#include <algorithm>

namespace {

QString qs(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// A count shown as received; nil (a record without the key) shows 0.
QString count(const foundation::Id& value)
{
    return value.isNil() ? QStringLiteral("0") : KXFavouritesTexts::plain(value);
}

} // namespace

namespace KXFavouritesTexts {

QString plain(const foundation::Id& value)
{
    if (value.isNil() || value.isNull())
        return {};
    return qs(foundation::format("%@", value));
}

KXHighlightedText folderCountHeader(std::size_t folders)
{
    KXHighlightedText header;
    header.text = qs(foundation::format("已创建%zd个收藏夹", folders));
    header.location = 3;
    header.length = header.text.size() - 7;
    return header;
}

KXHighlightedText fontCount(const foundation::Id& fontNum)
{
    KXHighlightedText text;
    text.text = QStringLiteral("共") + count(fontNum) + QStringLiteral("款");
    text.location = 1;
    text.length = text.text.size() - 2;
    return text;
}

QString fontsInList(const foundation::Id& fonts)
{
    return qs(foundation::format("共%zd款", fonts.array() ? fonts.count() : std::size_t(0)));
}

QString visits(const foundation::Id& value)
{
    return value.integerValue() < 10000 ? count(value) : QStringLiteral("9999+");
}

QString followers(const foundation::Id& value)
{
    return value.integerValue() < 100 ? count(value) : QStringLiteral("99+");
}

QString date(const foundation::Id& addTime)
{
    const QString text = plain(addTime);
    return text.size() < 10 ? QString() : text.left(10);
}

QString collectionFacts(const foundation::Id& record, int followShift)
{
    const foundation::Id followers = record["follow_num"];
    const QString follows = followShift == 0
        ? count(followers)
        : QString::number(std::max(0LL, followers.integerValue() + followShift));
    return QStringLiteral("字体 %1 · 关注 %2 · 浏览 %3")
        .arg(count(record["font_num"]), follows, count(record["visits"]));
}

} // namespace KXFavouritesTexts
