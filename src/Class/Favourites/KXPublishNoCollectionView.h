#pragma once

#include <QWidget>

// What the publish form shows in place of the folders for a user without any: an empty folder and
// "还没有收藏夹，先去创建一个吧". Main thread only.
class KXPublishNoCollectionView : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kText = "还没有收藏夹，先去创建一个吧";

    explicit KXPublishNoCollectionView(QWidget* parent = nullptr);
};
