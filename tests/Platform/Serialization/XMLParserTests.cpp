#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/XMLParser.h"

#include <gtest/gtest.h>

using namespace foundation;

namespace {

// Records every callback as one line, so that a test can compare the whole sequence.
struct Recorder {
    std::vector<std::string> events;
    std::shared_ptr<XMLParserDelegate> delegate = std::make_shared<XMLParserDelegate>();

    Recorder()
    {
        delegate->parserDidStartDocument = [this](XMLParser&) { events.push_back("start-document"); };
        delegate->parserDidEndDocument = [this](XMLParser&) { events.push_back("end-document"); };
        delegate->didStartElement = [this](XMLParser&, const std::string& name, const std::string& uri,
                                        const std::string& qname, const Ref<Dictionary>& attributes) {
            std::string line = "start " + name + " [" + uri + "] [" + qname + "]";
            for (const auto& entry : *attributes)
                line += " " + entry.key.stringValue() + "=" + entry.value.stringValue();
            events.push_back(line);
        };
        delegate->didEndElement = [this](XMLParser&, const std::string& name, const std::string&, const std::string&) {
            events.push_back("end " + name);
        };
        delegate->foundCharacters = [this](XMLParser&, const std::string& text) {
            if (!events.empty() && events.back().starts_with("text "))
                events.back() += text;
            else
                events.push_back("text " + text);
        };
        delegate->foundCDATA = [this](XMLParser&, const Ref<Data>& block) {
            events.push_back("cdata " + std::string(block->view()));
        };
        delegate->parseErrorOccurred = [this](XMLParser&, const Ref<Error>& error) {
            events.push_back("error " + std::to_string(error->code()));
        };
    }

    bool parse(std::string_view xml, bool namespaces = false, Ref<XMLParser>* keep = nullptr)
    {
        auto parser = XMLParser::create(Data::create(xml));
        parser->setDelegate(delegate);
        parser->setShouldProcessNamespaces(namespaces);
        bool ok = parser->parse();
        if (keep)
            *keep = parser;
        return ok;
    }
};

using Events = std::vector<std::string>;

} // namespace

TEST(XMLParserEvents, ReportsElementsAttributesTextAndCDATAInOrder)
{
    Recorder recorder;
    ASSERT_TRUE(recorder.parse(R"(<?xml version="1.0" encoding="UTF-8"?>)"
                               R"(<fonts count="2" kind="a&amp;b &#x5B57;"><font id="1">Ada &lt;Sans&gt;</font>)"
                               R"(<![CDATA[<raw>]]><empty/></fonts>)"));
    EXPECT_EQ(recorder.events, (Events{"start-document", "start fonts [] [] count=2 kind=a&b 字",
                                   "start font [] [] id=1", "text Ada <Sans>", "end font", "cdata <raw>",
                                   "start empty [] []", "end empty", "end fonts", "end-document"}));
}

TEST(XMLParserEvents, NamespacesAsWrittenOrProcessed)
{
    const char* xml = R"(<r:root xmlns:r="urn:r" xmlns="urn:d"><item r:lang="en"/></r:root>)";
    Recorder plain;
    ASSERT_TRUE(plain.parse(xml));
    EXPECT_EQ(plain.events[1], "start r:root [] [] xmlns:r=urn:r xmlns=urn:d");
    EXPECT_EQ(plain.events[2], "start item [] [] r:lang=en");

    Recorder processed;
    ASSERT_TRUE(processed.parse(xml, true));
    EXPECT_EQ(processed.events[1], "start root [urn:r] [r:root]");
    EXPECT_EQ(processed.events[2], "start item [urn:d] [item] r:lang=en");
    EXPECT_EQ(processed.events[4], "end root");
}

