#pragma once

#include "Class/SearchFilter/KXFilterCells.h"
#include "Class/ServiceCore/Catalogue/KXFilterTagList.h"

#include <QWidget>
#include <array>
#include <memory>
#include <vector>

class KXBaseButton;
class KXFilterSelection;

// The weight row of the drop-down's weight page and of the advanced page: eight switches for the
// weight codes "1" to "8" ("极细" to "特粗"), each showing whether the working selection holds its
// code under the weight category. GUI thread only.
class KXFilterFontWeighCell : public QWidget {
    Q_OBJECT

public:
    static constexpr std::array<const char*, 8> kTitles = {"极细", "纤细", "细体", "常规", "中等", "半粗", "粗体", "特粗"};

    KXFilterFontWeighCell(KXFilterSelection* selection, QWidget* parent = nullptr);

    std::shared_ptr<KXFilterFontWeighCellDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<KXFilterFontWeighCellDelegate> delegate) { delegate_ = std::move(delegate); }

    const std::string& classStr() const { return classStr_; }
    void setClassStr(std::string classStr) { classStr_ = std::move(classStr); }
    // The weight category's tags; setting them shows the switches' states again.
    void setDataA(foundation::Ref<KXFilterTagList> tags);
    // fontweightBtn1 to fontweightBtn8.
    KXBaseButton* fontweightBtn(int number) const { return buttons_.at(static_cast<std::size_t>(number - 1)); }

    void setupUI();
    void weightBtnClick(KXBaseButton* button);

private:
    KXFilterSelection* selection_;
    std::weak_ptr<KXFilterFontWeighCellDelegate> delegate_;
    std::string classStr_;
    foundation::Ref<KXFilterTagList> dataA_;
    std::array<KXBaseButton*, 8> buttons_{};
};
