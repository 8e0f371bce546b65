#pragma once

#include "Class/Home/KXHomeViewController.h"
#include "ShellServiceTest.h"

#include <QString>

#include <memory>
#include <string>
#include <vector>

class KXHomeGroupTableView;
class KXUserCenterConfig;
namespace foundation {
class UserDefaults;
}

namespace hometest {

// A hub as the main window shows it, against the suite's local service, with the process-wide
// values reset, animations off and no first-run guide or migration in the way.
class HubTest : public shelltest::ShellServiceTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new hub, 400 x 860 and shown; its construction requests are answered before it returns,
    // but for `heldBack` replies the service holds back.
    KXHomeViewController& open(std::size_t heldBack = 0);
    KXHomeViewController& hub() { return *hub_; }
    // Lets the replies in flight arrive and be handled, and the layout settle; `heldBack` replies
    // the service holds back (holdNextReply) stay on their way.
    static void settle(std::size_t heldBack = 0);
    // Runs the layout passes that are due.
    static void layOut();
    // Signs in through the transport and records the session as the sign-in pages do; the user.
    static foundation::Id signIn(const char* name = "demo", const char* password = "demo1234");
    // The same user, announced to the whole client as the sign-in pages announce it.
    static void postSignIn(const foundation::Id& user);

    std::vector<KXLeftTabView*> selectedTabs() const;
    // An overlay over the whole hub, standing for a page of another area.
    QWidget* addOverlay();
    // The toast on screen: its type and text.
    static int toastType();
    static QString toastText();
    // A click of the left button at a point of a widget, through the application.
    static void click(QWidget* widget, QPoint point = {}, Qt::MouseButton button = Qt::LeftButton);

    std::unique_ptr<KXHomeViewController> hub_;
};

foundation::UserDefaults& defaults();
KXUserCenterConfig& session();
// The font ids of a list's records, in order.
std::vector<long long> fontIds(const foundation::Ref<foundation::MutableArray>& records);
// Lets the background reads of the installed fonts end and what they made reach the list.
void waitForLocalFonts();

} // namespace hometest
