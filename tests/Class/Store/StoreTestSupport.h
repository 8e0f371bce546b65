#pragma once

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"

#include <QString>
#include <initializer_list>
#include <string>
#include <vector>

class QWidget;

// Helpers of the store's widget tests.
namespace storetest {

// Drains the main queue, delivers pending events and runs the window's layout, three times over.
void settle(QWidget& widget);
// <build>/screenshots/<name>.png, after settling.
bool saveScreenshot(QWidget& widget, const QString& name);

// The first `count` fonts of the sample catalogue, in its default order.
foundation::Ref<foundation::MutableArray> catalogueFonts(std::size_t count);
// Their ids.
std::vector<int> fontIDs(const foundation::Ref<foundation::MutableArray>& fonts);

foundation::Id offer(const char* brandID, const char* name, const foundation::Id& price,
    const foundation::Id& activity, const char* year = "1");
foundation::Id category(const char* name, std::initializer_list<foundation::Id> offers);
// A brand list reply: {"errorcode": 0, "corvane_data": {"auth_data": ..., "sell_info": ...}}.
foundation::Id brandList(std::initializer_list<foundation::Id> categories, const char* sellInfo = "限时特惠");
// A cart reply with these ids.
foundation::Id cartReply(const std::vector<int>& ids);
// A price reply (errcode 0) with these texts.
foundation::Id priceReply(const char* price, const char* favorable = "0.00", const char* activity = "0.00",
    const char* vip = "0.00");

// Pointer entering and leaving a widget, as the window system reports them.
void hoverIn(QWidget& widget);
void hoverOut(QWidget& widget);
// A left click in the middle of a widget.
void click(QWidget& widget);

} // namespace storetest
