// Any bytes parse to the end or stop with an error, through every delegate callback, and build a
// document tree or fail the same way.
#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/XMLDocument.h"
#include "Platform/Serialization/XMLParser.h"

#include <cstdlib>

using namespace foundation;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    if (size == 0)
        return 0;
    bool namespaces = bytes[0] & 1;
    auto data = Data::create(std::span(bytes + 1, size - 1));

    std::size_t events = 0;
    int depth = 0;
    auto delegate = std::make_shared<XMLParserDelegate>();
    delegate->didStartElement = [&](XMLParser&, const std::string&, const std::string&, const std::string&,
                                    const Ref<Dictionary>& attributes) {
        events += attributes->count() + 1;
        ++depth;
    };
    delegate->didEndElement = [&](XMLParser&, const std::string&, const std::string&, const std::string&) { --depth; };
    delegate->foundCharacters = [&](XMLParser&, const std::string& text) { events += text.size(); };
    delegate->foundCDATA = [&](XMLParser&, const Ref<Data>& block) { events += block->length(); };
    auto parser = XMLParser::create(data);
    parser->setDelegate(delegate);
    parser->setShouldProcessNamespaces(namespaces);
    bool parsed = parser->parse();
    if (parsed == static_cast<bool>(parser->parserError()) || (parsed && depth != 0) || depth > XMLParser::kMaxDepth)
        std::abort();

    Ref<Error> error;
    auto document = XMLDocument::create(data, 0, &error);
    if (static_cast<bool>(document) == static_cast<bool>(error))
        std::abort();
    if (document)
        static_cast<void>(document->rootElement()->stringValue());
    return 0;
}
