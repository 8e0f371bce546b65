#include "Class/FontList/KXHomeListOverlays.h"

#include "Class/FontList/KXHomeEditStrView.h"

#include <QWidget>
#include <cstdio>

namespace {

struct Registry {
    KXHomeListOverlays::SearchView search;
    KXHomeListOverlays::HomeFilterView homeFilter;
    KXHomeListOverlays::FilterView filter;
    KXHomeListOverlays::FontGroupAddView groupAdd;
};

Registry& registry()
{
    static Registry entries;
    return entries;
}

const KXHomeListOverlays::IsKind* typeTest(KXHomeListOverlays::Kind kind)
{
    using Kind = KXHomeListOverlays::Kind;
    switch (kind) {
    case Kind::HomeSearchView:
        return &registry().search.isKind;
    case Kind::HomeFilterView:
        return &registry().homeFilter.isKind;
    case Kind::FontGroupAddView:
        return &registry().groupAdd.isKind;
    case Kind::FilterView:
        return &registry().filter.isKind;
    case Kind::HomeEditStrView:
        return nullptr;
    }
    return nullptr;
}

void logMissing(KXHomeListOverlays::Kind kind)
{
    std::fprintf(stderr, "font list: no %s registered, nothing opens\n", KXHomeListOverlays::className(kind));
}

} // namespace

void KXHomeListOverlays::registerOverlay(SearchView entry)
{
    registry().search = std::move(entry);
}

void KXHomeListOverlays::registerOverlay(HomeFilterView entry)
{
    registry().homeFilter = std::move(entry);
}

void KXHomeListOverlays::registerOverlay(FilterView entry)
{
    registry().filter = std::move(entry);
}

void KXHomeListOverlays::registerOverlay(FontGroupAddView entry)
{
    registry().groupAdd = std::move(entry);
}

void KXHomeListOverlays::unregisterOverlay(Kind kind)
{
    switch (kind) {
    case Kind::HomeSearchView:
        registry().search = {};
        break;
    case Kind::HomeFilterView:
        registry().homeFilter = {};
        break;
    case Kind::FontGroupAddView:
        registry().groupAdd = {};
        break;
    case Kind::FilterView:
        registry().filter = {};
        break;
    case Kind::HomeEditStrView:
        break;
    }
}

bool KXHomeListOverlays::isRegistered(Kind kind)
{
    if (kind == Kind::HomeEditStrView)
        return true;
    const IsKind* test = typeTest(kind);
    return test && *test;
}

const char* KXHomeListOverlays::className(Kind kind)
{
    switch (kind) {
    case Kind::HomeSearchView:
        return "KXHomeSearchView";
    case Kind::HomeFilterView:
        return "KXHomeFilterView";
    case Kind::FontGroupAddView:
        return "KXFontGroupAddView";
    case Kind::HomeEditStrView:
        return "KXHomeEditStrView";
    case Kind::FilterView:
        return "KXFilterView";
    }
    return "";
}

bool KXHomeListOverlays::isKind(Kind kind, const QObject* widget)
{
    if (!widget)
        return false;
    if (kind == Kind::HomeEditStrView)
        return qobject_cast<const KXHomeEditStrView*>(widget) != nullptr;
    const IsKind* test = typeTest(kind);
    return test && *test && (*test)(widget);
}

QWidget* KXHomeListOverlays::createHomeSearchView(
    const QRect& frame, std::weak_ptr<KXHomeSearchViewDelegate> delegate)
{
    if (!registry().search.create) {
        logMissing(Kind::HomeSearchView);
        return nullptr;
    }
    return registry().search.create(frame, std::move(delegate));
}

QWidget* KXHomeListOverlays::createHomeFilterView(
    const QRect& frame, const Categories& dataArray, std::weak_ptr<KXHomeFilterViewDelegate> delegate)
{
    if (!registry().homeFilter.create) {
        logMissing(Kind::HomeFilterView);
        return nullptr;
    }
    return registry().homeFilter.create(frame, dataArray, std::move(delegate));
}

QWidget* KXHomeListOverlays::createFilterView()
{
    if (!registry().filter.create) {
        logMissing(Kind::FilterView);
        return nullptr;
    }
    return registry().filter.create();
}

bool KXHomeListOverlays::showFilterView(QWidget* filterView, const Categories& dataArray,
    std::weak_ptr<KXFilterViewDelegate> delegate, long long page, QWidget* opener)
{
    if (!filterView || !registry().filter.show)
        return false;
    registry().filter.show(filterView, dataArray, std::move(delegate), page, opener);
    return true;
}

QWidget* KXHomeListOverlays::createFontGroupAddView(const foundation::Ref<foundation::String>& fontid,
    long rowNum, std::weak_ptr<KXFontGroupAddViewDelegate> delegate)
{
    if (!registry().groupAdd.create) {
        logMissing(Kind::FontGroupAddView);
        return nullptr;
    }
    return registry().groupAdd.create(fontid, rowNum, std::move(delegate));
}

QWidget* KXHomeListOverlays::topSubview(const QWidget* view)
{
    if (!view)
        return nullptr;
    const auto& children = view->children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        auto* widget = qobject_cast<QWidget*>(*it);
        if (widget && !widget->isWindow())
            return widget;
    }
    return nullptr;
}
