#pragma once

#include "Platform/Foundation/Array.h"

#include <cstddef>
#include <string>
#include <vector>

// One offer of the choice with the fonts chosen for it ("%d" ids, in the order they were
// chosen). An entry always holds at least one font.
struct KXOrderEntry {
    std::string bid;
    std::vector<std::string> fids;

    friend bool operator==(const KXOrderEntry&, const KXOrderEntry&) = default;
};

// The order page's choice without widgets: the rows (offer records, one per row), the cart fonts
// every row offers, the full choice per row (`oriInfoArray`), the current choice (`infoArray`),
// every chosen id in entry order (`allFontsA`) and the selection text the service prices
// (`infoString`), rebuilt after every change.
//
// The selection text is compact JSON: one object per entry, {"bid": "7", "fids": "101,102"};
// an empty choice is "[]". Offers are told apart by their "brand_id" compared as text. Main
// thread only.
class KXOrderSelection {
public:
    KXOrderSelection();

    // Opening (and select all): the rows and the cart fonts' ids; every row starts with every
    // font chosen. Without fonts no entry is made.
    void setDataA(const foundation::Ref<foundation::Array>& offers, std::vector<std::string> fontsA);

    const foundation::Ref<foundation::MutableArray>& dataA() const { return dataA_; }
    const std::vector<std::string>& fontsA() const { return fontsA_; }
    const std::vector<KXOrderEntry>& oriInfoArray() const { return oriInfoArray_; }
    const std::vector<KXOrderEntry>& infoArray() const { return infoArray_; }
    const std::vector<std::string>& allFontsA() const { return allFontsA_; }
    const std::string& infoString() const { return infoString_; }

    // A font box of row `brandid` changed: the font leaves the offer's entry when it was in it,
    // else joins it (a new entry when the offer had none); an emptied entry goes.
    void fontChoice(const std::string& brandid, const std::string& fontid);
    // Select all switched off: nothing is chosen.
    void clearChoice();
    bool isChosen(const std::string& brandid, const std::string& fontid) const;
    // The ids chosen for an offer, in their order (empty when it has no entry).
    std::vector<std::string> chosenFonts(const std::string& brandid) const;
    // Every row with every font chosen.
    bool isAllSelected() const;

    // Removes the row of that offer (the first with its "brand_id"), its entries and its full
    // entry. Returns the row index removed, or -1 when no row holds the offer any more.
    long long removeOffer(const std::string& brandid);

    // What a confirmed re-pick changes, offers told apart by "brand_id" (the sheet's brand list may
    // be newer than the rows' records): the rows whose offer is no longer chosen go, the chosen
    // offers that no row holds are appended in their order, once each, with every font chosen.
    // Rows kept keep their record and their choice.
    struct Reconciliation {
        std::vector<std::size_t> removedRows; // indexes before the change, ascending
        std::size_t firstAddedRow = 0; // index of the first added row after the change
        std::size_t addedRows = 0;
    };
    Reconciliation reconcile(const foundation::Ref<foundation::Array>& selectedOffers);

    static std::string brandID(const foundation::Id& offer);
    // Whether two selection texts order the same fonts with the same licences, whatever the order
    // of their entries and ids. A text that is not a selection text orders nothing and matches none.
    static bool sameOrder(const std::string& one, const std::string& other);

private:
    void rebuildText();
    std::vector<KXOrderEntry>::iterator entryOf(const std::string& brandid);
    std::vector<KXOrderEntry>::const_iterator entryOf(const std::string& brandid) const;

    foundation::Ref<foundation::MutableArray> dataA_;
    std::vector<std::string> fontsA_;
    std::vector<KXOrderEntry> oriInfoArray_;
    std::vector<KXOrderEntry> infoArray_;
    std::vector<std::string> allFontsA_;
    std::string infoString_ = "[]";
};
