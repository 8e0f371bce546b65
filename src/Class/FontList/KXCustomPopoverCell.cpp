#include "Class/FontList/KXCustomPopoverCell.h"

#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXQtColor.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QApplication>

using layoutwidgets::lcView;

namespace {

void colour(QLabel& label, const KXThemeManager::Color& color)
{
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, kx_qcolor(color));
    label.setPalette(palette);
}

} // namespace

KXCustomPopoverCell::KXCustomPopoverCell(QWidget* parent)
    : QWidget(parent)
    , showTF_(new QLabel(this))
{
    showTF_->setTextFormat(Qt::PlainText);
    showTF_->setAlignment(Qt::AlignCenter);
    QFont font = QApplication::font();
    font.setPixelSize(12);
    showTF_->setFont(font);
    showTF_->setAttribute(Qt::WA_TransparentForMouseEvents);
    colour(*showTF_, KXThemeManager::themeManager().sortingViewNormol());
    // One set of constraints for the title, made once (a set per title would pile up).
    lc_makeConstraints(lcView(showTF_), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0).offset(-12);
        make.top().equalTo(5);
        make.height().equalTo(20);
    });
}

void KXCustomPopoverCell::setTitleString(const QString& title)
{
    titleString_ = title;
    showTF_->setText(title);
}

void KXCustomPopoverCell::setIsSelected(bool selected)
{
    isSelected_ = selected;
    const auto& theme = KXThemeManager::themeManager();
    colour(*showTF_, selected ? theme.sortingViewSelected() : theme.sortingViewNormol());
}
