#pragma once

#include "Class/ServiceCore/Catalogue/KXCatalogueStatement.h"
#include "Platform/Foundation/Array.h"

class KXBaseDBManager;

// The main font list in its sort orders, read from the catalogue of the shown language. Holds no
// state of its own; settings are read at each call.
//
// Thread-safety: as the manager's operations; the pages call it on the main thread.
class KXSortingData {
public:
    // Reads through the shared catalogue manager, or through `manager` (tools, tests, benchmarks).
    KXSortingData();
    explicit KXSortingData(KXBaseDBManager& manager);

    // Sort types 0 and 1: the catalogue's default order, with the fonts of the VIP rule first for
    // a VIP user. Any other type: by popularity, as KXBaseDBManager::soringDataBySqlString()
    // orders it (the popular fonts first, then the whole catalogue), falling back to default_sort
    // descending when there is no popularity list and in the English catalogue.
    foundation::Ref<foundation::MutableArray> soringDataBySortType(unsigned long long sortType) const;
    // Starts reading sort type 0 or 1 in the background (KXBaseDBManager::readAhead), so that a
    // soringDataBySortType() soon after, with the same settings, finds the rows read. Other sort
    // types are read when asked.
    void readAheadSortType(unsigned long long sortType) const;
    // The statement of sort type 0 or 1 under the current settings: the rows of
    // soringDataBySortType(0), for a list that reads them in parts.
    static KXCatalogueStatement defaultOrderStatement();
    KXBaseDBManager& manager() const { return manager_; }

private:

    KXBaseDBManager& manager_;
};
