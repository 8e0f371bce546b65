#pragma once

#include "Platform/Foundation/Object.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace foundation {

class Data;
class Dictionary;
class Error;
class XMLParser;

inline constexpr std::string_view NSXMLParserErrorDomain = "NSXMLParserErrorDomain";
// User-info keys of a parse error.
inline constexpr std::string_view NSXMLParserErrorLineNumberKey = "NSXMLParserErrorLineNumber";
inline constexpr std::string_view NSXMLParserErrorColumnKey = "NSXMLParserErrorColumn";
inline constexpr std::string_view NSXMLParserErrorMessageKey = "NSXMLParserErrorMessage";

// Error codes of NSXMLParserErrorDomain. They are the numbers of the underlying parser's errors,
// as on the platform; these are the ones callers test for.
enum XMLParserErrorCode : long long {
    XMLParserInternalError = 1, // also: nesting deeper than XMLParser::kMaxDepth
    XMLParserOutOfMemoryError = 2,
    XMLParserEmptyDocumentError = 4,
    XMLParserPrematureDocumentEndError = 5,
    XMLParserUndeclaredEntityError = 26,
    XMLParserGTRequiredError = 73,
    XMLParserTagNameMismatchError = 76,
    XMLParserDelegateAbortedParseError = 512,
};

// The callbacks of a parse; an empty member means the delegate does not respond to it.
// With namespace processing off, elementName is the name as written and namespaceURI and
// qualifiedName are empty; with it on, elementName is the local name. Attributes map names as
// written to their values (Strings), in document order. Text may arrive in several pieces.
struct XMLParserDelegate {
    std::function<void(XMLParser&)> parserDidStartDocument;
    std::function<void(XMLParser&)> parserDidEndDocument;
    std::function<void(XMLParser&, const std::string& elementName, const std::string& namespaceURI,
        const std::string& qualifiedName, const Ref<Dictionary>& attributes)>
        didStartElement;
    std::function<void(XMLParser&, const std::string& elementName, const std::string& namespaceURI,
        const std::string& qualifiedName)>
        didEndElement;
    std::function<void(XMLParser&, const std::string& characters)> foundCharacters;
    std::function<void(XMLParser&, const Ref<Data>& block)> foundCDATA;
    std::function<void(XMLParser&, const Ref<Error>& error)> parseErrorOccurred;
};

// An event-driven XML parser (NSXMLParser) over libxml2. Safe by construction: no network access,
// no DTD loading, no entity expansion beyond the five predefined ones (an entity declared in the
// document is reported as undeclared where it is used), and nesting limited to kMaxDepth.
// One parser serves one thread at a time; the delegate is held weakly and kept alive during parse().
class XMLParser : public Object {
public:
    static constexpr int kMaxDepth = 256;

    static const Class* classObject(); // NSXMLParser
    const Class* isa() const override;

    static Ref<XMLParser> create(Ref<Data> data);

    void setDelegate(const std::shared_ptr<XMLParserDelegate>& delegate) { delegate_ = delegate; }
    std::shared_ptr<XMLParserDelegate> delegate() const { return delegate_.lock(); }
    bool shouldProcessNamespaces() const { return processNamespaces_; }
    void setShouldProcessNamespaces(bool value) { processNamespaces_ = value; }

    // Runs the whole parse on the calling thread; false after an error or abortParsing(), and
    // without effect when called from one of this parser's own callbacks.
    bool parse();
    // From a delegate callback: stops the parse, which then fails with code 512.
    void abortParsing();
    const Ref<Error>& parserError() const { return error_; }
    // Position of the parse, for delegate callbacks (lines from 1).
    long lineNumber() const;
    long columnNumber() const;

    explicit XMLParser(Ref<Data> data);
    ~XMLParser() override;

private:
    friend struct XMLParserCallbacks;
    void fail(long long code, std::string message, long line, long column);

    Ref<Data> data_;
    std::weak_ptr<XMLParserDelegate> delegate_;
    bool processNamespaces_ = false;
    Ref<Error> error_;

    // State of a running parse.
    void* context_ = nullptr; // the libxml2 parser context
    XMLParserDelegate* active_ = nullptr;
    int depth_ = 0;
    bool aborted_ = false;
};

} // namespace foundation
