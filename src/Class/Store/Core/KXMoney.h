#pragma once

#include "Platform/Foundation/Object.h"

#include <optional>
#include <string_view>

// Amounts of money as the service writes them ("19.90", "199", 19.9, 12.5) read as whole fen
// (hundredths of a yuan), so that a threshold such as "a promotion price of at least 1 yuan" is
// decided on integers, never on a binary fraction. The client does no other arithmetic on money:
// it shows the service's texts as they came.
class KXMoney {
public:
    // Decimal text: blanks around it, an optional sign, digits with at most one point and an
    // optional exponent ("1.5e2"). Digits past the second decimal round half away from zero.
    // nullopt for anything else and for amounts beyond 10^17 fen.
    static std::optional<long long> fenFromText(std::string_view text);
    // A number (read through its "%.16g" text, so 19.9 is 1990 fen, not 1989) or a string as
    // above; 0 for nil, other kinds and text that is not an amount.
    static long long fen(const foundation::Id& value);
};
