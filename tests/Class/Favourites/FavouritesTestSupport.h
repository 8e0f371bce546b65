#pragma once

#include "Class/ServiceCore/Transport/TransportTestSupport.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

// Helpers of the favourite folders' widget tests.
class KXPreviewImageSource;

namespace favouritestest {

// Lays out, runs the main queue and paints until nothing is left to do.
void settle(QWidget& widget);

// A signed-in demo user ("demo", folders 喜欢的字体, 标题字体, 正文精选 (published), 等宽代码
// (under review) and two followed collections) against the suite's local service, and a shown
// window (400 x 860) to lay pages over. The session's lists start empty; the recording toast
// presenter is installed.
class FavouritesTest : public transporttest::TransportTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Signs `name` in: the token in the user defaults, the user in the session.
    static std::string signIn(const char* name = "demo", const char* password = "demo1234");
    static void signOut();
    // The window pages are laid over.
    QWidget& host();
    static void settle(QWidget& widget) { favouritestest::settle(widget); }
    // Runs the main queue (and the event loop) until `predicate` holds, up to 10 s.
    static bool waitUntil(const std::function<bool()>& predicate);
    // The service's requests of that tag so far.
    static std::size_t requests(const char* tag);
    // The toasts shown so far, as text.
    std::vector<std::string> toastTexts() const;
    // The demo user's folders as the server lists them now.
    static foundation::Ref<foundation::Array> serverFolders();
    // The recommended collections as the server lists them now.
    static foundation::Ref<foundation::Array> serverCards();
    // The "id" values of records, as text.
    static std::vector<std::string> ids(const foundation::Ref<foundation::Array>& records);

    std::unique_ptr<QWidget> host_;
};

// While it lives, the lists load their images (covers, avatars, previews) through the application's
// web image loader, as they do in the program.
class WebImages {
public:
    WebImages();
    ~WebImages();
    WebImages(const WebImages&) = delete;
    WebImages& operator=(const WebImages&) = delete;

private:
    std::shared_ptr<KXPreviewImageSource> previous_;
};

// While it lives, the writes kept ahead are kept for one account, as the store's session keeps
// them in the program; none is kept when it begins or ends.
class KeptAheadWrites {
public:
    KeptAheadWrites();
    ~KeptAheadWrites();
    KeptAheadWrites(const KeptAheadWrites&) = delete;
    KeptAheadWrites& operator=(const KeptAheadWrites&) = delete;
};

// Clicks at a point of a list's viewport (press, release), as the user does.
void clickViewport(QWidget* viewport, const QPoint& point);
// Moves the pointer over a point of a widget.
void hoverAt(QWidget* widget, const QPoint& point);
// <build>/screenshots/<name>-day.png and -night.png, the palette switched between the two; the
// picture is taken after `prepare` ran in each palette.
bool saveScreenshots(QWidget& widget, const QString& name, const std::function<void()>& prepare = {});

} // namespace favouritestest
