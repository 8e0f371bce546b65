#include "Lib/LayoutConstraints/LCConstraint.h"

LCConstraint::~LCConstraint() = default;

LCConstraint& LCConstraint::greaterThanOrEqualTo(const LCValue& object)
{
    return equalToWithRelation(object, autolayout::LayoutRelation::GreaterThanOrEqual);
}

LCConstraint& LCConstraint::lessThanOrEqualTo(const LCValue& object)
{
    return equalToWithRelation(object, autolayout::LayoutRelation::LessThanOrEqual);
}

LCConstraint& LCConstraint::insets(LCEdgeInsets insets)
{
    setInsets(insets);
    return *this;
}

LCConstraint& LCConstraint::inset(double inset)
{
    setInset(inset);
    return *this;
}

LCConstraint& LCConstraint::sizeOffset(LCSize offset)
{
    setSizeOffset(offset);
    return *this;
}

LCConstraint& LCConstraint::centerOffset(LCPoint offset)
{
    setCenterOffset(offset);
    return *this;
}

LCConstraint& LCConstraint::offset(double offset)
{
    setOffset(offset);
    return *this;
}

LCConstraint& LCConstraint::valueOffset(const LCValue& value)
{
    setLayoutConstantWithValue(value);
    return *this;
}

void LCConstraint::setLayoutConstantWithValue(const LCValue& value)
{
    if (const LCNumber* number = value.number())
        setOffset(number->doubleValue());
    else if (const LCPoint* point = value.point())
        setCenterOffset(*point);
    else if (const LCSize* size = value.size())
        setSizeOffset(*size);
    else if (const LCEdgeInsets* insets = value.insets())
        setInsets(*insets);
}

void LCConstraint::mustOverride(const char* operation)
{
    throw LCInternalInconsistencyException(std::string("You must override ") + operation + " in a subclass.");
}

LCConstraint& LCConstraint::addConstraintWithLayoutAttribute(autolayout::LayoutAttribute)
{
    mustOverride("addConstraintWithLayoutAttribute:");
}

LCConstraint& LCConstraint::multipliedBy(double)
{
    mustOverride("multipliedBy");
}

LCConstraint& LCConstraint::dividedBy(double)
{
    mustOverride("dividedBy");
}

LCConstraint& LCConstraint::priority(autolayout::LayoutPriority)
{
    mustOverride("priority");
}

LCConstraint& LCConstraint::equalToWithRelation(const LCValue&, autolayout::LayoutRelation)
{
    mustOverride("equalToWithRelation");
}

LCConstraint& LCConstraint::key(const std::string&)
{
    mustOverride("key");
}

void LCConstraint::setInsets(LCEdgeInsets)
{
    mustOverride("setInsets:");
}

void LCConstraint::setInset(double)
{
    mustOverride("setInset:");
}

void LCConstraint::setSizeOffset(LCSize)
{
    mustOverride("setSizeOffset:");
}

void LCConstraint::setCenterOffset(LCPoint)
{
    mustOverride("setCenterOffset:");
}

void LCConstraint::setOffset(double)
{
    mustOverride("setOffset:");
}

LCConstraint& LCConstraint::animator()
{
    mustOverride("animator");
}

void LCConstraint::activate()
{
    mustOverride("activate");
}

void LCConstraint::deactivate()
{
    mustOverride("deactivate");
}

void LCConstraint::install()
{
    mustOverride("install");
}

void LCConstraint::uninstall()
{
    mustOverride("uninstall");
}
