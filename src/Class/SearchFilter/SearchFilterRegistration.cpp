#include "Class/SearchFilter/SearchFilterRegistration.h"

#include "Class/FontList/KXHomeListOverlays.h"
#include "Class/SearchFilter/KXFilterView.h"
#include "Class/SearchFilter/KXHomeFilterView.h"
#include "Class/SearchFilter/KXHomeSearchView.h"

void registerSearchFilterOverlays()
{
    using Overlays = KXHomeListOverlays;
    Overlays::registerOverlay(Overlays::SearchView{
        [](const QObject* widget) { return qobject_cast<const KXHomeSearchView*>(widget) != nullptr; },
        [](const QRect& frame, std::weak_ptr<KXHomeSearchViewDelegate> delegate) -> QWidget* {
            auto* panel = new KXHomeSearchView(frame);
            panel->setDelegate(std::move(delegate));
            return panel;
        }});
    Overlays::registerOverlay(Overlays::HomeFilterView{
        [](const QObject* widget) { return qobject_cast<const KXHomeFilterView*>(widget) != nullptr; },
        [](const QRect& frame, const Overlays::Categories& dataArray, std::weak_ptr<KXHomeFilterViewDelegate> delegate) -> QWidget* {
            auto* panel = new KXHomeFilterView(frame);
            panel->setDataArray(dataArray);
            panel->setDelegate(std::move(delegate));
            return panel;
        }});
    Overlays::registerOverlay(Overlays::FilterView{
        [](const QObject* widget) { return qobject_cast<const KXFilterView*>(widget) != nullptr; },
        []() -> QWidget* { return new KXFilterView; },
        [](QWidget* view, const Overlays::Categories& dataArray, std::weak_ptr<KXFilterViewDelegate> delegate, long long page, QWidget* opener) {
            auto* dropDown = qobject_cast<KXFilterView*>(view);
            if (!dropDown)
                return;
            dropDown->setDataArray(dataArray);
            dropDown->setDelegate(std::move(delegate));
            dropDown->setOpener(opener);
            dropDown->selectedFilterType(page);
        }});
}
