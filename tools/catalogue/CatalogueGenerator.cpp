#include "catalogue/CatalogueGenerator.h"

#include "catalogue/CatalogueAssets.h"
#include "catalogue/CataloguePlaceholder.h"
#include "catalogue/CatalogueWriter.h"
#include "catalogue/PreviewFormats.h"
#include "catalogue/SyntheticRows.h"
#include "catalogue/ZipWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <fstream>
#include <set>

namespace catalogue {

namespace fs = std::filesystem;

namespace {

QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

// The 22 columns a partial data package carries, keyed as the merge expects them.
QJsonObject packageRow(const CatalogueRow& r)
{
    QJsonObject o;
    o["fontid"] = static_cast<qint64>(r.fontid);
    o["fontname"] = q(r.fontname);
    o["image"] = q(r.image);
    o["night_image"] = q(r.night_image);
    o["download_url"] = q(r.download_url);
    o["time"] = static_cast<qint64>(r.time);
    o["heat"] = static_cast<qint64>(r.heat);
    o["ps_name"] = q(r.ps_name);
    o["font_weight"] = r.font_weight;
    o["type"] = r.type;
    o["language"] = q(r.language);
    o["tags"] = q(r.tags);
    o["show_img"] = q(r.show_img);
    o["codeid"] = r.codeid;
    o["default_sort"] = static_cast<qint64>(r.default_sort);
    o["partner_id"] = r.partner_id;
    o["ser_name_take"] = static_cast<qint64>(r.ser_name_take);
    o["m_made_time"] = static_cast<qint64>(r.m_made_time);
    o["font_en_name"] = q(r.font_en_name);
    o["new_image"] = q(r.new_image);
    o["is_sell"] = r.is_sell;
    o["has_info"] = r.has_info;
    return o;
}

std::vector<std::string> keywordsFor(const std::vector<SampleFont>& fonts, size_t rows)
{
    std::vector<std::string> words = {"黑体", "宋体", "圆体", "楷体", "等宽", "衬线", "无衬线", "粗体",
                                      "细体", "微米黑", "正黑", "文泉驿", "标题", "正文", "海报",
                                      "Sans", "Serif", "Mono", "Bold", "Italic", "DejaVu", "Liberation",
                                      "FreeFont"};
    std::set<std::string> seen(words.begin(), words.end());
    for (const auto& f : fonts)
        if (seen.insert(f.row.fontname).second)
            words.push_back(f.row.fontname);
    if (rows >= SyntheticRows::kKeywordRowsThreshold)
        for (auto& word : SyntheticRows::keywords())
            if (seen.insert(word).second)
                words.push_back(std::move(word));
    return words;
}

std::vector<VipRule> vipRulesFor(const std::vector<SampleFont>& fonts)
{
    std::string first, second;
    for (size_t i = 0; i < fonts.size(); ++i) {
        std::string& rule = fonts[i].face.hasCjk ? first : second;
        if (rule.size() < 40)
            rule += (rule.empty() ? "" : ",") + std::to_string(fonts[i].row.fontid);
    }
    return {{"1", first, "VIP 会员：精选中文字体优先展示，全部字体商用授权九折。"},
            {"2", second + (first.empty() ? "" : "," + first), "年度 VIP：全部字体优先下载，商用授权八折。"}};
}

// The partial package updates two rows and adds two, so a merge both updates and inserts.
std::vector<CatalogueRow> partialRows(const std::vector<SampleFont>& fonts)
{
    std::vector<CatalogueRow> rows;
    for (size_t i = 0; i < fonts.size() && i < 2; ++i) {
        CatalogueRow r = fonts[i].row;
        r.heat += 5000;
        r.default_sort += 500;
        rows.push_back(r);
    }
    for (size_t i = 0; i < 2 && !fonts.empty(); ++i) {
        CatalogueRow r = fonts[i == 0 ? 0 : fonts.size() - 1].row;
        r.fontid = CatalogueGenerator::kPartialNewIds[i];
        r.fontname += i == 0 ? " 新版" : " Updated";
        r.keyword = r.fontname;
        r.new_image = SampleRows::newPreviewJson(std::string(kPlaceholderBase), fonts[i == 0 ? 0 : fonts.size() - 1].row.fontid);
        rows.push_back(r);
    }
    return rows;
}

bool writeCatalogue(const fs::path& path, const std::vector<CatalogueRow>& rows,
                    const std::vector<SampleFont>& fonts, std::string* error)
{
    auto writer = CatalogueWriter::create(path, error);
    if (!writer)
        return false;
    if (!writer->addRows(rows) || !writer->addKeywords(keywordsFor(fonts, rows.size())) ||
        !writer->addVipRules(vipRulesFor(fonts))) {
        if (error)
            *error = "cannot fill " + path.string();
        return false;
    }
    return writer->commit(error);
}

// The update package: a Debian package that installs a README, built by dpkg-deb from a staging
// folder beside it, with fixed times so that every generation makes the same bytes.
bool writeUpdatePackage(const fs::path& target, std::string* error)
{
    const fs::path staging = target.parent_path() / ".deb-staging";
    std::error_code ec;
    fs::remove_all(staging, ec);
    fs::create_directories(staging / "DEBIAN", ec);
    fs::create_directories(staging / "usr/share/doc/corvane-fonts", ec);
    const std::string version = CatalogueGenerator::kUpdateVersion;
    std::ofstream(staging / "DEBIAN/control") << "Package: corvane-fonts\n"
                                                 "Version: " << version << "\n"
                                                 "Architecture: amd64\n"
                                                 "Maintainer: Corvane local service <service@localhost>\n"
                                                 "Section: fonts\n"
                                                 "Priority: optional\n"
                                                 "Description: Corvane Fonts (sample update package of the local service)\n"
                                                 " Installs only this package's README; it stands for a client update in tests and demos.\n";
    std::ofstream(staging / "usr/share/doc/corvane-fonts/README") << "Corvane Fonts " << version << " update package for the local service.\n";
    for (const fs::path& folder : {staging, staging / "DEBIAN", staging / "usr", staging / "usr/share", staging / "usr/share/doc",
                                   staging / "usr/share/doc/corvane-fonts"})
        fs::permissions(folder, fs::perms(0755), ec);

    QProcess dpkg;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("SOURCE_DATE_EPOCH", "1767225600");
    dpkg.setProcessEnvironment(environment);
    dpkg.start("dpkg-deb", {"--root-owner-group", "-Zgzip", "--build", QString::fromStdString(staging.string()),
                            QString::fromStdString(target.string())});
    const bool finished = dpkg.waitForFinished(60000);
    const bool ok = finished && dpkg.exitStatus() == QProcess::NormalExit && dpkg.exitCode() == 0;
    if (!ok && error)
        *error = "dpkg-deb could not build " + target.string() + ": " + dpkg.readAllStandardError().toStdString() + dpkg.errorString().toStdString();
    fs::remove_all(staging, ec);
    return ok;
}

bool writePackages(const std::vector<SampleFont>& fonts, const fs::path& filesDir, std::string* error)
{
    const auto partial = partialRows(fonts);
    QJsonArray array;
    for (const auto& r : partial)
        array.append(packageRow(r));
    ZipWriter partialZip;
    partialZip.addBytes("fonts.txt", QJsonDocument(array).toJson(QJsonDocument::Indented).toStdString());
    if (!partialZip.writeTo(filesDir / "packages" / "partial.zip", error))
        return false;

    std::vector<CatalogueRow> full;
    for (const auto& f : fonts)
        full.push_back(f.row);
    for (const auto& r : partial) {
        bool replaced = false;
        for (auto& existing : full)
            if (existing.fontid == r.fontid) {
                existing = r;
                replaced = true;
            }
        if (!replaced)
            full.push_back(r);
    }
    const fs::path fullDb = filesDir / "packages" / "full-fonts.sqlite";
    if (!writeCatalogue(fullDb, full, fonts, error))
        return false;
    ZipWriter fullZip;
    fullZip.addFile("fonts.sqlite", fullDb);
    const bool ok = fullZip.writeTo(filesDir / "packages" / "full.zip", error);
    std::error_code ec;
    fs::remove(fullDb, ec);
    if (!ok)
        return false;

    return writeUpdatePackage(filesDir / "update" / CatalogueGenerator::kUpdatePackageName, error);
}

bool writeManifest(const fs::path& path, const std::vector<SampleFont>& fonts, size_t rows, std::string* error)
{
    QJsonObject manifest;
    manifest["placeholder"] = q(std::string(kPlaceholderBase));
    manifest["rows"] = static_cast<qint64>(rows);
    manifest["sample_rows"] = static_cast<qint64>(fonts.size());
    manifest["partial_data_version"] = CatalogueGenerator::kPartialDataVersion;
    manifest["full_data_version"] = CatalogueGenerator::kFullDataVersion;
    manifest["update_version"] = CatalogueGenerator::kUpdateVersion;
    manifest["update_package"] = CatalogueGenerator::kUpdatePackageName;
    QJsonObject byId, byArchive;
    for (const auto& f : fonts) {
        QJsonObject face;
        face["file"] = q(f.face.file.string());
        face["face"] = f.face.faceIndex;
        face["archive"] = q(f.archiveName);
        byId[QString::number(f.row.fontid)] = face;
        if (!byArchive.contains(q(f.archiveName)))
            byArchive[q(f.archiveName)] = face;
    }
    manifest["fonts"] = byId;
    manifest["archives"] = byArchive;
    const fs::path temporary = path.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << QJsonDocument(manifest).toJson(QJsonDocument::Indented).toStdString();
        if (!out) {
            if (error)
                *error = "cannot write " + path.string();
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temporary, path, ec);
    return !ec;
}

} // namespace

std::vector<fs::path> CatalogueGenerator::defaultFontFolders()
{
    return {"/usr/share/fonts/truetype/wqy", "/usr/share/fonts/truetype/dejavu",
            "/usr/share/fonts/truetype/liberation2", "/usr/share/fonts/truetype/freefont"};
}

bool CatalogueGenerator::generate(const Options& options, std::string* error)
{
    const auto faces = FontScanner::scan(options.fontFolders);
    if (faces.empty()) {
        if (error)
            *error = "no fonts found in the font folders";
        return false;
    }
    const auto fonts = SampleRows::build(faces, std::string(kPlaceholderBase));
    std::vector<CatalogueRow> rows;
    for (const auto& f : fonts)
        rows.push_back(f.row);
    if (options.rows > rows.size()) {
        auto synthetic = SyntheticRows::build(fonts, options.rows - rows.size(),
                                              options.renderPreviews ? std::string(kPlaceholderBase) : std::string());
        rows.insert(rows.end(), std::make_move_iterator(synthetic.begin()), std::make_move_iterator(synthetic.end()));
    }
    std::error_code ec;
    fs::create_directories(options.outDir, ec);
    if (!writeCatalogue(options.outDir / "fonts.sqlite", rows, fonts, error))
        return false;
    if (options.assets) {
        const fs::path files = options.outDir / "service-files";
        if (!CatalogueAssets::writeArchives(fonts, files / "fonts", error) ||
            !CatalogueAssets::writePreviews(fonts, files / "previews", error) ||
            !PreviewFormats::write(fonts, files, error) ||
            !CatalogueAssets::writePictures(files, error) || !writePackages(fonts, files, error))
            return false;
    }
    return writeManifest(options.outDir / "catalogue.json", fonts, rows.size(), error);
}

} // namespace catalogue