TEST(XMLParserErrors, CarryThePlatformCodesAndPosition)
{
    struct Case {
        const char* xml;
        long long code;
    };
    for (const Case& sample : {Case{"", XMLParserEmptyDocumentError}, Case{"<a><b></a>", XMLParserTagNameMismatchError},
             Case{"<a>&nbsp;</a>", XMLParserUndeclaredEntityError}, Case{"<a", XMLParserPrematureDocumentEndError},
             Case{"<a>text", XMLParserPrematureDocumentEndError}}) {
        Recorder recorder;
        Ref<XMLParser> parser;
        EXPECT_FALSE(recorder.parse(sample.xml, false, &parser)) << sample.xml;
        ASSERT_TRUE(parser->parserError()) << sample.xml;
        EXPECT_EQ(parser->parserError()->domain(), NSXMLParserErrorDomain);
        EXPECT_EQ(parser->parserError()->code(), sample.code) << sample.xml;
        EXPECT_EQ(recorder.events.back(), "error " + std::to_string(sample.code)) << sample.xml;
        EXPECT_EQ(std::count(recorder.events.begin(), recorder.events.end(), "end-document"), 0);
    }
    Recorder recorder;
    Ref<XMLParser> parser;
    recorder.parse("<a>\n<b>\n</c></a>", false, &parser);
    EXPECT_EQ(parser->parserError()->objectForUserInfoKey(NSXMLParserErrorLineNumberKey).integerValue(), 3);
}

TEST(XMLParserSafety, DeclaredEntitiesAreNeverExpanded)
{
    Recorder recorder;
    const char* laughs = R"(<?xml version="1.0"?><!DOCTYPE l [<!ENTITY a "aaaaaaaaaa">)"
                         R"(<!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;"><!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">]>)"
                         R"(<l>&c;</l>)";
    recorder.parse(laughs);
    for (const auto& event : recorder.events)
        EXPECT_EQ(event.find("aaaa"), std::string::npos) << event;
}

TEST(XMLParserSafety, ExternalEntitiesAndDTDsAreNotRead)
{
    auto dir = std::filesystem::temp_directory_path();
    Recorder recorder;
    std::string xml = R"(<?xml version="1.0"?><!DOCTYPE r SYSTEM "file:///etc/passwd" [<!ENTITY x SYSTEM "file:///etc/hostname">]><r>&x;</r>)";
    recorder.parse(xml);
    for (const auto& event : recorder.events)
        EXPECT_FALSE(event.starts_with("text ")) << event;
}

TEST(XMLParserSafety, NestingIsLimited)
{
    auto nested = [](int depth) {
        std::string xml;
        for (int i = 0; i < depth; ++i)
            xml += "<a>";
        for (int i = 0; i < depth; ++i)
            xml += "</a>";
        return xml;
    };
    Recorder ok;
    EXPECT_TRUE(ok.parse(nested(XMLParser::kMaxDepth)));
    Recorder deep;
    Ref<XMLParser> parser;
    EXPECT_FALSE(deep.parse(nested(XMLParser::kMaxDepth + 1), false, &parser));
    EXPECT_EQ(parser->parserError()->code(), XMLParserInternalError);
}

TEST(XMLParserControl, AbortStopsTheParseWithCode512)
{
    Recorder recorder;
    recorder.delegate->didStartElement = [&](XMLParser& parser, const std::string& name, const std::string&,
                                             const std::string&, const Ref<Dictionary>&) {
        recorder.events.push_back("start " + name);
        if (name == "stop")
            parser.abortParsing();
    };
    Ref<XMLParser> parser;
    EXPECT_FALSE(recorder.parse("<r><a/><stop/><after/></r>", false, &parser));
    EXPECT_EQ(parser->parserError()->code(), XMLParserDelegateAbortedParseError);
    EXPECT_EQ(recorder.events, (Events{"start-document", "start r", "start a", "end a", "start stop"}));
}

TEST(XMLParserControl, ParseFromACallbackDoesNotRestart)
{
    Recorder recorder;
    bool nested = true;
    recorder.delegate->parserDidStartDocument = [&](XMLParser& parser) { nested = parser.parse(); };
    ASSERT_TRUE(recorder.parse("<r><a/></r>"));
    EXPECT_FALSE(nested);
    EXPECT_EQ(recorder.events, (Events{"start r [] []", "start a [] []", "end a", "end r", "end-document"}));
}

TEST(XMLParserControl, TheDelegateIsHeldWeakly)
{
    auto parser = XMLParser::create(Data::create("<r/>"));
    {
        auto delegate = std::make_shared<XMLParserDelegate>();
        parser->setDelegate(delegate);
    }
    EXPECT_FALSE(parser->delegate());
    EXPECT_TRUE(parser->parse());
}

TEST(XMLParserInput, UTF16WithAByteOrderMarkIsRead)
{
    std::u16string text = u"\uFEFF<r>字</r>";
    std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    Recorder recorder;
    ASSERT_TRUE(recorder.parse(bytes));
    EXPECT_EQ(recorder.events[2], "text 字");
}
