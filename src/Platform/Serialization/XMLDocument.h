#pragma once

#include "Platform/Foundation/Object.h"
#include "Platform/Serialization/XMLElement.h"

namespace foundation {

class Data;
class Error;

// A parsed XML document (NSXMLDocument): the tree of elements with their attributes and text,
// read with XMLParser and therefore under the same safety rules (no network, no DTD, no entity
// expansion, limited depth). CDATA sections count as text. Comments and processing instructions
// are not kept.
class XMLDocument final : public Object {
public:
    static const Class* classObject(); // NSXMLDocument
    const Class* isa() const override;

    // nil and the parser's error (NSXMLParserErrorDomain) when the data is not well-formed XML.
    // No option changes the reading yet; the argument keeps the platform's shape.
    static Ref<XMLDocument> create(const Ref<Data>& data, unsigned options, Ref<Error>* error = nullptr);

    const Ref<XMLElement>& rootElement() const { return root_; }
    std::string description() const override;

    explicit XMLDocument(Ref<XMLElement> root);

private:
    Ref<XMLElement> root_;
};

} // namespace foundation
