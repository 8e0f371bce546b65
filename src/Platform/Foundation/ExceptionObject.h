#pragma once

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Object.h"
#include "Platform/Foundation/String.h"

#include <string_view>

namespace foundation {

// The object-model form of a raised exception (NSException): its name, its reason (nil when it
// has none) and the call-stack symbols of the thread that raised it. Immutable.
class ExceptionObject final : public Object {
public:
    static const Class* classObject(); // NSException
    const Class* isa() const override;

    // An empty reason counts as none.
    static Ref<ExceptionObject> create(
        std::string_view name, std::string_view reason, Ref<Array> callStackSymbols = nullptr);

    const Ref<String>& name() const { return name_; }
    const Ref<String>& reason() const { return reason_; }
    // Never nil; empty when no stack was taken.
    const Ref<Array>& callStackSymbols() const { return callStackSymbols_; }

    // The reason, as the platform prints an exception; the name when there is no reason.
    std::string description() const override;

    ExceptionObject(Ref<String> name, Ref<String> reason, Ref<Array> callStackSymbols);

private:
    Ref<String> name_;
    Ref<String> reason_;
    Ref<Array> callStackSymbols_;
};

} // namespace foundation
