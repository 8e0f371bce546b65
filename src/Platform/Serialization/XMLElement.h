#pragma once

#include "Platform/Foundation/Object.h"

#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace foundation {

class Dictionary;

// One element of an XMLDocument: its name as written, its attributes (names to Strings, in
// document order), and its content (child elements and text in document order).
class XMLElement final : public Object {
public:
    static const Class* classObject(); // NSXMLElement
    const Class* isa() const override;

    const std::string& name() const { return name_; }
    const Ref<Dictionary>& attributes() const { return attributes_; }
    // The attribute's value, or nil.
    Id attributeForName(std::string_view name) const;
    // Child elements only, in document order.
    std::vector<Ref<XMLElement>> children() const;
    std::vector<Ref<XMLElement>> elementsForName(std::string_view name) const;
    // The text of this element and all its descendants, concatenated in document order.
    std::string stringValue() const;
    std::shared_ptr<XMLElement> parent() const { return parent_.lock(); }

    // "<name a=\"1\">text<child/></name>", for logs.
    std::string description() const override;

    XMLElement(std::string name, Ref<Dictionary> attributes);

    // Used while the document is built.
    void appendChild(const Ref<XMLElement>& child);
    void appendText(std::string_view text);

private:
    void appendStringValue(std::string& out) const;

    std::string name_;
    Ref<Dictionary> attributes_;
    std::vector<std::variant<Ref<XMLElement>, std::string>> content_;
    std::weak_ptr<XMLElement> parent_;
};

} // namespace foundation
