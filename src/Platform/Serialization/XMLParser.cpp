#include "Platform/Serialization/XMLParser.h"

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/String.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/SAX2.h>

#include <algorithm>
#include <mutex>
#include <string>

namespace foundation {

namespace {

// Input is handed over in pieces so that abortParsing() takes effect promptly.
constexpr std::size_t kChunkSize = 64 * 1024;

std::string text(const xmlChar* value)
{
    return value ? std::string(reinterpret_cast<const char*>(value)) : std::string();
}

std::string qualified(const xmlChar* prefix, const xmlChar* localName)
{
    return prefix ? text(prefix) + ":" + text(localName) : text(localName);
}

void initialiseLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

} // namespace

// The libxml2 callbacks; each receives the XMLParser as its context.
struct XMLParserCallbacks {
    static XMLParser& self(void* context) { return *static_cast<XMLParser*>(context); }
    static xmlParserCtxtPtr parserContext(XMLParser& parser) { return static_cast<xmlParserCtxtPtr>(parser.context_); }

    static void startDocument(void* context)
    {
        XMLParser& parser = self(context);
        if (parser.active_->parserDidStartDocument)
            parser.active_->parserDidStartDocument(parser);
    }

    static void endDocument(void* context)
    {
        XMLParser& parser = self(context);
        // Only a parse that went through reports the end of the document.
        if (parserContext(parser)->wellFormed && !parser.error_ && parser.active_->parserDidEndDocument)
            parser.active_->parserDidEndDocument(parser);
    }

    static void startElement(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri,
        int namespaceCount, const xmlChar** namespaces, int attributeCount, int, const xmlChar** attributes)
    {
        XMLParser& parser = self(context);
        if (++parser.depth_ > XMLParser::kMaxDepth) {
            parser.fail(XMLParserInternalError, "Excessive depth in document", parser.lineNumber(),
                parser.columnNumber());
            return;
        }
        if (!parser.active_->didStartElement)
            return;
        std::vector<Dictionary::Entry> entries;
        if (!parser.processNamespaces_) {
            // Declarations are ordinary attributes when namespaces are not processed.
            for (int i = 0; i < namespaceCount; ++i) {
                const xmlChar* declared = namespaces[2 * i];
                entries.push_back({Id(declared ? "xmlns:" + text(declared) : std::string("xmlns")),
                    Id(text(namespaces[2 * i + 1])), 0});
            }
        }
        for (int i = 0; i < attributeCount; ++i) {
            const xmlChar** attribute = attributes + 5 * i;
            std::string value(reinterpret_cast<const char*>(attribute[3]), static_cast<std::size_t>(attribute[4] - attribute[3]));
            entries.push_back({Id(qualified(attribute[1], attribute[0])), Id(value), 0});
        }
        auto dictionary = Dictionary::createWithEntries(std::move(entries));
        if (parser.processNamespaces_)
            parser.active_->didStartElement(parser, text(localName), text(uri), qualified(prefix, localName), dictionary);
        else
            parser.active_->didStartElement(parser, qualified(prefix, localName), {}, {}, dictionary);
    }

    static void endElement(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri)
    {
        XMLParser& parser = self(context);
        --parser.depth_;
        if (!parser.active_->didEndElement)
            return;
        if (parser.processNamespaces_)
            parser.active_->didEndElement(parser, text(localName), text(uri), qualified(prefix, localName));
        else
            parser.active_->didEndElement(parser, qualified(prefix, localName), {}, {});
    }

    static void characters(void* context, const xmlChar* value, int length)
    {
        XMLParser& parser = self(context);
        if (parser.active_->foundCharacters)
            parser.active_->foundCharacters(parser, std::string(reinterpret_cast<const char*>(value), static_cast<std::size_t>(length)));
    }

    static void cdata(void* context, const xmlChar* value, int length)
    {
        XMLParser& parser = self(context);
        if (parser.active_->foundCDATA)
            parser.active_->foundCDATA(parser, Data::create(std::string_view(reinterpret_cast<const char*>(value), static_cast<std::size_t>(length))));
    }

    // No entity other than the five predefined ones is ever expanded or fetched.
    static xmlEntityPtr getEntity(void*, const xmlChar* name) { return xmlGetPredefinedEntity(name); }

    static void structuredError(void* context, xmlErrorPtr error)
    {
        if (error == nullptr || error->level != XML_ERR_FATAL)
            return;
        std::string message = error->message ? error->message : "";
        while (!message.empty() && message.back() == '\n')
            message.pop_back();
        self(context).fail(error->code, std::move(message), error->line, error->int2);
    }

