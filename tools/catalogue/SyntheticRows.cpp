#include "catalogue/SyntheticRows.h"

#include "catalogue/TagVocabulary.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace catalogue {

namespace {

constexpr std::array<const char*, 8> kChinesePrefix = {"云墨", "青禾", "星河", "松风", "晨曦", "墨韵", "远山", "清溪"};
constexpr std::array<const char*, 8> kChinesePrefixLatin = {"Yunmo", "Qinghe", "Xinghe", "Songfeng", "Chenxi", "Moyun", "Yuanshan", "Qingxi"};
constexpr std::array<const char*, 7> kChineseStyle = {"黑", "宋", "圆", "楷", "隶", "明", "仿宋"};
constexpr std::array<const char*, 7> kChineseStyleLatin = {"Hei", "Song", "Yuan", "Kai", "Li", "Ming", "FangSong"};
constexpr std::array<const char*, 8> kLatinPrefix = {"Corva", "Lumen", "Harbor", "Northwind", "Meridian", "Quill", "Atlas", "Vesper"};
constexpr std::array<const char*, 6> kLatinStyle = {"Sans", "Serif", "Grotesk", "Mono", "Slab", "Display"};
constexpr std::array<const char*, 8> kWeightZh = {"极细", "纤细", "细", "常规", "中", "半粗", "粗", "特粗"};
constexpr std::array<const char*, 8> kWeightEn = {"Thin", "ExtraLight", "Light", "Regular", "Medium", "SemiBold", "Bold", "Heavy"};

constexpr std::array<const char*, 10> kUseZh = {"标题", "正文", "海报", "包装", "屏显", "广告", "书籍", "品牌", "电商", "影视"};
constexpr std::array<const char*, 10> kUseEn = {"Headline", "Body", "Poster", "Packaging", "Screen", "Advert", "Book", "Brand", "Commerce", "Film"};

const SampleFont* pickSample(const std::vector<SampleFont>& samples, bool chinese, size_t n)
{
    std::vector<const SampleFont*> matching;
    for (const auto& s : samples)
        if (s.face.hasCjk == chinese)
            matching.push_back(&s);
    if (matching.empty())
        return samples.empty() ? nullptr : &samples[n % samples.size()];
    return matching[n % matching.size()];
}

int weightFrom(std::mt19937& random)
{
    // Most families ship a regular cut; the extremes are rarer.
    static const std::discrete_distribution<int> weights({3, 5, 10, 30, 15, 12, 18, 7});
    auto dist = weights;
    return dist(random) + 1;
}

} // namespace

std::vector<std::string> SyntheticRows::keywords()
{
    std::vector<std::string> words;
    auto add = [&words](std::string word) { words.push_back(std::move(word)); };
    for (size_t family = 0; family < kChinesePrefix.size(); ++family) {
        add(kChinesePrefix[family]);
        add(kChinesePrefixLatin[family]);
        add(kLatinPrefix[family]);
        for (size_t style = 0; style < kChineseStyle.size(); ++style) {
            const std::string zh = std::string(kChinesePrefix[family]) + kChineseStyle[style] + "体";
            const std::string latin = std::string(kChinesePrefixLatin[family]) + kChineseStyleLatin[style];
            add(zh);
            add(latin);
            for (size_t use = 0; use < kUseZh.size(); ++use) {
                add(zh + kUseZh[use]);
                add(latin + " " + kUseEn[use]);
            }
        }
        for (size_t style = 0; style < kLatinStyle.size(); ++style) {
            const std::string latin = std::string(kLatinPrefix[family]) + " " + kLatinStyle[style];
            add(latin);
            for (const char* use : kUseEn)
                add(latin + " " + use);
        }
        for (size_t use = 0; use < kUseZh.size(); ++use) {
            add(std::string(kChinesePrefix[family]) + kUseZh[use]);
            add(std::string(kLatinPrefix[family]) + " " + kUseEn[use]);
        }
    }
    for (const auto& brand : TagVocabulary::brands()) {
        add(brand.name);
        for (size_t use = 0; use < kUseZh.size(); ++use) {
            add(brand.name + " " + kUseZh[use]);
            add(brand.name + " " + kUseEn[use]);
        }
    }
    for (size_t style = 0; style < kChineseStyle.size(); ++style)
        add(std::string(kChineseStyle[style]) + "体");
    for (const char* style : kLatinStyle)
        add(style);
    for (size_t weight = 0; weight < kWeightZh.size(); ++weight) {
        add(kWeightZh[weight]);
        add(kWeightEn[weight]);
    }
    for (size_t use = 0; use < kUseZh.size(); ++use) {
        add(kUseZh[use]);
        add(kUseEn[use]);
    }
    return words;
}

