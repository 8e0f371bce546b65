#include "Class/AppShell/KXAppSettingViewController.h"

#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"

#include <QLabel>
#include <QPainter>

#include <filesystem>

using foundation::Id;
using layoutwidgets::lcView;

namespace {

foundation::UserDefaults& defaults()
{
    return foundation::UserDefaults::standardUserDefaults();
}

bool bigFontsShown()
{
    return defaults().objectForKey(KXAppSettingViewController::kSettingKey).integerValue() != 0;
}

QFont pointFont(int points)
{
    QFont font;
    font.setPixelSize(points);
    return font;
}

QLabel* sectionLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setStyleSheet(QStringLiteral("color: rgb(68, 68, 68); font-size: 13px;"));
    return label;
}

} // namespace

KXAppSettingViewController::KXAppSettingViewController(QWidget* parent)
    : QWidget(parent)
{
    viewDidLoad();
}

KXBaseButton* KXAppSettingViewController::makeChoice(const QString& title, const QString& identifier)
{
    auto* choice = KXBaseButton::buttonWithTitle(title, KXImage::imageNamed("settingChoiceOff"), [this](KXBaseButton*) { fontsSetBtnClick(); }, this);
    choice->setButtonType(KXBaseButton::ButtonType::CheckBox);
    choice->setAlternateImage(KXImage::imageNamed("settingChoiceOn"));
    choice->setIdentifier(identifier);
    choice->setNormalFont(pointFont(13));
    choice->setNormalColor(QColor(102, 102, 102));
    return choice;
}

void KXAppSettingViewController::viewDidLoad()
{
    fontsSetLabel_ = sectionLabel(QStringLiteral("云字库显示"), this);
    // The big choice lists the big character sets' fonts instead of the common ones, not beside
    // them: each label says what its list holds.
    smallFontsSetBtn_ = makeChoice(QStringLiteral("常用字符集字体"), QStringLiteral("smallFontsSet"));
    bigFontsSetBtn_ = makeChoice(QStringLiteral("只显示大字符集字体"), QStringLiteral("bigFontsSet"));
    folderLabel_ = sectionLabel(QStringLiteral("字体文件夹"), this);
    openFiledBtn_ = KXBaseButton::buttonWithTitle(QStringLiteral("打开字体文件夹"), [this](KXBaseButton*) { openFiledBtnClick(); }, this);
    openFiledBtn_->setNormalFont(pointFont(13));
    openFiledBtn_->setNormalColor(QColor(49, 123, 255));

    smallFontsSetBtn_->setState(bigFontsShown() ? 0 : 1);
    bigFontsSetBtn_->setState(smallFontsSetBtn_->state() == 0 ? 1 : 0);

    lc_makeConstraints(lcView(fontsSetLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(30);
        make.top().equalTo(30);
    });
    QWidget* heading = fontsSetLabel_;
    lc_makeConstraints(lcView(smallFontsSetBtn_), [heading](LCConstraintMaker& make) {
        make.left().equalTo(30);
        make.top().equalTo(lc_bottom(lcView(heading))).offset(12);
        make.height().equalTo(22);
        make.width().equalTo(200);
    });
    QWidget* small = smallFontsSetBtn_;
    lc_makeConstraints(lcView(bigFontsSetBtn_), [small](LCConstraintMaker& make) {
        make.left().equalTo(30);
        make.top().equalTo(lc_bottom(lcView(small))).offset(8);
        make.height().equalTo(22);
        make.width().equalTo(200);
    });
    QWidget* big = bigFontsSetBtn_;
    lc_makeConstraints(lcView(folderLabel_), [big](LCConstraintMaker& make) {
        make.left().equalTo(30);
        make.top().equalTo(lc_bottom(lcView(big))).offset(24);
    });
    QWidget* folder = folderLabel_;
    lc_makeConstraints(lcView(openFiledBtn_), [folder](LCConstraintMaker& make) {
        make.left().equalTo(lc_right(lcView(folder))).offset(16);
        make.centerY().equalTo(lc_centerY(lcView(folder)));
        make.height().equalTo(22);
        make.width().equalTo(130);
    });
}

void KXAppSettingViewController::openFiledBtnClick()
{
    const auto folder = foundation::Paths::userFontsDirectory();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    KXOpenFailedAlert::openFolder(this, folder);
}

void KXAppSettingViewController::fontsSetBtnClick()
{
    const bool shown = bigFontsShown();
    bigFontsSetBtn_->setState(shown ? 0 : 1);
    smallFontsSetBtn_->setState(shown ? 1 : 0);
    defaults().setObject(Id(shown ? "0" : "1"), kSettingKey);
    defaults().synchronize();
    dispatch::NotificationCenter::defaultCenter().post(kChangedNotification);
}

void KXAppSettingViewController::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), Qt::white);
}
