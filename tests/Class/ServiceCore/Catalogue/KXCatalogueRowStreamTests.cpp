#include "Class/ServiceCore/Catalogue/KXCatalogueRowStream.h"
#include "Platform/Foundation/Foundation.h"
#include "Support/TempHome.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using foundation::Id;
using Status = KXCatalogueRowStream::Status;

namespace {

// Every status up to the end, and the rows' "fontname" values.
struct Read {
    std::vector<Status> statuses;
    std::vector<std::string> names;
};

Read readAll(KXCatalogueRowStream& stream)
{
    Read read;
    for (int guard = 0; guard < 1000; ++guard) {
        Id row;
        const Status status = stream.next(row);
        read.statuses.push_back(status);
        if (status == Status::Row)
            read.names.push_back(row["fontname"].stringValue());
        if (status != Status::Row && status != Status::NotADictionary)
            break;
    }
    return read;
}

Read readText(const std::string& text)
{
    KXCatalogueRowStream stream(text);
    return readAll(stream);
}

Status lastOf(const std::string& text)
{
    return readText(text).statuses.back();
}

} // namespace

TEST(KXCatalogueRowStream, ElementsComeOneByOneWithTheirBracketsAndStringsRespected)
{
    const auto read = readText(
        " [ {\"fontid\": 1, \"fontname\": \"a, ]} \\\" [b\"}, 0, -1.5e3, \"text\", [], [1, [2]], null,"
        "{\"fontid\": 2, \"fontname\": \"c\", \"tags\": [1, {\"x\": \"}\"}]} ]\n");
    EXPECT_EQ(read.statuses,
        (std::vector<Status> { Status::Row, Status::NotADictionary, Status::NotADictionary,
            Status::NotADictionary, Status::NotADictionary, Status::NotADictionary, Status::NotADictionary,
            Status::Row, Status::End }));
    EXPECT_EQ(read.names, (std::vector<std::string> { "a, ]} \" [b", "c" }));
    EXPECT_EQ(lastOf("[]"), Status::End);
    EXPECT_EQ(lastOf(" [ ] "), Status::End);
    EXPECT_EQ(readText("[{}]").statuses, (std::vector<Status> { Status::Row, Status::End }))
        << "a row without a fontid";
}

TEST(KXCatalogueRowStream, AMalformedTextEndsTheStreamWhereverItBreaks)
{
    for (const std::string text : { "", "{}", "[", "[1,", "[1,]", "[,1]", "[1 2]", "[1] 2", "[{\"a\": 1]",
             "[tru]", "[01]", "[{\"a\": \"\\q\"}]", "[\"open]", "[{\"a\": 1}}]", "[1]]" }) {
        KXCatalogueRowStream stream(text);
        const auto read = readAll(stream);
        EXPECT_EQ(read.statuses.back(), Status::Malformed) << text;
        EXPECT_FALSE(stream.problem().empty()) << text;
        Id row;
        EXPECT_EQ(stream.next(row), Status::Malformed) << "it stays ended: " << text;
    }
    // A row larger than a row can be is refused before it is held whole.
    const std::string huge
        = "[{\"fontname\": \"" + std::string(KXCatalogueRowStream::kMaximumRowBytes, 'x') + "\"}]";
    EXPECT_EQ(lastOf(huge), Status::Malformed);
}

TEST(KXCatalogueRowStream, AFileIsReadInBlocksAcrossWhichElementsRun)
{
    const auto file = testsupport::makeScratchDir("rows") / "fonts.txt";
    std::string text = "[";
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i) {
        names.push_back(
            std::string(static_cast<std::size_t>(997 + i * 13), static_cast<char>('a' + i % 26)) + "字");
        text += "{\"fontid\": " + std::to_string(i) + ", \"fontname\": \"" + names.back() + "\"},0,";
    }
    text += "[]]";
    std::ofstream(file, std::ios::binary) << text;
    KXCatalogueRowStream stream(file);
    const auto read = readAll(stream);
    EXPECT_EQ(read.statuses.back(), Status::End);
    EXPECT_EQ(read.names, names);
    EXPECT_EQ(stream.elements(), 601u);

    KXCatalogueRowStream missing(file.parent_path() / "none.txt");
    EXPECT_EQ(readAll(missing).statuses.back(), Status::Unreadable);
}
