#include "Class/Favourites/Core/KXCollectionFonts.h"

#include "Class/ServiceCore/Catalogue/KXCatalogueStatement.h"
#include "Class/ServiceCore/Catalogue/KXFilterData.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Lib/ModelMapping/MMKeyValue.h"

using foundation::Id;
using foundation::MutableArray;

foundation::Ref<MutableArray> KXCollectionFonts::records(const Id& fonts)
{
    const auto list = fonts.array();
    if (!list || list->empty())
        return MutableArray::create();
    if (list->firstObject().dictionary()) {
        const auto mapped = mm::mm_objectArrayWithKeyValuesArray(KXFontBaseModel::classObject(), fonts);
        return mapped ? mapped : MutableArray::create();
    }
    return KXFilterData().recentDataWithIDs(KXCatalogueStatement::joinIds(KXCatalogueStatement::idsOfArray(list.get())));
}
