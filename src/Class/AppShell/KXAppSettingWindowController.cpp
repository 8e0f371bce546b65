#include "Class/AppShell/KXAppSettingWindowController.h"

#include "Class/AppShell/KXAppSettingViewController.h"
#include "Class/UIKit/KXTransientWindows.h"

#include <QVBoxLayout>

KXAppSettingWindowController::KXAppSettingWindowController(const QString& windowNibName, QWidget* transientParent)
    : windowNibName_(windowNibName)
    , window_(kx_makeTransientWindow(transientParent, QSize(kWidth, kHeight), QString::fromUtf8(kTitle)))
{
    kx_keepFittedSize(window_);
    content_ = new KXAppSettingViewController(window_);
    auto* layout = new QVBoxLayout(window_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content_);
}

KXAppSettingWindowController::~KXAppSettingWindowController()
{
    // The parent window may have taken it down first.
    delete window_.data();
}

void KXAppSettingWindowController::showCentred()
{
    kx_showCentred(window_);
}
