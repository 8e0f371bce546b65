#pragma once

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Object.h"

#include <string>
#include <string_view>
#include <vector>

// One statement on the catalogue: SQL text with "?" placeholders and the values bound to them, in
// order. Values never enter the text; the text is made only of fixed pieces and placeholders.
//
// The helpers below are the pieces the catalogue queries share: id lists parsed into integers,
// LIKE patterns with "%" and "_" escaped, the language and character-set base of the lists and
// the VIP ordering. The ones that read settings read the user defaults, the process-wide state
// and the session as they are at the call.
class KXCatalogueStatement {
public:
    KXCatalogueStatement() = default;
    KXCatalogueStatement(std::string sql, std::vector<foundation::Id> arguments = {});

    const std::string& sql() const { return sql_; }
    const std::vector<foundation::Id>& arguments() const { return arguments_; }

    // Appends a piece of SQL text and the values of the placeholders it holds.
    KXCatalogueStatement& append(std::string_view sql);
    KXCatalogueStatement& append(std::string_view sql, std::initializer_list<foundation::Id> arguments);
    KXCatalogueStatement& append(const KXCatalogueStatement& other);
    KXCatalogueStatement& bind(const foundation::Id& argument);

    // --- Id lists ---
    // The integers of a comma-separated id text, in order. Blanks around an id are ignored; a piece
    // that is not a whole decimal integer is dropped.
    static std::vector<long long> parseIdList(std::string_view text);
    // The integers of an array of numbers or decimal texts; anything else is dropped.
    static std::vector<long long> idsOfArray(const foundation::Array* array);
    // One id: an integral number (not a BOOL) or a text that is one whole decimal integer.
    static bool integerId(const foundation::Id& value, long long& id);
    static std::string joinIds(const std::vector<long long>& ids);
    // "?,?,?" for n values.
    static std::string placeholders(std::size_t count);
    // "fontid IN (?,...)" over the ids, and the framed id text ",1,2,3," that the Instr orderings
    // search for ",<fontid>,".
    static KXCatalogueStatement fontidIn(const std::vector<long long>& ids, bool negated = false);
    static std::string framedIds(const std::vector<long long>& ids);
    // "select * from fp_fonts where fontid IN (...) ORDER BY Instr(',ids,', ',' || fontid || ',')":
    // the fonts of the ids, in the order of the ids' first places in the list.
    static KXCatalogueStatement fontsInIdOrder(const std::vector<long long>& ids);

    // --- LIKE patterns, used with kLikeEscape ---
    // The text anywhere: "%text%".
    static std::string likeContaining(std::string_view text);
    // The text as one element of a comma-framed list: "%,text,%".
    static std::string likeElement(std::string_view text);
    static constexpr std::string_view kLikeEscape = " ESCAPE '\\'";

    // --- Settings of the lists ---
    // The fonts of the shown catalogue: Chinese (with the "bigFontsSet" character-set rule) or
    // English. "SELECT * FROM fp_fonts where language like ..."
    static KXCatalogueStatement catalogueBase();
    // The catalogue's default order: " ORDER BY default_sort DESC, m_made_time DESC, ..."
    static constexpr std::string_view kDefaultOrder =
        " ORDER BY default_sort DESC, m_made_time DESC,ser_name_take ASC,font_weight ASC";
    // A VIP user is one whose user default "vip_type" is a non-empty text.
    static bool isVipUser();
    // The ordering that lists the fonts of the session's VIP rule first, in the rule's order, then
    // the rest in the default order.
    static KXCatalogueStatement vipOrder();

private:
    std::string sql_;
    std::vector<foundation::Id> arguments_;
};
