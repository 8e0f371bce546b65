#pragma once

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Object.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One statement on the catalogue: SQL text with "?" placeholders and the values bound to them, in
// order. Values never enter the text; the text is made only of fixed pieces and placeholders.
//
// The helpers below are the pieces the catalogue queries share: id lists parsed into integers,
// text searches that take the whole text as it stands, the language and character-set base of the lists and
// the VIP ordering. The ones that read settings read the user defaults and the process-wide
// state as they are at the call.
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
    // The fonts of the ids, in the order of the ids' first places in the list (an id listed twice
    // gives one row). The ids go in as one JSON array joined to the fontid index, so the order costs
    // one lookup per id, and a list of any length binds one value.
    static KXCatalogueStatement fontsInIdOrder(const std::vector<long long>& ids);

    // --- Text search ---
    // "instr(lower(column), lower(?)) > 0": the column holds the text anywhere, ASCII letters in
    // either case, as LIKE '%text%' matches. Unlike a LIKE pattern the whole text counts (a NUL
    // byte does not end it) and "%" and "_" are plain characters. `column` is a fixed name.
    static KXCatalogueStatement containing(std::string_view column, std::string_view text);
    // The text as one element of a comma-framed list: the column holds ",text," anywhere.
    static KXCatalogueStatement containingElement(std::string_view column, std::string_view text);

    // --- Settings of the lists ---
    // The fonts of the shown catalogue: Chinese (with the "bigFontsSet" character-set rule) or
    // English. "SELECT * FROM fp_fonts where language like ..."
    static KXCatalogueStatement catalogueBase();
    // The catalogue's default order: " ORDER BY default_sort DESC, m_made_time DESC, ..."
    static constexpr std::string_view kDefaultOrder =
        " ORDER BY default_sort DESC, m_made_time DESC,ser_name_take ASC,font_weight ASC";
    // A VIP user is one whose user default "vip_type" is a non-empty text.
    static bool isVipUser();
    // The ordering that lists the fonts of a VIP rule's id list (the session's "rule" text, say)
    // first, in the rule's order, then the rest in the default order.
    static KXCatalogueStatement vipOrder(std::string_view ruleIds);

    // --- The lists' orders, for a list that shows its first rows early ---
    // A list statement (catalogueBase() and its conditions) ordered by kDefaultOrder, or by
    // vipOrder() of the rule's ids: the SQL text is the same as the one appended by hand, and the
    // statement keeps its conditions and order apart so that firstRowsParts() can split it.
    KXCatalogueStatement& appendDefaultOrder();
    KXCatalogueStatement& appendVipOrder(std::string_view ruleIds);
    // The index on the catalogue's local copy that holds the default order's keys and the columns
    // the lists' conditions read, so that a walk of it in order checks the conditions without
    // reading the table and stops once it has the first rows.
    static constexpr std::string_view kListOrderIndex = "kx_list_order";
    static std::string listOrderIndexSql();
    // Statements that together give the first rows of this statement, in its order: the
    // fonts the VIP rule lists (read by fontid, few rows to sort), then the others walked along
    // kListOrderIndex until enough are found. Each part is run with the number of rows still
    // wanted bound last. Empty when the statement is no list order appended above, or when its
    // rule text is too long for the order's "not listed" rank to stay above every listed place.
    std::vector<KXCatalogueStatement> firstRowsParts() const;

private:
    // Where the conditions of a list statement begin, and how it is ordered.
    struct ListOrder {
        std::string conditions;
        std::vector<foundation::Id> conditionArguments;
        std::string framedRule; // empty: the default order
        bool vip = false;
    };
    std::shared_ptr<const ListOrder> listOrderHere(std::string framedRule, bool vip) const;

    std::string sql_;
    std::vector<foundation::Id> arguments_;
    std::size_t conditionsAt_ = std::string::npos; // in sql_; npos: no list statement
    std::size_t conditionArgumentsAt_ = 0;
    std::shared_ptr<const ListOrder> listOrder_; // dropped by anything appended after the order
};
