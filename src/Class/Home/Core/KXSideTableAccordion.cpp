#include "Class/Home/Core/KXSideTableAccordion.h"

#include <algorithm>

double KXSideTableAccordion::openHeight(std::size_t rows)
{
    return tableHeight(std::min(rows, kVisibleRows));
}

double KXSideTableAccordion::leastHeight(double openHeight)
{
    return std::min(openHeight, tableHeight(kLeastVisibleRows));
}

double KXSideTableAccordion::tableHeight(std::size_t rows)
{
    return static_cast<double>(rows) * kRowHeight;
}

void KXSideTableAccordion::toggleCollection(std::size_t folders)
{
    if (isCollectionOpen()) {
        collectionHeight_ = 0;
        return;
    }
    collectionHeight_ = openHeight(folders);
    followHeight_ = 0;
}

void KXSideTableAccordion::toggleFollow(std::size_t followed)
{
    if (isFollowOpen()) {
        followHeight_ = 0;
        return;
    }
    collectionHeight_ = 0;
    followHeight_ = openHeight(followed);
}

void KXSideTableAccordion::rowsChanged(std::size_t folders, std::size_t followed)
{
    if (isCollectionOpen())
        collectionHeight_ = openHeight(folders);
    if (isFollowOpen())
        followHeight_ = openHeight(followed);
}

void KXSideTableAccordion::closeBoth()
{
    collectionHeight_ = 0;
    followHeight_ = 0;
}