    static xmlSAXHandler handler()
    {
        xmlSAXHandler sax {};
        sax.initialized = XML_SAX2_MAGIC;
        sax.startDocument = startDocument;
        sax.endDocument = endDocument;
        sax.startElementNs = startElement;
        sax.endElementNs = endElement;
        sax.characters = characters;
        sax.ignorableWhitespace = characters;
        sax.cdataBlock = cdata;
        sax.getEntity = getEntity;
        sax.serror = structuredError;
        return sax;
    }
};

const Class* XMLParser::classObject()
{
    static const Class* cls = &Class::define("NSXMLParser", Object::classObject());
    return cls;
}

const Class* XMLParser::isa() const
{
    return classObject();
}

Ref<XMLParser> XMLParser::create(Ref<Data> data)
{
    return std::make_shared<XMLParser>(std::move(data));
}

XMLParser::XMLParser(Ref<Data> data)
    : data_(data ? std::move(data) : Data::create())
{
}

XMLParser::~XMLParser() = default;

void XMLParser::fail(long long code, std::string message, long line, long column)
{
    if (context_)
        xmlStopParser(static_cast<xmlParserCtxtPtr>(context_));
    if (error_)
        return;
    auto userInfo = Dictionary::create({
        {Id(NSXMLParserErrorLineNumberKey), Id(line)},
        {Id(NSXMLParserErrorColumnKey), Id(column)},
        {Id(NSXMLParserErrorMessageKey), Id(message)},
    });
    error_ = Error::errorWithDomain(NSXMLParserErrorDomain, code, userInfo);
    if (!aborted_ && active_ && active_->parseErrorOccurred)
        active_->parseErrorOccurred(*this, error_);
}

bool XMLParser::parse()
{
    if (context_)
        return false; // already parsing: a delegate called parse() again
    initialiseLibrary();
    auto delegate = delegate_.lock();
    XMLParserDelegate none;
    active_ = delegate ? delegate.get() : &none;
    error_ = nullptr;
    depth_ = 0;
    aborted_ = false;

    if (data_->length() == 0) {
        // The push parser would call this a premature end; the platform calls it empty.
        fail(XMLParserEmptyDocumentError, "Document is empty", 1, 0);
        active_ = nullptr;
        return false;
    }
    xmlSAXHandler sax = XMLParserCallbacks::handler();
    xmlParserCtxtPtr context = xmlCreatePushParserCtxt(&sax, this, nullptr, 0, nullptr);
    if (context == nullptr) {
        fail(XMLParserOutOfMemoryError, "Cannot create a parser", 0, 0);
        active_ = nullptr;
        return false;
    }
    xmlCtxtUseOptions(context, XML_PARSE_NONET | XML_PARSE_NOENT);
    context_ = context;

    std::string_view input = data_->view();
    std::size_t offset = 0;
    do {
        std::size_t size = std::min(kChunkSize, input.size() - offset);
        bool last = offset + size == input.size();
        xmlParseChunk(context, input.data() + offset, static_cast<int>(size), last ? 1 : 0);
        offset += size;
        if (aborted_ || error_ || context->disableSAX)
            break;
    } while (offset < input.size());

    bool wellFormed = context->wellFormed != 0;
    if (!aborted_ && !error_ && !wellFormed)
        fail(XMLParserInternalError, "The document is not well-formed", lineNumber(), columnNumber());
    context_ = nullptr;
    // libxml2 keeps a scratch document for the declarations of an internal subset.
    if (context->myDoc)
        xmlFreeDoc(context->myDoc);
    xmlFreeParserCtxt(context);
    active_ = nullptr;
    return !aborted_ && !error_;
}

void XMLParser::abortParsing()
{
    if (!context_ || aborted_)
        return;
    aborted_ = true;
    xmlStopParser(static_cast<xmlParserCtxtPtr>(context_));
    auto userInfo = Dictionary::create({{Id(NSXMLParserErrorMessageKey), Id("The delegate aborted the parse")}});
    if (!error_)
        error_ = Error::errorWithDomain(NSXMLParserErrorDomain, XMLParserDelegateAbortedParseError, userInfo);
}

long XMLParser::lineNumber() const
{
    return context_ ? xmlSAX2GetLineNumber(context_) : 0;
}

long XMLParser::columnNumber() const
{
    return context_ ? xmlSAX2GetColumnNumber(context_) : 0;
}

} // namespace foundation
