#include "Platform/Foundation/ExceptionObject.h"

namespace foundation {

const Class* ExceptionObject::classObject()
{
    static const Class* cls = &Class::define("NSException", Object::classObject());
    return cls;
}

const Class* ExceptionObject::isa() const
{
    return classObject();
}

ExceptionObject::ExceptionObject(Ref<String> name, Ref<String> reason, Ref<Array> callStackSymbols)
    : name_(std::move(name))
    , reason_(std::move(reason))
    , callStackSymbols_(callStackSymbols ? std::move(callStackSymbols) : Array::create())
{
}

Ref<ExceptionObject> ExceptionObject::create(
    std::string_view name, std::string_view reason, Ref<Array> callStackSymbols)
{
    return std::make_shared<ExceptionObject>(
        String::create(name), reason.empty() ? nullptr : String::create(reason), std::move(callStackSymbols));
}

std::string ExceptionObject::description() const
{
    return reason_ ? reason_->utf8() : name_->utf8();
}

} // namespace foundation
