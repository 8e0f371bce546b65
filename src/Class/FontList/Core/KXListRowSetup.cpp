#include "Class/FontList/Core/KXListRowSetup.h"

#include "Class/FontList/Core/KXDownloadedFontMap.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"

void KXListRowSetup::prepare(KXFontBaseModel& record, long long mode, double previewSize, KXDownloadedFontMap& fontMap)
{
    static const KXFontRowRoadPolicy list = KXFontRowRoadPolicy::fontList();
    prepare(record, list, mode, previewSize, fontMap);
}

void KXListRowSetup::prepare(KXFontBaseModel& record, const KXFontRowRoadPolicy& policy, long long mode, double rowHeight,
                             KXDownloadedFontMap& fontMap)
{
    using CellHeight = KXFontRowRoadPolicy::CellHeight;
    using CellType = KXFontRowRoadPolicy::CellType;
    if (policy.cellHeight == CellHeight::ThirdOfRowHeight)
        record.cellHeight = static_cast<double>(static_cast<float>(rowHeight) / 3.0f);
    else if (policy.cellHeight == CellHeight::Fixed)
        record.cellHeight = policy.fixedCellHeight;
    record.isCollected = false;
    record.isLocalFont = false;
    if (policy.cellType == CellType::Catalogue)
        record.cellType = 1;
    if (const auto path = fontMap.pathForFontname(record.fontname ? std::string_view(record.fontname->utf8()) : std::string_view())) {
        record.ttfPath = path;
        if (policy.cellType == CellType::ModeOfTab && mode == kModeLocalFonts) {
            record.cellType = 2;
        } else {
            record.isLocalFont = true;
            if (policy.cellType == CellType::ModeOfTab)
                record.cellType = static_cast<unsigned long long>(mode);
        }
    }
    record.isCollected = KXUserCenterConfig::sharedKXUserCenterConfig().isCollected(record.fontid);
    if (policy.cellType == CellType::ModeOfTab && mode == kModeLocalFonts)
        record.cellType = 2;
}
