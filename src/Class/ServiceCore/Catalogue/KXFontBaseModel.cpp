#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"

#include "Platform/Runtime/ClassBuilder.h"


const foundation::Class* KXFontBaseModel::classObject()
{
    using M = KXFontBaseModel;
    static const foundation::Class* cls = runtime::ClassBuilder<M>("KXFontBaseModel")
                                              .property("download_url", &M::download_url)
                                              .property("ttfPath", &M::ttfPath)
                                              .property("fontname", &M::fontname)
                                              .property("localTitle", &M::localTitle)
                                              .property("image", &M::image)
                                              .property("night_image", &M::night_image)
                                              .property("ps_name", &M::ps_name)
                                              .property("tags", &M::tags)
                                              .property("nav_tag", &M::nav_tag)
                                              .property("alpha", &M::alpha)
                                              .property("language", &M::language)
                                              .property("isnew_imgage", &M::isnew_imgage)
                                              .property("type", &M::type)
                                              .property("isD", &M::isD)
                                              .property("isCollected", &M::isCollected)
                                              .property("isLoading", &M::isLoading)
                                              .property("isLocalFont", &M::isLocalFont)
                                              .property("time", &M::time)
                                              .property("download", &M::download)
                                              .property("fontid", &M::fontid)
                                              .property("heat", &M::heat)
                                              .property("is_sell", &M::is_sell)
                                              .property("font_weight", &M::font_weight)
                                              .property("has_info", &M::has_info)
                                              .property("cellType", &M::cellType)
                                              .property("progressBlock", &M::progressBlock, {.copy = true})
                                              .property("progress", &M::progress)
                                              .property("cellHeight", &M::cellHeight)
                                              .property("fName", &M::fName)
                                              .property("sName", &M::sName)
                                              .property("pName", &M::pName)
                                              .property("marketing", &M::marketing)
                                              .property("is_3d", &M::is_3d)
                                              .property("is_seleted", &M::is_seleted)
                                              .build();
    return cls;
}

const foundation::Class* KXFontBaseModel::isa() const
{
    return classObject();
}

const foundation::Class* KXHomeListFilterModel::classObject()
{
    static const foundation::Class* cls = runtime::ClassBuilder<KXHomeListFilterModel>("KXHomeListFilterModel")
                                              .property("tagname", &KXHomeListFilterModel::tagname)
                                              .property("tagid", &KXHomeListFilterModel::tagid)
                                              .build();
    return cls;
}

const foundation::Class* KXHomeListFilterModel::isa() const
{
    return classObject();
}
