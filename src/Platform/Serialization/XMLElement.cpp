#include "Platform/Serialization/XMLElement.h"

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Serialization/XMLEscape.h"

namespace foundation {

const Class* XMLElement::classObject()
{
    static const Class* cls = &Class::define("NSXMLElement", Object::classObject());
    return cls;
}

const Class* XMLElement::isa() const
{
    return classObject();
}

XMLElement::XMLElement(std::string name, Ref<Dictionary> attributes)
    : name_(std::move(name))
    , attributes_(attributes ? std::move(attributes) : Dictionary::create())
{
}

Id XMLElement::attributeForName(std::string_view name) const
{
    return attributes_->objectForKey(name);
}

std::vector<Ref<XMLElement>> XMLElement::children() const
{
    std::vector<Ref<XMLElement>> elements;
    for (const auto& item : content_)
        if (const auto* element = std::get_if<Ref<XMLElement>>(&item))
            elements.push_back(*element);
    return elements;
}

std::vector<Ref<XMLElement>> XMLElement::elementsForName(std::string_view name) const
{
    std::vector<Ref<XMLElement>> elements;
    for (const auto& item : content_)
        if (const auto* element = std::get_if<Ref<XMLElement>>(&item); element && (*element)->name() == name)
            elements.push_back(*element);
    return elements;
}

std::string XMLElement::stringValue() const
{
    std::string out;
    appendStringValue(out);
    return out;
}

void XMLElement::appendStringValue(std::string& out) const
{
    for (const auto& item : content_) {
        if (const auto* element = std::get_if<Ref<XMLElement>>(&item))
            (*element)->appendStringValue(out);
        else
            out += std::get<std::string>(item);
    }
}

std::string XMLElement::description() const
{
    std::string out = "<" + name_;
    for (const auto& entry : *attributes_) {
        out += " " + entry.key.stringValue() + "=\"";
        appendXMLEscaped(out, entry.value.stringValue(), true);
        out += "\"";
    }
    if (content_.empty())
        return out + "/>";
    out += ">";
    for (const auto& item : content_) {
        if (const auto* element = std::get_if<Ref<XMLElement>>(&item))
            out += (*element)->description();
        else
            appendXMLEscaped(out, std::get<std::string>(item));
    }
    return out + "</" + name_ + ">";
}

void XMLElement::appendChild(const Ref<XMLElement>& child)
{
    child->parent_ = std::static_pointer_cast<XMLElement>(self());
    content_.emplace_back(child);
}

void XMLElement::appendText(std::string_view text)
{
    // Text arrives in pieces; neighbouring pieces form one text node.
    if (!content_.empty())
        if (auto* last = std::get_if<std::string>(&content_.back())) {
            last->append(text);
            return;
        }
    content_.emplace_back(std::string(text));
}

} // namespace foundation