std::vector<CatalogueRow> SyntheticRows::build(const std::vector<SampleFont>& samples, size_t count, const std::string& renderBase)
{
    std::vector<CatalogueRow> rows;
    rows.reserve(count);
    std::mt19937 random(100000);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (size_t n = 0; n < count; ++n) {
        CatalogueRow r;
        r.fontid = kFirstFontId + static_cast<int64_t>(n);
        const double langRoll = unit(random);
        const bool chinese = langRoll < 0.7;
        r.language = langRoll < 0.6 ? ",1," : langRoll < 0.7 ? ",1,2," : ",2,";
        const SampleFont* sample = pickSample(samples, chinese, n);
        r.font_weight = weightFrom(random);
        const size_t family = random() % 8;
        if (chinese) {
            const size_t style = random() % kChineseStyle.size();
            r.fontname = std::string(kChinesePrefix[family]) + kChineseStyle[style] + "体 " +
                         kWeightZh[static_cast<size_t>(r.font_weight - 1)];
            r.font_en_name = std::string(kChinesePrefixLatin[family]) + kChineseStyleLatin[style] + " " +
                             kWeightEn[static_cast<size_t>(r.font_weight - 1)];
            r.tags = "," + std::to_string(101 + style % 5) + "," + std::to_string(201 + random() % 5) + ",301,";
            r.type = 1;
        } else {
            const size_t style = random() % kLatinStyle.size();
            r.fontname = std::string(kLatinPrefix[family]) + " " + kLatinStyle[style] + " " +
                         kWeightEn[static_cast<size_t>(r.font_weight - 1)];
            r.font_en_name = r.fontname;
            r.tags = "," + std::to_string(style == 3 ? 106 : style == 1 ? 102 : 101) + "," +
                     std::to_string(201 + random() % 5) + ",302,";
            r.type = 2;
        }
        r.keyword = r.fontname;
        r.ps_name = r.font_en_name;
        for (auto& c : r.ps_name)
            if (c == ' ')
                c = '-';
        r.ps_name += "-" + std::to_string(r.fontid);
        if (sample) {
            r.image = sample->row.image;
            r.night_image = sample->row.night_image;
            r.show_img = sample->row.show_img;
            r.download_url = sample->row.download_url;
        }
        if (!renderBase.empty()) {
            const std::string rendered = renderBase + "files/render/" + std::to_string(r.fontid) + "/";
            r.image = rendered + "day.png";
            r.night_image = rendered + "night.png";
        }
        const double codeRoll = unit(random);
        r.codeid = codeRoll < 0.25 ? 3 : codeRoll < 0.40 ? 7 : codeRoll < 0.7 ? 1 : codeRoll < 0.9 ? 2 : 5;
        r.partner_id = static_cast<int>(1 + random() % TagVocabulary::brands().size());
        r.m_made_time = 1262304000 + static_cast<int64_t>(random() % 504000000u); // 2010 to 2025
        r.time = r.m_made_time + 86400 * static_cast<int64_t>(random() % 90);
        // A long tail: most fonts are rarely used, a few very often.
        const double u = unit(random);
        r.heat = std::min<int64_t>(100000, static_cast<int64_t>(20.0 * std::pow(1.0 - u, -1.2)) - 20);
        r.default_sort = static_cast<int64_t>(random() % 10000);
        r.ser_name_take = r.font_weight;
        r.is_sell = unit(random) < 0.4 ? 1 : 0;
        r.has_info = unit(random) < 0.8 ? 1 : 0;
        r.is_3d = unit(random) < 0.02 ? 1 : 0;
        std::string marketing;
        if (r.heat > 2000)
            marketing += "m11,";
        if (r.m_made_time > 1735689600)
            marketing += "m5,";
        if (unit(random) < 0.05)
            marketing += "m4,";
        if (r.is_sell == 0 && unit(random) < 0.5)
            marketing += "m3,";
        r.marketing = marketing.empty() ? std::string() : "," + marketing;
        rows.push_back(std::move(r));
    }
    return rows;
}

} // namespace catalogue
