#include "Lib/LayoutConstraints/LCValue.h"

#include <cstring>

double LCNumber::doubleValue() const
{
    return std::visit([](auto value) { return static_cast<double>(value); }, value_);
}

char LCNumber::objCType() const
{
    static const char types[] = { 'c', 'i', 's', 'q', 'B', 'C', 'I', 'Q', 'S', 'f', 'd' };
    return types[value_.index()];
}

LCValue::LCValue(autolayout::View* view)
{
    if (view)
        value_ = view->shared_from_this();
}

autolayout::View* LCValue::view() const
{
    auto held = std::get_if<std::shared_ptr<autolayout::View>>(&value_);
    return held ? held->get() : nullptr;
}

namespace {

template <class T>
LCValue boxNumber(const LCBoxArgument& argument)
{
    return std::visit(
        [](const auto& value) -> LCValue {
            using V = std::decay_t<decltype(value)>;
            if constexpr (std::is_arithmetic_v<V>)
                return LCNumber(static_cast<T>(value));
            else
                return LCValue();
        },
        argument);
}

template <class T>
LCValue boxStructure(const LCBoxArgument& argument)
{
    const T* value = std::get_if<T>(&argument);
    return value ? LCValue(*value) : LCValue();
}

} // namespace

LCValue LCBoxedValue(const char* encoding, const LCBoxArgument& argument)
{
    if (!encoding)
        return LCValue();
    auto is = [encoding](const char* candidate) { return std::strcmp(encoding, candidate) == 0; };
    if (is("@")) {
        const LCValue* object = std::get_if<LCValue>(&argument);
        return object ? *object : LCValue();
    }
    if (is("{CGPoint=dd}"))
        return boxStructure<LCPoint>(argument);
    if (is("{CGSize=dd}"))
        return boxStructure<LCSize>(argument);
    if (is("{NSEdgeInsets=dddd}"))
        return boxStructure<LCEdgeInsets>(argument);
    if (is("d"))
        return boxNumber<double>(argument);
    if (is("f"))
        return boxNumber<float>(argument);
    if (is("i"))
        return boxNumber<int>(argument);
    if (is("q"))
        return boxNumber<long long>(argument);
    if (is("s"))
        return boxNumber<short>(argument);
    if (is("c"))
        return boxNumber<signed char>(argument);
    if (is("B")) {
        // Any non-zero value is YES.
        return std::visit(
            [](const auto& value) -> LCValue {
                using V = std::decay_t<decltype(value)>;
                if constexpr (std::is_arithmetic_v<V>)
                    return LCNumber(value != V(0));
                else
                    return LCValue();
            },
            argument);
    }
    if (is("C"))
        return boxNumber<unsigned char>(argument);
    if (is("I"))
        return boxNumber<unsigned int>(argument);
    if (is("Q"))
        return boxNumber<unsigned long long>(argument);
    if (is("S"))
        return boxNumber<unsigned short>(argument);
    return LCValue();
}
