#include "Class/ServiceCore/Catalogue/KXCatalogueStatement.h"

#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/UserDefaults.h"

#include <algorithm>
#include <cctype>
#include <charconv>

using foundation::Id;

namespace {

std::string_view trimmed(std::string_view text)
{
    constexpr std::string_view blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

// A whole decimal integer with an optional minus sign, nothing else.
bool parseId(std::string_view text, long long& value)
{
    text = trimmed(text);
    if (text.empty())
        return false;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end;
}

} // namespace

KXCatalogueStatement::KXCatalogueStatement(std::string sql, std::vector<Id> arguments)
    : sql_(std::move(sql))
    , arguments_(std::move(arguments))
{
}

KXCatalogueStatement& KXCatalogueStatement::append(std::string_view sql)
{
    listOrder_ = nullptr;
    sql_ += sql;
    return *this;
}

KXCatalogueStatement& KXCatalogueStatement::append(std::string_view sql, std::initializer_list<Id> arguments)
{
    listOrder_ = nullptr;
    sql_ += sql;
    arguments_.insert(arguments_.end(), arguments.begin(), arguments.end());
    return *this;
}

KXCatalogueStatement& KXCatalogueStatement::append(const KXCatalogueStatement& other)
{
    listOrder_ = nullptr;
    sql_ += other.sql_;
    arguments_.insert(arguments_.end(), other.arguments_.begin(), other.arguments_.end());
    return *this;
}

KXCatalogueStatement& KXCatalogueStatement::bind(const Id& argument)
{
    listOrder_ = nullptr;
    arguments_.push_back(argument);
    return *this;
}

std::vector<long long> KXCatalogueStatement::parseIdList(std::string_view text)
{
    std::vector<long long> ids;
    while (true) {
        const auto comma = text.find(',');
        long long value = 0;
        if (parseId(text.substr(0, comma), value))
            ids.push_back(value);
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    return ids;
}

bool KXCatalogueStatement::integerId(const Id& value, long long& id)
{
    if (auto* number = value.ptr<foundation::Number>()) {
        if (number->isBoolean())
            return false;
        if (number->isReal()) {
            const double real = number->doubleValue();
            if (!(real >= -9.2e18 && real <= 9.2e18) || real != static_cast<double>(static_cast<long long>(real)))
                return false;
        }
        id = number->longLongValue();
        return true;
    }
    if (auto* text = value.ptr<foundation::String>())
        return parseId(text->utf8(), id);
    return false;
}

std::vector<long long> KXCatalogueStatement::idsOfArray(const foundation::Array* array)
{
    std::vector<long long> ids;
    if (!array)
        return ids;
    for (const Id& element : *array) {
        long long value = 0;
        if (integerId(element, value))
            ids.push_back(value);
    }
    return ids;
}

std::string KXCatalogueStatement::joinIds(const std::vector<long long>& ids)
{
    std::string joined;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (i)
            joined += ',';
        joined += std::to_string(ids[i]);
    }
    return joined;
}

std::string KXCatalogueStatement::placeholders(std::size_t count)
{
    std::string text;
    text.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i)
        text += i ? ",?" : "?";
    return text;
}

KXCatalogueStatement KXCatalogueStatement::fontidIn(const std::vector<long long>& ids, bool negated)
{
    KXCatalogueStatement piece(std::string(negated ? "fontid NOT IN (" : "fontid IN (") + placeholders(ids.size()) + ")");
    piece.arguments_.reserve(ids.size());
    for (long long id : ids)
        piece.arguments_.emplace_back(id);
    return piece;
}

std::string KXCatalogueStatement::framedIds(const std::vector<long long>& ids)
{
    return "," + joinIds(ids) + ",";
}

KXCatalogueStatement KXCatalogueStatement::fontsInIdOrder(const std::vector<long long>& ids)
{
    return KXCatalogueStatement("SELECT fp_fonts.* FROM (SELECT value AS wanted, min(key) AS place FROM json_each(?) GROUP BY value)"
                                " JOIN fp_fonts ON fp_fonts.fontid = wanted ORDER BY place",
                                {Id("[" + joinIds(ids) + "]")});
}

KXCatalogueStatement KXCatalogueStatement::containing(std::string_view column, std::string_view text)
{
    // instr() and lower() work on the value's whole length; LIKE stops at a NUL byte in its pattern.
    KXCatalogueStatement statement("instr(lower(");
    return statement.append(column).append("), lower(?)) > 0", {Id(foundation::String::create(text))});
}

KXCatalogueStatement KXCatalogueStatement::containingElement(std::string_view column, std::string_view text)
{
    std::string framed = ",";
    framed.append(text);
    framed += ',';
    // An element that has no letters matches the same whatever the case: the column is searched as
    // it is, without a lowered copy of every row's value (a filter walks every row of the list).
    if (std::none_of(framed.begin(), framed.end(), [](unsigned char c) { return std::isalpha(c) || c >= 0x80; })) {
        KXCatalogueStatement statement("instr(");
        return statement.append(column).append(", ?) > 0", {Id(foundation::String::create(framed))});
    }
    return containing(column, framed);
}

