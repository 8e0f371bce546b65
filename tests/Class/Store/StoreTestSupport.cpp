#include "StoreTestSupport.h"

#include "Class/LayoutWidgets/WindowLayout.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Catalogue/KXSortingData.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QTest>
#include <QWidget>
#include <cstdlib>

using foundation::Id;

namespace {

// Started by hand rather than by ctest, the program still finds the build's resources (the sample
// catalogue above all) and writes its screenshots into the build.
const bool buildFoldersKnown = [] {
    setenv("CORVANE_BINARY_DIR", CORVANE_TEST_BUILD_DIR, 0);
    setenv("CORVANE_RESOURCE_DIR", CORVANE_TEST_BUILD_DIR "/resources", 0);
    return true;
}();

} // namespace

namespace storetest {

void settle(QWidget& widget)
{
    for (int i = 0; i < 3; ++i) {
        dispatch::RunLoop::drain();
        QApplication::processEvents();
        layoutwidgets::WindowLayout::of(widget.window()).layoutIfNeeded();
    }
}

bool saveScreenshot(QWidget& widget, const QString& name)
{
    settle(widget);
    const char* binary = std::getenv("CORVANE_BINARY_DIR");
    const QString dir = QString::fromLocal8Bit(binary ? binary : ".") + "/screenshots";
    QDir().mkpath(dir);
    return widget.grab().save(dir + "/" + name + ".png");
}

foundation::Ref<foundation::MutableArray> catalogueFonts(std::size_t count)
{
    const auto all = KXSortingData().soringDataBySortType(0);
    auto fonts = foundation::MutableArray::create();
    for (std::size_t i = 0; i < all->count() && fonts->count() < count; ++i)
        fonts->addObject(all->objectAtIndex(i));
    return fonts;
}

std::vector<int> fontIDs(const foundation::Ref<foundation::MutableArray>& fonts)
{
    std::vector<int> ids;
    for (const Id& font : fonts->objects())
        ids.push_back(font.as<KXFontBaseModel>()->fontid);
    return ids;
}

Id offer(const char* brandID, const char* name, const Id& price, const Id& activity, const char* year)
{
    return Id(foundation::Dictionary::create({ { Id("brand_id"), Id(brandID) },
        { Id("brand_name"), Id(name) }, { Id("auth_scope"), Id(std::string(name) + "：网站、宣传品") },
        { Id("price"), price }, { Id("activity_price"), activity }, { Id("year"), Id(year) },
        { Id("buyinfo"), Id("授权范围：网站<br/>发票：电子发票") }, { Id("img_url"), Id("") } }));
}

Id category(const char* name, std::initializer_list<Id> offers)
{
    return Id(foundation::Dictionary::create({ { Id("auth_name"), Id(name) }, { Id("img_url"), Id("") },
        { Id("brand_data"), Id(foundation::Array::create(offers)) } }));
}

Id brandList(std::initializer_list<Id> categories, const char* sellInfo)
{
    auto data = foundation::MutableDictionary::create();
    data->setObject(Id(foundation::Array::create(categories)), Id("auth_data"));
    if (sellInfo)
        data->setObject(Id(sellInfo), Id("sell_info"));
    return Id(foundation::Dictionary::create(
        { { Id("errorcode"), Id(0) }, { Id("errcode"), Id(0) }, { Id("corvane_data"), Id(data) } }));
}

Id cartReply(const std::vector<int>& ids)
{
    auto list = foundation::MutableArray::create();
    for (int id : ids)
        list->addObject(Id(id));
    return Id(foundation::Dictionary::create({ { Id("errorcode"), Id(0) },
        { Id("corvane_data"), Id(foundation::Dictionary::create({ { Id("fids"), Id(list) } })) } }));
}

Id priceReply(const char* price, const char* favorable, const char* activity, const char* vip)
{
    auto data = foundation::Dictionary::create(
        { { Id("price"), Id(price) }, { Id("favorable_price"), Id(favorable) },
            { Id("activity_price"), Id(activity) }, { Id("vip_price"), Id(vip) } });
    return Id(foundation::Dictionary::create({ { Id("errcode"), Id(0) }, { Id("corvane_data"), Id(data) } }));
}

void hoverIn(QWidget& widget)
{
    const QPointF inside(widget.width() / 2.0, widget.height() / 2.0);
    QEnterEvent enter(inside, widget.mapTo(widget.window(), inside), widget.mapToGlobal(inside));
    QApplication::sendEvent(&widget, &enter);
}

void hoverOut(QWidget& widget)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&widget, &leave);
}

void click(QWidget& widget)
{
    QTest::mouseClick(
        &widget, Qt::LeftButton, Qt::NoModifier, QPoint(widget.width() / 2, widget.height() / 2));
}

} // namespace storetest
