#pragma once

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"

#include <QRect>
#include <functional>
#include <memory>

class QObject;
class QWidget;

// What the overlays the font list opens report to the view that opened them. They are declared
// here, not by the areas that build the overlays, because those areas build on the font list (its
// row, its detail panel): the search and filter pages and the add-to-folder dialog take these
// delegates, and every view that opens them (the list, the search panel, the folder pages)
// implements them. Each method does nothing unless implemented; held weakly.

class KXHomeSearchViewDelegate {
public:
    virtual ~KXHomeSearchViewDelegate() = default;
    // A signed-out user clicked a font row or its favourite button.
    virtual void loginClick() { }
};

class KXFilterViewDelegate {
public:
    virtual ~KXFilterViewDelegate() = default;
    // The whole current filter: category name -> array of tag ids (text). Empty: no filter.
    virtual void filterViewTagsClick(const foundation::Ref<foundation::Dictionary>& tags) { (void)tags; }
};

class KXHomeFilterViewDelegate {
public:
    virtual ~KXHomeFilterViewDelegate() = default;
    virtual void filterViewTagsClick(const foundation::Ref<foundation::Dictionary>& tags) { (void)tags; }
};

class KXFontGroupAddViewDelegate {
public:
    virtual ~KXFontGroupAddViewDelegate() = default;
    // The folders of the dialog's font changed (groupsInfo is read afresh); `row` is the row
    // number the dialog was opened with, which the receiver resolves: its rows may have changed.
    virtual void refreshowCell(long row) { (void)row; }
};

// The overlays the font list opens without depending on the areas that build them: each kind has
// a type test (a qobject_cast to its class, every overlay class declares Q_OBJECT) and a creator
// that makes the overlay exactly as the list's calls describe it. Areas register theirs once at
// start-up, in register<Area>Overlays(), which main() calls: search and filters register
// SearchView, HomeFilterView and FilterView, favourite folders FontGroupAddView. The custom-text
// editor belongs to the list and needs no registration. Tests register stand-ins.
//
// A creator returns a new widget without a parent, or nullptr; the caller owns and places it:
//   - SearchView: KXHomeSearchView built with `frame` (the list's bounds), its delegate set. The
//     list adds it on top and pins its four edges to its own.
//   - HomeFilterView: KXHomeFilterView built with `frame`, `dataArray` (the list's
//     filterDataArray: the filter categories) and its delegate. Added on top, pinned to all edges.
//   - FilterView: `create` makes a KXFilterView (init). `show` is called on a new one, or on the
//     one already on top, with the categories, the delegate and the page (1 style, 2 weight,
//     3 type, 4 advanced) and the toolbar button that opened it: setDataArray:, setDelegate:,
//     selectedFilterType:. The list pins it 81 below its top and to its left, right and bottom
//     edges: the drop-down dims the whole list and draws its own 310-wide area on the button's side.
//   - FontGroupAddView: KXFontGroupAddView with the font id as decimal text, the row number in the
//     opener's list and its delegate. Added on top, pinned to all edges.
// Nothing registered for a kind: nothing opens and the creator logs it.
//
// Main thread only.
class KXHomeListOverlays {
public:
    enum class Kind {
        HomeSearchView, // KXHomeSearchView
        HomeFilterView, // KXHomeFilterView
        FontGroupAddView, // KXFontGroupAddView
        HomeEditStrView, // KXHomeEditStrView (the list's own)
        FilterView, // KXFilterView
    };
    using IsKind = std::function<bool(const QObject* widget)>;
    using Categories = foundation::Ref<foundation::MutableArray>;

    struct SearchView {
        IsKind isKind;
        std::function<QWidget*(const QRect& frame, std::weak_ptr<KXHomeSearchViewDelegate> delegate)> create;
    };
    struct HomeFilterView {
        IsKind isKind;
        std::function<QWidget*(const QRect& frame, const Categories& dataArray,
            std::weak_ptr<KXHomeFilterViewDelegate> delegate)>
            create;
    };
    struct FilterView {
        IsKind isKind;
        std::function<QWidget*()> create;
        std::function<void(QWidget* filterView, const Categories& dataArray,
            std::weak_ptr<KXFilterViewDelegate> delegate, long long page, QWidget* opener)>
            show;
    };
    struct FontGroupAddView {
        IsKind isKind;
        std::function<QWidget*(const foundation::Ref<foundation::String>& fontid, long rowNum,
            std::weak_ptr<KXFontGroupAddViewDelegate> delegate)>
            create;
    };

    static void registerOverlay(SearchView entry);
    static void registerOverlay(HomeFilterView entry);
    static void registerOverlay(FilterView entry);
    static void registerOverlay(FontGroupAddView entry);
    static void unregisterOverlay(Kind kind);
    static bool isRegistered(Kind kind);
    static const char* className(Kind kind);

    // Whether the widget is an overlay of this kind (false for nullptr or an unregistered kind).
    static bool isKind(Kind kind, const QObject* widget);

    static QWidget* createHomeSearchView(
        const QRect& frame, std::weak_ptr<KXHomeSearchViewDelegate> delegate);
    static QWidget* createHomeFilterView(
        const QRect& frame, const Categories& dataArray, std::weak_ptr<KXHomeFilterViewDelegate> delegate);
    static QWidget* createFilterView();
    // Returns whether a FilterView is registered to show it.
    static bool showFilterView(QWidget* filterView, const Categories& dataArray,
        std::weak_ptr<KXFilterViewDelegate> delegate, long long page, QWidget* opener);
    static QWidget* createFontGroupAddView(const foundation::Ref<foundation::String>& fontid, long rowNum,
        std::weak_ptr<KXFontGroupAddViewDelegate> delegate);

    // The last child widget in stacking order: what lies on top of `view`.
    static QWidget* topSubview(const QWidget* view);
};