KXCatalogueStatement KXCatalogueStatement::catalogueBase()
{
    constexpr std::string_view select = "SELECT * FROM fp_fonts  where  ";
    KXCatalogueStatement statement{std::string(select)};
    statement.conditionsAt_ = select.size();
    if (KXGlobalDataBase::sharedKXGlobalDataBase().isEnLanguage())
        return statement.append("language like '%,2,%'");
    const bool bigFontsSet = foundation::UserDefaults::standardUserDefaults().integerForKey("bigFontsSet") != 0;
    return statement.append(bigFontsSet ? "language like '%,1,%' and (codeid = 3 or codeid = 7)" : "language like '%,1,%' and (codeid != 3)");
}

bool KXCatalogueStatement::isVipUser()
{
    const auto vipType = foundation::UserDefaults::standardUserDefaults().stringForKey("vip_type");
    return vipType && !vipType->utf8().empty();
}

KXCatalogueStatement KXCatalogueStatement::vipOrder(std::string_view ruleIds)
{
    const Id framed(framedIds(parseIdList(ruleIds)));
    return KXCatalogueStatement(" order by case Instr(?,',' || fontid || ',') when 0 then 99999 else Instr(?,',' || fontid || ',')  end,"
                                " default_sort desc, m_made_time DESC,ser_name_take ASC,font_weight ASC",
        {framed, framed});
}

std::shared_ptr<const KXCatalogueStatement::ListOrder> KXCatalogueStatement::listOrderHere(std::string framedRule, bool vip) const
{
    if (conditionsAt_ == std::string::npos)
        return nullptr;
    auto order = std::make_shared<ListOrder>();
    order->conditions = sql_.substr(conditionsAt_);
    order->conditionArguments.assign(arguments_.begin() + static_cast<std::ptrdiff_t>(conditionArgumentsAt_), arguments_.end());
    order->framedRule = std::move(framedRule);
    order->vip = vip;
    return order;
}

KXCatalogueStatement& KXCatalogueStatement::appendDefaultOrder()
{
    auto order = listOrderHere({}, false);
    append(kDefaultOrder);
    listOrder_ = std::move(order);
    conditionsAt_ = std::string::npos; // what follows an order is no condition
    return *this;
}

KXCatalogueStatement& KXCatalogueStatement::appendVipOrder(std::string_view ruleIds)
{
    auto order = listOrderHere(framedIds(parseIdList(ruleIds)), true);
    append(vipOrder(ruleIds));
    listOrder_ = std::move(order);
    conditionsAt_ = std::string::npos; // what follows an order is no condition
    return *this;
}

std::string KXCatalogueStatement::listOrderIndexSql()
{
    // The order's keys first, in its directions; then the row's id, so that rows tying on every
    // key come in table order as they do out of a sort of the table; then every column the lists'
    // conditions and the rule's rank read.
    return std::string("CREATE INDEX IF NOT EXISTS ").append(kListOrderIndex)
        .append(" ON fp_fonts(default_sort DESC, m_made_time DESC, ser_name_take, font_weight, id,"
                " language, codeid, fontid, partner_id, marketing, tags)");
}

std::vector<KXCatalogueStatement> KXCatalogueStatement::firstRowsParts() const
{
    // Past this length a listed font's place could reach the rank the order gives the others.
    constexpr std::size_t kUnlistedRank = 99999;
    std::vector<KXCatalogueStatement> parts;
    if (!listOrder_ || listOrder_->framedRule.size() >= kUnlistedRank)
        return parts;
    const ListOrder& order = *listOrder_;
    const auto conditions = [&order](KXCatalogueStatement& part) {
        part.sql_ += order.conditions;
        part.arguments_.insert(part.arguments_.end(), order.conditionArguments.begin(), order.conditionArguments.end());
    };
    constexpr std::string_view rank = "Instr(?, ',' || fontid || ',')";
    if (order.vip) {
        // The listed fonts: only rows whose fontid is NULL, one of the ids or not a number can have
        // a rank other than "not listed", and the fontid index finds those without a scan.
        const Id framed(order.framedRule);
        const Id ids("[" + order.framedRule.substr(1, order.framedRule.size() - 2) + "]");
        KXCatalogueStatement listed("SELECT * FROM fp_fonts WHERE (fontid IS NULL OR fontid IN (SELECT value FROM json_each(?))"
                                    " OR fontid >= '') AND (",
            {ids});
        conditions(listed);
        listed.append(") AND ").append(rank, {framed}).append(" IS NOT 0 ORDER BY ").append(rank, {framed});
        listed.append(", default_sort desc, m_made_time DESC,ser_name_take ASC,font_weight ASC LIMIT ?");
        parts.push_back(std::move(listed));
    }
    KXCatalogueStatement rest("SELECT * FROM fp_fonts INDEXED BY ");
    rest.append(kListOrderIndex).append(" WHERE (");
    conditions(rest);
    rest.append(")");
    if (order.vip)
        rest.append(" AND ").append(rank, {Id(order.framedRule)}).append(" = 0");
    rest.append(kDefaultOrder).append(" LIMIT ?");
    parts.push_back(std::move(rest));
    return parts;
}
