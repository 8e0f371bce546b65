#include "Class/FontList/Core/KXRowLook.h"

#include "Class/ServiceCore/Transport/KXAccountState.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Serialization/JSONSerialization.h"
#include "Platform/Storage/UserDefaults.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <unordered_map>

using foundation::Id;
using foundation::Ref;

namespace {

bool has(const Ref<foundation::String>& text)
{
    return text && !text->utf8().empty();
}

std::string_view textOf(const Ref<foundation::String>& text)
{
    return text ? std::string_view(text->utf8()) : std::string_view();
}

// The language parts of one isnew_imgage text, parsed once: rows repaint often and many records
// share a text.
struct NewImage {
    bool isDictionary = false;
    std::string zhImage, zhNight, engImage, engNight;
};

const NewImage& parsedNewImage(const Ref<foundation::String>& text)
{
    static std::unordered_map<std::string, NewImage> cache;
    if (const auto known = cache.find(text->utf8()); known != cache.end())
        return known->second;
    if (cache.size() >= 1024)
        cache.clear();
    NewImage parsed;
    const Id dictionary = KXRowLook::jsonstrToDicWithJStr(text);
    if (dictionary.is<foundation::Dictionary>()) {
        parsed.isDictionary = true;
        parsed.zhImage = dictionary["zh"]["image"].stringValue();
        parsed.zhNight = dictionary["zh"]["night_image"].stringValue();
        parsed.engImage = dictionary["eng"]["image"].stringValue();
        parsed.engNight = dictionary["eng"]["night_image"].stringValue();
    }
    return cache.emplace(text->utf8(), std::move(parsed)).first->second;
}

} // namespace

Id KXRowLook::jsonstrToDicWithJStr(const Ref<foundation::String>& text)
{
    if (!text)
        return {};
    Ref<foundation::Error> error;
    const Id object = foundation::JSONSerialization::JSONObjectWithData(text->dataUsingUTF8Encoding(),
                                                                       foundation::JSONReadingMutableContainers, &error);
    if (error) {
        std::fprintf(stderr, "%s\n", foundation::format("json解析失败：%@", Id(error)).c_str());
        return {};
    }
    return object;
}

std::string KXRowLook::previewURL(const KXFontBaseModel& record, unsigned long long rowCellType, bool isNight,
                                  bool isEnLanguage)
{
    std::string url(textOf(rowCellType == kRowCellTypeFixedImage || isNight ? record.image : record.night_image));
    if (has(record.isnew_imgage)) {
        const NewImage& parts = parsedNewImage(record.isnew_imgage);
        if (parts.isDictionary) {
            if (isEnLanguage)
                url = isNight ? parts.engImage : parts.engNight;
            else
                url = isNight ? parts.zhImage : parts.zhNight;
        }
    }
    return url;
}

double KXRowLook::cellHeight(const KXFontBaseModel& record, unsigned long long rowCellType)
{
    return rowCellType == kRowCellTypeFixedImage ? 30.0 : record.cellHeight;
}

std::vector<std::string> KXRowLook::marketingTags(std::string_view marketing)
{
    std::vector<std::string> tags;
    const Ref<foundation::String> text = foundation::String::create(marketing);
    if (text->length() < 3)
        return tags;
    const auto inner = text->substringWithRange({1, text->length() - 2});
    const auto parts = inner->componentsSeparatedByString(",");
    for (const Id& tag : *parts)
        tags.push_back(tag.stringValue());
    return tags;
}

KXRowBadges KXRowLook::badges(const KXFontBaseModel& record)
{
    KXRowBadges badges;
    const Ref<foundation::String>& marketing = record.marketing;
    badges.marketingTooShort = !marketing || marketing->length() < 3;
    if (!badges.marketingTooShort) {
        // Rows ask on every paint: plain ASCII texts (every server code) are split in place.
        std::vector<std::string> owned;
        std::vector<std::string_view> tags;
        if (marketing->isASCII()) {
            std::string_view inner(marketing->utf8());
            inner = inner.substr(1, inner.size() - 2);
            for (std::size_t start = 0;;) {
                const std::size_t comma = inner.find(',', start);
                tags.push_back(inner.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
                if (comma == std::string_view::npos)
                    break;
                start = comma + 1;
            }
        } else {
            owned = marketingTags(marketing->utf8());
            tags.assign(owned.begin(), owned.end());
        }
        auto holds = [&tags](std::string_view tag) { return std::find(tags.begin(), tags.end(), tag) != tags.end(); };
        badges.newest = holds("m5");
        badges.free = holds("m3");
        badges.hot = holds("m11");
        badges.heartbeat = holds("m4");
    }
    badges.gbk = record.fontname && record.fontname->containsString("GBK");
    badges.threeD = record.is_3d;
    return badges;
}

KXRowMarks KXRowLook::marks(const KXFontBaseModel& record)
{
    KXRowMarks marks;
    marks.installedMark = record.isLocalFont;
    marks.titleIndented = record.isLocalFont;
    marks.showsLocalName = record.cellType == kRecordCellTypeLocal;
    marks.showsFavourite = !marks.showsLocalName;
    marks.favouriteActive = record.isCollected;
    return marks;
}

std::string KXRowLook::localName(const KXFontBaseModel& record)
{
    return has(record.localTitle) ? record.localTitle->utf8() : std::string(textOf(record.fontname));
}

double KXRowLook::localNamePointSize(const KXFontBaseModel& record)
{
    return record.cellHeight / 1.2;
}

bool KXRowLook::titleKeepsColourOnHover(const KXFontBaseModel& record)
{
    return record.cellType == kRecordCellTypeLocal || (record.marketing && record.marketing->containsString("m3"));
}

long long KXRowLook::ringPercent(double progress)
{
    return std::llround(static_cast<float>(progress * 100.0));
}

std::string KXRowLook::ringText(double progress)
{
    return foundation::format("%zd%%", static_cast<long>(ringPercent(progress)));
}

bool KXRowLook::isLicenceLinkArrival(const KXFontBaseModel& record)
{
    return record.progress == static_cast<double>(kLicenceLinkProgress) &&
           !(record.marketing && record.marketing->containsString("m3"));
}

std::string KXRowLook::licenceURL(foundation::UserDefaults& defaults)
{
    const auto url = defaults.stringForKey("brand_license");
    return url ? url->utf8() : std::string();
}

std::string KXRowLook::heartbeatURL(foundation::UserDefaults& defaults)
{
    const bool signedIn = KXAccountState::stateIn(defaults) == KXAccountState::State::SignedIn;
    const auto url = defaults.stringForKey(signedIn ? "my_heartbeat_url" : "heartbeat_url");
    return url ? url->utf8() : std::string();
}

void KXRowLook::countActivation(foundation::MutableArray& activation, int fontid)
{
    bool matched = false;
    for (std::size_t i = 0; i < activation.count(); ++i) {
        const Id entry = activation.objectAtIndex(i);
        if (!entry.is<foundation::Dictionary>() || entry["fid"].integerValue() != fontid)
            continue;
        matched = true;
        const auto counted = entry.mutableCopy().as<foundation::MutableDictionary>();
        counted->setObject(Id(foundation::format("%zd", static_cast<long>(entry["num"].integerValue() + 1))), Id("num"));
        activation.replaceObjectAtIndex(i, Id(counted));
    }
    if (!matched)
        activation.addObject(Id(foundation::MutableDictionary::create(
            {{Id("fid"), Id(foundation::format("%d", fontid))}, {Id("num"), Id("1")}})));
}
