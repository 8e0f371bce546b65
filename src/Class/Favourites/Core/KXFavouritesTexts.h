#pragma once

#include "Platform/Foundation/Object.h"

#include <QColor>
#include <QString>

// A label's text with one highlighted range: the number inside a sentence, drawn in the highlight
// colour at the highlight size. The range counts UTF-16 code units, as QString indexes do.
struct KXHighlightedText {
    static constexpr int kHighlightPoints = 18;
    static QColor highlightColor() { return QColor(62, 62, 62); }

    QString text;
    qsizetype location = 0;
    qsizetype length = 0;

    QString highlighted() const { return text.mid(location, length); }
    friend bool operator==(const KXHighlightedText&, const KXHighlightedText&) = default;
};

// The texts the folder and collection pages build from server values. Server values are shown as
// received ("%@"); a missing count shows 0. Any thread.
namespace KXFavouritesTexts {

// "已创建%zd个收藏夹", the number highlighted.
KXHighlightedText folderCountHeader(std::size_t folders);
// "共%@款" of a folder's "font_num", the number highlighted.
KXHighlightedText fontCount(const foundation::Id& fontNum);
// "共%zd款" with the number of elements of "fonts".
QString fontsInList(const foundation::Id& fonts);
// A card's visits: the value below 10000, else "9999+".
QString visits(const foundation::Id& visits);
// A card's followers: the value below 100, else "99+".
QString followers(const foundation::Id& followers);
// The first 10 characters of "add_time"; "" when it is shorter.
QString date(const foundation::Id& addTime);
// "字体 %@ · 关注 %@ · 浏览 %@" of a collection record. `followShift` is the user's own follow (1)
// or unfollow (-1) made since the record was read; the count moves by it, never below 0.
QString collectionFacts(const foundation::Id& record, int followShift = 0);
// A server value as plain text ("%@"): numbers as numbers, texts as they are, nil as "".
QString plain(const foundation::Id& value);

} // namespace KXFavouritesTexts
