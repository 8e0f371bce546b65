#pragma once

#include "Platform/Foundation/Object.h"

#include <string>

namespace foundation {

class Data;
class Error;
class Number;

// The JSON writer behind JSONSerialization (see its header for the rules).
Ref<Data> writeJSON(const Id& object, unsigned options, Ref<Error>* error);
bool isValidJSONValue(const Id& object, bool fragmentsAllowed);

// A real as the writer prints it: the fewest digits that read back to the same value, in fixed
// notation unless the decimal exponent is below -4 or at least 17 ("0.1", "100", "1e+20").
void appendShortestReal(std::string& out, double value, bool singlePrecision);

} // namespace foundation
