#include "catalogue/SampleRows.h"

#include "catalogue/TagVocabulary.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <ctime>
#include <map>
#include <random>

namespace catalogue {

namespace {

constexpr int64_t kEpoch2019 = 1546300800;   // 2019-01-01 UTC
constexpr int64_t kLatestMaking = 1764547200; // 2025-12-01 UTC

int partnerFor(const std::string& family)
{
    if (family.find("WenQuanYi") != std::string::npos)
        return 1;
    if (family.find("DejaVu") != std::string::npos)
        return 2;
    if (family.find("Free") != std::string::npos)
        return 3;
    if (family.find("Liberation") != std::string::npos)
        return 4;
    return 9;
}

std::string dateText(int64_t seconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[16];
    std::strftime(buf, sizeof buf, "%Y-%m-%d", &tm);
    return buf;
}

std::string displayName(const FontFace& face)
{
    const std::string chinese = SampleRows::chineseNameFor(face.family);
    if (!chinese.empty())
        return chinese;
    if (face.style == "Regular" || face.style == "Book")
        return face.family;
    return face.family + " " + face.style;
}

std::string fontInfoJson(const FontFace& face, int partner, int64_t made)
{
    QJsonObject info;
    info["designer"] = QString::fromStdString(partner == 1 ? "文泉驿社区" : face.family + " Project");
    info["provider"] = QString::fromStdString(TagVocabulary::brandName(partner));
    info["type_info"] = QString::fromStdString(face.hasCjk ? "黑体" : face.serif ? "衬线" : "无衬线");
    info["language"] = QString::fromStdString(face.hasCjk ? "中文" : "英文");
    info["made_time"] = QString::fromStdString(dateText(made));
    info["describe"] = QString::fromStdString(face.family + " " + face.style + "，自由授权字体。");
    return QJsonDocument(info).toJson(QJsonDocument::Compact).toStdString();
}

} // namespace

std::string SampleRows::chineseNameFor(const std::string& family)
{
    static const std::map<std::string, std::string> names = {
        {"WenQuanYi Micro Hei", "文泉驿微米黑"},
        {"WenQuanYi Micro Hei Mono", "文泉驿等宽微米黑"},
        {"WenQuanYi Zen Hei", "文泉驿正黑"},
        {"WenQuanYi Zen Hei Mono", "文泉驿等宽正黑"},
        {"WenQuanYi Zen Hei Sharp", "文泉驿点阵正黑"},
    };
    const auto it = names.find(family);
    return it == names.end() ? std::string() : it->second;
}

int SampleRows::weightCode(int weightClass)
{
    return std::clamp((weightClass + 50) / 100, 1, 8);
}

std::string SampleRows::archiveNameFor(const FontFace& face)
{
    return face.file.stem().string() + ".zip";
}

std::string SampleRows::newPreviewJson(const std::string& base, long long fontid)
{
    const std::string stem = base + "files/previews/" + std::to_string(fontid) + "_new_";
    QJsonObject pair;
    pair["image"] = QString::fromStdString(stem + "day.png");
    pair["night_image"] = QString::fromStdString(stem + "night.png");
    QJsonObject previews;
    previews["zh"] = pair;
    previews["eng"] = pair;
    return QJsonDocument(previews).toJson(QJsonDocument::Compact).toStdString();
}

std::vector<SampleFont> SampleRows::build(const std::vector<FontFace>& faces, const std::string& base)
{
    std::mt19937 random(20261206);
    std::vector<SampleFont> fonts;
    std::map<std::string, int64_t> perFamily;
    int64_t index = 0;
    for (const auto& face : faces) {
        SampleFont font;
        font.face = face;
        font.archiveName = archiveNameFor(face);
        CatalogueRow& r = font.row;
        r.fontid = kFirstFontId + index;
        const int partner = partnerFor(face.family);
        r.fontname = displayName(face);
        r.font_en_name = face.family + (face.style == "Regular" || face.style == "Book" ? "" : " " + face.style);
        r.keyword = r.fontname;
        const std::string id = std::to_string(r.fontid);
        r.image = base + "files/previews/" + id + "_day.png";
        r.night_image = base + "files/previews/" + id + "_night.png";
        r.show_img = r.image;
        r.download_url = base + "files/fonts/" + font.archiveName;
        r.ps_name = face.postScriptName;
        r.font_weight = weightCode(face.weightClass);
        r.type = face.hasCjk ? 1 : 2;
        r.partner_id = partner;
        if (face.hasCjk)
            r.language = ",1,";
        else if (partner == 4)
            r.language = ",2,";
        else
            r.language = ",1,2,";
        if (face.family.find("Zen Hei") != std::string::npos)
            r.codeid = 3;
        else if (face.hasCjk)
            r.codeid = 7;
        else
            r.codeid = partner == 4 ? 1 : partner == 3 ? 5 : 2;

        std::string style = face.monospace ? TagVocabulary::kStyleMono
                            : face.serif   ? TagVocabulary::kStyleSerif
                                           : TagVocabulary::kStyleSans;
        std::string use = face.monospace ? TagVocabulary::kUseScreen
                          : r.font_weight >= 6 ? TagVocabulary::kUseTitle
                                               : TagVocabulary::kUseBody;
        r.tags = "," + style + "," + use + "," +
                 (face.hasCjk ? TagVocabulary::kTypeChinese : TagVocabulary::kTypeLatin) + ",";
        if (partner == 3)
            r.tags += std::string(TagVocabulary::kTypeSymbol) + ",";
        if (r.font_weight >= 7)
            r.tags += std::string(TagVocabulary::kUsePoster) + ",";

        r.m_made_time = kEpoch2019 + static_cast<int64_t>(random() % static_cast<uint32_t>(kLatestMaking - kEpoch2019));
        r.time = r.m_made_time + 86400 * static_cast<int64_t>(random() % 60);
        // Popularity is heavy-tailed: a few fonts draw most of the use.
        const double u = std::uniform_real_distribution<double>(0.0, 1.0)(random);
        r.heat = static_cast<int64_t>(100000.0 * u * u * u);
        r.default_sort = (face.hasCjk ? 9000 : 5000) - index * 10;
        r.ser_name_take = perFamily[face.family]++;
        r.is_sell = index % 3 != 0 ? 1 : 0;
        r.has_info = index % 7 != 6 ? 1 : 0;
        r.is_3d = index % 11 == 5 ? 1 : 0;

        std::string marketing;
        if (r.heat > 30000 || index % 6 == 0)
            marketing += "m11,";
        if (r.m_made_time > kLatestMaking - 400 * 86400 || index % 5 == 1)
            marketing += "m5,";
        if (index % 4 == 2)
            marketing += "m4,";
        if (r.is_sell == 0)
            marketing += "m3,";
        r.marketing = marketing.empty() ? std::string() : "," + marketing;
        r.new_image = marketing.find("m5,") != std::string::npos ? newPreviewJson(base, r.fontid) : std::string();
        r.font_info = fontInfoJson(face, partner, r.m_made_time);
        fonts.push_back(std::move(font));
        ++index;
    }
    return fonts;
}

} // namespace catalogue
