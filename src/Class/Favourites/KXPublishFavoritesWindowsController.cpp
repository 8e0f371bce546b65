#include "Class/Favourites/KXPublishFavoritesWindowsController.h"

#include "Class/Favourites/KXPublishFavoritesViewController.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Platform/Foundation/String.h"

#include <QVBoxLayout>

KXPublishFavoritesWindowsController::KXPublishFavoritesWindowsController(
    const QString& windowNibName, QWidget* transientParent)
    : windowNibName_(windowNibName)
    , window_(new KXTransientWindow(transientParent, QSize(kWidth, kHeight), QString::fromUtf8(kModule)))
{
    windowDidLoad();
}

KXPublishFavoritesWindowsController::~KXPublishFavoritesWindowsController() = default;

KXTransientWindow* KXPublishFavoritesWindowsController::window() const
{
    return static_cast<KXTransientWindow*>(window_.get());
}

void KXPublishFavoritesWindowsController::windowDidLoad()
{
    auto* window = this->window();
    auto* layout = new QVBoxLayout(window->contentView());
    layout->setContentsMargins(0, 0, 0, 0);
    content_ = new KXPublishFavoritesViewController(window->contentView());
    layout->addWidget(content_);
    connect(content_, &KXPublishFavoritesViewController::published, window, &KXTransientWindow::orderOut);
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(foundation::String::create(kModule));
}

void KXPublishFavoritesWindowsController::showWindow()
{
    // A form that found no folders (signed out, say) asks again.
    if (content_ && content_->numberOfItems() == 0)
        content_->setUpData();
    if (auto* window = this->window())
        window->showCentred();
}
