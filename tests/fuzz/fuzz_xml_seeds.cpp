// Seeds of fuzz_xml: a namespace byte, then documents with namespaces, attributes, references,
// CDATA, comments, processing instructions, a document type and other encodings.
#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/XMLDocument.h"
#include "Platform/Serialization/XMLParser.h"
#include "fuzz/SeedWriter.h"

#include <string>

using namespace foundation;

int main(int argc, char** argv)
{
    fuzzseeds::SeedWriter writer(argc, argv);
    const std::string documents[] = {
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<root xmlns=\"urn:corvane\" xmlns:b=\"urn:b\"><b:item id=\"1\" b:attr='x &lt; y'>text &amp; more "
        "&#x4E2D;&#25991;<![CDATA[raw <data> & ]]></b:item><!-- comment --><?pi some data?><empty/>\n</root>",
        "<rss version=\"2.0\"><channel><title>Updates</title><item><title>1.2.0</title>"
        "<enclosure url=\"https://example.invalid/Corvane-1.2.0.zip\" length=\"1048576\" "
        "type=\"application/octet-stream\"/><description><![CDATA[<p>Fixes</p>]]></description></item>"
        "</channel></rss>",
        "<!DOCTYPE note [<!ELEMENT note (#PCDATA)>]><note>internal subset</note>",
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a title=\"caf\xE9\">\xE9t\xE9</a>",
        "<a><b><c><d><e><f>deep</f></e></d></c></b></a>",
    };
    for (const std::string& text : documents) {
        for (char namespaces : {0, 1}) {
            auto data = Data::create(text);
            auto parser = XMLParser::create(data);
            parser->setShouldProcessNamespaces(namespaces != 0);
            Ref<Error> error;
            writer.check(parser->parse() && XMLDocument::create(data, 0, &error), text);
            writer.add(std::string(1, namespaces) + text);
        }
    }
    return writer.finish();
}
