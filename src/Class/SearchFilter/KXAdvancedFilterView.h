#pragma once

#include "Class/SearchFilter/Core/KXFilterSelection.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"

#include <QWidget>

#include <memory>

class KXBaseButton;
class KXFilterTable;

// What the advanced page reports to the drop-down that shows it. Does nothing unless implemented;
// held weakly.
class KXAdvancedFilterViewDelegate {
public:
    virtual ~KXAdvancedFilterViewDelegate() = default;
    virtual void filterViewTagsClick(const foundation::Ref<foundation::Dictionary>& tags) { (void)tags; }
};

// Page 4 of the drop-down filter: every filter category of the catalogue shown, as in the side
// panel (four switches to a line, the weight category as the weight row), over a bottom bar with
// "重置" (empties the stored and the working selection and keeps the page) and "确认" (stores a
// non-empty selection and closes the whole drop-down). Each toggle is reported at once to the
// drop-down, which passes it to the list. Main thread only.
class KXAdvancedFilterView : public QWidget {
    Q_OBJECT

public:
    explicit KXAdvancedFilterView(QWidget* parent = nullptr);
    ~KXAdvancedFilterView() override;

    std::shared_ptr<KXAdvancedFilterViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<KXAdvancedFilterViewDelegate> delegate) { delegate_ = std::move(delegate); }

    const foundation::Ref<foundation::Array>& dataArray() const { return dataArray_; }
    // Stores the categories and takes the catalogue language shown (YES: foreign).
    void setDataArray(foundation::Ref<foundation::Array> dataArray);
    KXFilterSelection& selection() { return selection_; }

    void filterViewCellTagClick(const foundation::Ref<foundation::Dictionary>& tag);
    void filterViewTopicCellClick(const foundation::Ref<foundation::String>& value);
    void KXFilterFontWeighCellBtnClick(const foundation::Ref<foundation::Dictionary>& tag);
    void headArrorClick(long long groupID);
    void resetBtnClicks();
    void sureBtnClicks();

    KXBaseButton* resetBtn() const { return resetBtn_; }
    KXBaseButton* sureBtn() const { return sureBtn_; }
    KXFilterTable* listTableView() const { return table_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    class Adapter;
    void setupUI();
    void setupData();
    void report();

    std::weak_ptr<KXAdvancedFilterViewDelegate> delegate_;
    std::shared_ptr<Adapter> adapter_;
    foundation::Ref<foundation::Array> dataArray_;
    KXFilterSelection selection_;
    bool defaultLanguage_ = false;
    KXFilterTable* table_ = nullptr;
    KXBaseButton* resetBtn_ = nullptr;
    KXBaseButton* sureBtn_ = nullptr;
};
