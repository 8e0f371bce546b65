#include "Platform/Serialization/XMLDocument.h"

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Serialization/XMLParser.h"

#include <vector>

namespace foundation {

const Class* XMLDocument::classObject()
{
    static const Class* cls = &Class::define("NSXMLDocument", Object::classObject());
    return cls;
}

const Class* XMLDocument::isa() const
{
    return classObject();
}

XMLDocument::XMLDocument(Ref<XMLElement> root)
    : root_(std::move(root))
{
}

Ref<XMLDocument> XMLDocument::create(const Ref<Data>& data, unsigned, Ref<Error>* error)
{
    Ref<XMLElement> root;
    std::vector<Ref<XMLElement>> open;
    auto delegate = std::make_shared<XMLParserDelegate>();
    delegate->didStartElement = [&](XMLParser&, const std::string& name, const std::string&, const std::string&,
                                    const Ref<Dictionary>& attributes) {
        auto element = std::make_shared<XMLElement>(name, attributes);
        if (open.empty())
            root = element;
        else
            open.back()->appendChild(element);
        open.push_back(element);
    };
    delegate->didEndElement = [&](XMLParser&, const std::string&, const std::string&, const std::string&) {
        open.pop_back();
    };
    delegate->foundCharacters = [&](XMLParser&, const std::string& text) {
        if (!open.empty())
            open.back()->appendText(text);
    };
    delegate->foundCDATA = [&](XMLParser&, const Ref<Data>& block) {
        if (!open.empty())
            open.back()->appendText(block->view());
    };

    auto parser = XMLParser::create(data);
    parser->setDelegate(delegate);
    if (!parser->parse()) {
        if (error)
            *error = parser->parserError();
        return nullptr;
    }
    return std::make_shared<XMLDocument>(std::move(root));
}

std::string XMLDocument::description() const
{
    return "<?xml version=\"1.0\"?>" + (root_ ? root_->description() : std::string());
}

} // namespace foundation
