#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/JSONReader.h"
#include "Platform/Serialization/JSONSerialization.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <thread>

using namespace foundation;

namespace {

Id parse(std::string_view text, unsigned options = 0, Ref<Error>* error = nullptr)
{
    return JSONSerialization::JSONObjectWithData(Data::create(text), options, error);
}

Ref<Error> parseError(std::string_view text, unsigned options = 0)
{
    Ref<Error> error;
    Id result = parse(text, options, &error);
    EXPECT_TRUE(result.isNil()) << text;
    EXPECT_TRUE(error) << text;
    return error;
}

std::string write(const Id& object, unsigned options = 0)
{
    Ref<Error> error;
    auto data = JSONSerialization::dataWithJSONObject(object, options, &error);
    EXPECT_TRUE(data) << (error ? error->description() : "");
    return data ? std::string(data->view()) : std::string();
}

std::string debugDescription(const Ref<Error>& error)
{
    return error ? error->objectForUserInfoKey(NSDebugDescriptionErrorKey).stringValue() : "";
}

std::string raisedReason(const Id& object, unsigned options = 0)
{
    try {
        JSONSerialization::dataWithJSONObject(object, options);
    } catch (const Exception& exception) {
        EXPECT_EQ(exception.name(), NSInvalidArgumentException);
        return exception.reason();
    }
    return "(no exception)";
}

// Sets the language variables for one test and puts the old values back.
class LanguageScope {
public:
    explicit LanguageScope(const char* language)
    {
        for (const char* name : kNames) {
            const char* old = std::getenv(name);
            saved_.push_back(old ? std::optional<std::string>(old) : std::nullopt);
            unsetenv(name);
        }
        if (language)
            setenv("LANG", language, 1);
    }
    ~LanguageScope()
    {
        for (std::size_t i = 0; i < std::size(kNames); ++i) {
            if (saved_[i])
                setenv(kNames[i], saved_[i]->c_str(), 1);
            else
                unsetenv(kNames[i]);
        }
    }

private:
    static constexpr const char* kNames[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
    std::vector<std::optional<std::string>> saved_;
};

} // namespace

TEST(JSONReading, IntegersKeepIntegerKindsAndWidenOnlyWhenTheyMust)
{
    Id values = parse("[0, -1, 9223372036854775807, -9223372036854775808, 9223372036854775808, "
                      "18446744073709551615, 18446744073709551616, -9223372036854775809, "
                      "123456789012345678901234567890]");
    ASSERT_EQ(values.count(), 9u);
    for (int i : {0, 1, 2, 3})
        EXPECT_EQ(values[i].number()->kind(), NumberKind::LongLong) << i;
    EXPECT_EQ(values[1].integerValue(), -1);
    EXPECT_EQ(values[3].integerValue(), std::numeric_limits<long long>::min());
    EXPECT_EQ(values[4].number()->kind(), NumberKind::UnsignedLongLong);
    EXPECT_EQ(values[4].unsignedLongLongValue(), 9223372036854775808ull);
    EXPECT_EQ(values[5].unsignedLongLongValue(), std::numeric_limits<unsigned long long>::max());
    for (int i : {6, 7, 8})
        EXPECT_EQ(values[i].number()->kind(), NumberKind::Double) << i;
    EXPECT_DOUBLE_EQ(values[6].doubleValue(), 18446744073709551616.0);
    EXPECT_DOUBLE_EQ(values[7].doubleValue(), -9223372036854775809.0);
    EXPECT_DOUBLE_EQ(values[8].doubleValue(), 1.2345678901234568e29);
}

TEST(JSONReading, RealsBooleansAndNull)
{
    Id values = parse(R"([1.5, -0.0, 1e3, true, false, null])");
    EXPECT_EQ(values[0].number()->kind(), NumberKind::Double);
    EXPECT_EQ(values[0].doubleValue(), 1.5);
    EXPECT_TRUE(std::signbit(values[1].doubleValue()));
    EXPECT_EQ(values[2].number()->kind(), NumberKind::Double);
    EXPECT_EQ(values[3].number()->kind(), NumberKind::Bool);
    EXPECT_TRUE(values[3].boolValue());
    EXPECT_EQ(values[4].number()->kind(), NumberKind::Bool);
    EXPECT_FALSE(values[4].boolValue());
    EXPECT_TRUE(values[5].isNull());
    EXPECT_FALSE(values[5].isNil());
}

TEST(JSONReading, StringsDecodeEscapesAndKeepOrderOfKeys)
{
    Id object = parse(R"({"z":"a\/b\n\u00e9\ud83d\ude00","a":"caf\u00e9","m":"字体"})");
    EXPECT_EQ(object["z"].stringValue(), "a/b\né\xF0\x9F\x98\x80");
    EXPECT_EQ(object["z"].count(), 7u); // UTF-16 units: the emoji counts two
    EXPECT_EQ(object["m"].stringValue(), "字体");
    auto keys = object.dictionary()->allKeys();
    EXPECT_EQ(keys->componentsJoinedByString(","), "z,a,m");
}

TEST(JSONReading, DuplicateKeyKeepsTheLastValue)
{
    Id object = parse(R"({"a":1,"b":2,"a":3})");
    EXPECT_EQ(object.count(), 2u);
    EXPECT_EQ(object["a"].integerValue(), 3);
}

TEST(JSONReading, MutabilityFollowsTheOptions)
{
    Id plain = parse(R"({"list":[{"s":"x"}]})");
    EXPECT_FALSE(plain.is<MutableDictionary>());
    EXPECT_FALSE(plain["list"].is<MutableArray>());
    EXPECT_FALSE(plain["list"][0]["s"].is<MutableString>());

    Id containers = parse(R"({"list":[{"s":"x"}]})", JSONReadingMutableContainers);
    EXPECT_TRUE(containers.is<MutableDictionary>());
    EXPECT_TRUE(containers["list"].is<MutableArray>());
    EXPECT_TRUE(containers["list"][0].is<MutableDictionary>());
    EXPECT_FALSE(containers["list"][0]["s"].is<MutableString>());

    Id leaves = parse(R"({"list":[{"s":"x"}]})", JSONReadingMutableLeaves);
    EXPECT_FALSE(leaves.is<MutableDictionary>());
    EXPECT_TRUE(leaves["list"][0]["s"].is<MutableString>());
}

TEST(JSONReading, FragmentsNeedTheOption)
{
    auto error = parseError("42");
    EXPECT_EQ(error->domain(), NSCocoaErrorDomain);
    EXPECT_EQ(error->code(), 3840);
    EXPECT_EQ(debugDescription(error),
        "JSON text did not start with array or object and option to allow fragments not set.");

    EXPECT_EQ(parse("42", JSONReadingFragmentsAllowed).integerValue(), 42);
    EXPECT_EQ(parse(" \"text\" ", JSONReadingFragmentsAllowed).stringValue(), "text");
    EXPECT_TRUE(parse("null", JSONReadingFragmentsAllowed).isNull());
}

TEST(JSONReading, NestingUpToTheLimitIsRead)
{
    std::size_t depth = JSONSerialization::kMaxDepth;
    Id value = parse(std::string(depth, '[') + std::string(depth, ']'));
    ASSERT_TRUE(value.is<Array>());
    EXPECT_EQ(write(value), std::string(depth, '[') + std::string(depth, ']')); // and written back
    for (std::size_t i = 1; i < depth; ++i)
        value = value[0];
    EXPECT_EQ(value.count(), 0u);
}

TEST(JSONReading, NestingBeyondTheLimitIsAnError)
{
    std::size_t depth = JSONSerialization::kMaxDepth + 1;
    auto error = parseError(std::string(depth, '[') + std::string(depth, ']'));
    EXPECT_EQ(error->code(), 3840);
    EXPECT_EQ(debugDescription(error), "Too many nested arrays or dictionaries around line 1, column 512.");
    // A hostile reply that never closes must fail just the same.
    parseError(std::string(100000, '['));
}

TEST(JSONReading, MalformedInputGivesErrors)
{
    const char* samples[] = {"", " ", "[1,2", "[1,]", R"({"a":1)", R"({"a" 1})", R"({1:2})", "[01]", "[1e400]",
        "[tru]", "[\"a\tb\"]", "[\"\\x\"]", "{\"a\":1}x", "[\"abc", "[NaN]", "[-]"};
    for (const char* sample : samples) {
        auto error = parseError(sample);
        ASSERT_TRUE(error) << sample;
        EXPECT_EQ(error->code(), 3840) << sample;
        EXPECT_FALSE(debugDescription(error).empty()) << sample;
    }
    EXPECT_EQ(debugDescription(parseError("")), "Unable to parse empty data.");
}

TEST(JSONReading, ErrorDetailSaysWhereAndWhat)
{
    std::pair<const char*, const char*> cases[] = {
        {"[1,]", "Invalid value around line 1, column 3."},
        {"{\"a\" 1}", "No value for key in object around line 1, column 5."},
        {"{\n  1:2}", "No string key for value in object around line 2, column 2."},
        {"[1 2]", "Badly formed array around line 1, column 3."},
        {"{\"a\":1 \"b\":2}", "Badly formed object around line 1, column 7."},
        {"{\"a\":1}x", "Garbage at end around line 1, column 7."},
        {"[1,2", "Unexpected end of file while parsing array."},
        {"{\"é\":\"a\tb\"}", "Unescaped control character around line 1, column 7."},
        {"[\"\\x\"]", "Invalid escape sequence around line 1, column 2."},
        {"[01]", "Number with leading zero around line 1, column 1."},
        {"[\"abc", "Unterminated string around line 1, column 1."},
        {"[1e400]", "Number wider than double."},
    };
    for (const auto& [text, detail] : cases)
        EXPECT_EQ(debugDescription(parseError(text)), detail) << text;
}

TEST(JSONReading, InvalidUTF8IsAnErrorWithItsPosition)
{
    auto error = parseError("[\n\"ok\",\n \"\xC3\x28\"]");
    EXPECT_EQ(debugDescription(error), "Unable to convert data to string around line 3, column 2.");
    parseError("[\"\xED\xA0\x80\"]"); // an encoded surrogate is not UTF-8
}

TEST(JSONReading, UnicodeEncodingsAreDetected)
{
    auto encode = [](std::u32string_view text, int unitSize, bool bigEndian) {
        std::string out;
        for (char32_t cp : text) {
            std::vector<std::uint32_t> units;
            if (unitSize == 2 && cp > 0xFFFF)
                units = {0xD800 + ((cp - 0x10000) >> 10), 0xDC00 + ((cp - 0x10000) & 0x3FF)};
            else
                units = {cp};
            for (std::uint32_t unit : units)
                for (int b = 0; b < unitSize; ++b)
                    out.push_back(static_cast<char>(unit >> (8 * (bigEndian ? unitSize - 1 - b : b))));
        }
        return out;
    };
    std::u32string text = U"{\"k\":\"字😀\"}";
    for (int unitSize : {2, 4})
        for (bool bigEndian : {false, true})
            for (bool mark : {false, true}) {
                std::u32string input = mark ? U"\uFEFF" + text : text;
                Ref<Error> error;
                Id value = parse(encode(input, unitSize, bigEndian), 0, &error);
                EXPECT_EQ(value["k"].stringValue(), "字😀") << unitSize << bigEndian << mark;
            }
    EXPECT_EQ(parse("\xEF\xBB\xBF[7]")[0].integerValue(), 7);
    // A lone surrogate and a cut unit do not decode.
    EXPECT_EQ(debugDescription(parseError(std::string("[\0\"\0\x00\xD8\"\0]\0", 10))),
        "Unable to convert data to string around line 1, column 0.");
    parseError(std::string("\xFF\xFE[\0]", 5));
}

TEST(JSONReading, NilDataIsAProgrammingError)
{
    try {
        JSONSerialization::JSONObjectWithData(static_cast<const Data*>(nullptr), 0);
        FAIL() << "no exception";
    } catch (const Exception& exception) {
        EXPECT_EQ(exception.name(), NSInvalidArgumentException);
        EXPECT_EQ(exception.reason(), "data parameter is nil");
    }
}

TEST(JSONReading, AVeryLargeReplyAndTheNextOneAreRead)
{
    // Large enough that the thread's parser is dropped after it.
    std::string large = "[\"" + std::string(20u << 20, 'a') + "\",1]";
    Id value = parse(large);
    EXPECT_EQ(value.count(), 2u);
    EXPECT_EQ(value[0].as<String>()->length(), 20u << 20);
    EXPECT_EQ(parse("[2]")[0].integerValue(), 2);
}

namespace {

// Elements as the limits count them: every value, every key, an empty container once.
std::size_t elementsOf(const Id& value)
{
    std::size_t count = 1;
    if (auto array = value.array()) {
        for (const Id& element : array->objects())
            count += elementsOf(element);
    } else if (auto dictionary = value.dictionary()) {
        for (const auto& entry : *dictionary)
            count += 1 + elementsOf(entry.value);
    }
    return count;
}

Id parseWithin(std::string_view text, const JSONReadingLimits& limits, Ref<Error>* error = nullptr)
{
    const auto data = Data::create(text);
    return JSONSerialization::JSONObjectWithData(data.get(), 0, limits, error);
}

} // namespace

TEST(JSONReadingLimits, ElementsCountValuesKeysAndEmptyContainers)
{
    // Brackets, commas and colons inside strings, escaped quotes, spaces before a closing bracket.
    const char* texts[] = {
        R"({"a": [1, 2, []], "b": {}})",
        R"([ ])",
        R"({"k,[:": "v\"],{", "n": [ {"x": null}, true ,"]" ]})",
        R"(["\\", "\"", {"": ""}])",
        " [1,[2,[3,{ }]]] ",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        const std::size_t count = elementsOf(parse(text));
        EXPECT_FALSE(parseWithin(text, {.maxElements = count}).isNil());
        Ref<Error> error;
        EXPECT_TRUE(parseWithin(text, {.maxElements = count - 1}, &error).isNil());
        ASSERT_TRUE(error);
        EXPECT_EQ(error->code(), JSONSerialization::kReadCorruptError);
        EXPECT_EQ(debugDescription(error), "JSON text has more than " + std::to_string(count - 1) + " elements.");
    }
    EXPECT_EQ(elementsOf(parse(texts[0])), 8u);
}

TEST(JSONReadingLimits, DepthAndStringBytesAreBounded)
{
    EXPECT_FALSE(parseWithin("[[{\"a\": []}]]", {.maxDepth = 4}).isNil());
    Ref<Error> error;
    EXPECT_TRUE(parseWithin("[[{\"a\": []}]]", {.maxDepth = 3}, &error).isNil());
    EXPECT_EQ(debugDescription(error), "JSON text nests deeper than 3 levels.");

    // Keys count with values, each as it stands in the text ("c\"d" is four bytes).
    const std::string text = R"({"ab": "c\"d", "e": 1})";
    EXPECT_FALSE(parseWithin(text, {.maxStringBytes = 7}).isNil());
    EXPECT_TRUE(parseWithin(text, {.maxStringBytes = 6}, &error).isNil());
    EXPECT_EQ(debugDescription(error), "JSON text holds more than 6 bytes of strings.");

    // Measured on the text once it is UTF-8.
    const std::string utf16("\xFF\xFE[\0\"\0a\0b\0\"\0]\0", 14);
    EXPECT_EQ(parseWithin(utf16, {.maxStringBytes = 2})[0].stringValue(), "ab");
    EXPECT_TRUE(parseWithin(utf16, {.maxStringBytes = 1}).isNil());
}

TEST(JSONReadingFiles, AFileIsReadWithinItsLimitAndItsErrorsAreFileErrors)
{
    const std::filesystem::path folder = testsupport::makeScratchDir("json-files");
    auto file = [&folder](const std::string& name, const std::string& bytes) {
        const std::filesystem::path path = folder / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    };
    auto read = [](const std::filesystem::path& path, std::uintmax_t limit, Ref<Error>* error = nullptr) {
        return JSONSerialization::JSONObjectWithContentsOfFile(path, limit, JSONReadingMutableContainers, error);
    };

    const std::filesystem::path rows = file("rows.json", "[1,\"two\"]");
    Id value = read(rows, 9);
    ASSERT_EQ(value.count(), 2u);
    EXPECT_TRUE(value.as<MutableArray>());
    EXPECT_EQ(value[1].stringValue(), "two");
    // Texts ending right at a page's end, and in UTF-16 or after a byte order mark.
    for (std::size_t size : {std::size_t{64}, std::size_t{4096}, std::size_t{3 * 4096}})
        EXPECT_TRUE(read(file("page.json", "[" + std::string(size - 2, ' ') + "]"), size).array()) << size;
    EXPECT_EQ(read(file("utf16.json", std::string("\xFF\xFE[\0" "7\0]\0", 8)), 8)[0].integerValue(), 7);
    EXPECT_EQ(read(file("mark.json", "\xEF\xBB\xBF[8]"), 6)[0].integerValue(), 8);

    Ref<Error> error;
    EXPECT_TRUE(read(rows, 8, &error).isNil());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), NSCocoaErrorDomain);
    EXPECT_EQ(error->code(), NSFileReadTooLargeError);
    error = nullptr;
    EXPECT_TRUE(read(folder / "absent.json", 100, &error).isNil());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), NSFileReadNoSuchFileError);
    error = nullptr;
    EXPECT_TRUE(read(folder, 100, &error).isNil());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), NSFileReadUnknownError);
    error = nullptr;
    EXPECT_TRUE(read(file("broken.json", "[1,\n]"), 100, &error).isNil());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), JSONSerialization::kReadCorruptError);
    EXPECT_EQ(debugDescription(error), debugDescription(parseError("[1,\n]")));
}

TEST(JSONReading, ThreadsParseAtOnceWithoutSharingState)
{
    // Each thread parses its own documents, large and small, so that a parser shared between
    // threads or kept across a larger document would mix results up.
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &mismatches] {
            std::string big = "[";
            for (int i = 0; i < 2000; ++i)
                big += (i ? "," : "") + std::to_string(t * 100000 + i);
            big += "]";
            for (int round = 0; round < 50; ++round) {
                Id small = parse("{\"thread\":" + std::to_string(t) + "}");
                Id large = parse(big);
                if (small["thread"].integerValue() != t || large.count() != 2000 || large[1999].integerValue() != t * 100000 + 1999)
                    ++mismatches[t];
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

TEST(JSONReadingErrors, DescriptionFollowsTheProcessLanguage)
{
    {
        LanguageScope english("en_US.UTF-8");
        EXPECT_EQ(parseError("[")->localizedDescription(),
            "The data couldn’t be read because it isn’t in the correct format.");
    }
    {
        LanguageScope chinese("zh_CN.UTF-8");
        auto error = parseError("[");
        EXPECT_EQ(error->localizedDescription(), "未能读取数据，因为它的格式不正确。");
        EXPECT_NE(error->description().find("未能读取数据"), std::string::npos);
    }
    {
        LanguageScope unset(nullptr);
        setenv("LANGUAGE", "zh_TW:en", 1);
        EXPECT_EQ(parseError("[")->localizedDescription(), "未能读取数据，因为它的格式不正确。");
    }
}

TEST(JSONText, WidensOnlyIntegersBeyondSixtyFourBits)
{
    EXPECT_FALSE(jsonText::widenLongIntegers("[18446744073709551615, -9223372036854775808, 1e99]"));
    EXPECT_EQ(jsonText::widenLongIntegers(R"({"n":18446744073709551616,"s":"99999999999999999999999"})"),
        R"({"n":18446744073709551616.0,"s":"99999999999999999999999"})");
    EXPECT_EQ(jsonText::widenLongIntegers("[-9223372036854775809,\"\\\"\",1]"), "[-9223372036854775809.0,\"\\\"\",1]");
    // Digits after a point or in an exponent belong to their number.
    EXPECT_EQ(jsonText::widenLongIntegers("[0.123456789012345678901,1e-99999999999999999999,99999999999999999999]"),
        "[0.123456789012345678901,1e-99999999999999999999,99999999999999999999.0]");
}

TEST(JSONWriting, CompactFormEscapesAsThePlatform)
{
    auto object = Dictionary::create({
        {Id("url"), Id("https://example.com/a")},
        {Id("text"), Id("quote\" back\\ \b\f\n\r\t\x01\x1f é 字")},
        {Id("list"), Id(Array::create({Id(1), Id(true), Id(false), Null::null(), Id(2.5)}))},
    });
    EXPECT_EQ(write(object), "{\"url\":\"https:\\/\\/example.com\\/a\","
                             "\"text\":\"quote\\\" back\\\\ \\b\\f\\n\\r\\t\\u0001\\u001f é 字\","
                             "\"list\":[1,true,false,null,2.5]}");
    EXPECT_EQ(write(Array::create({Id("a/b")}), JSONWritingWithoutEscapingSlashes), "[\"a/b\"]");
}

TEST(JSONWriting, PrettyFormIndentsByTwoWithSpacedColons)
{
    auto object = Dictionary::create({
        {Id("name"), Id("Ada")},
        {Id("tags"), Id(Array::create({Id(1), Id(Dictionary::create({{Id("k"), Id("v")}}))}))},
        {Id("none"), Id(Array::create())},
        {Id("empty"), Id(Dictionary::create())},
    });
    EXPECT_EQ(write(object, JSONWritingPrettyPrinted), "{\n"
                                                       "  \"name\" : \"Ada\",\n"
                                                       "  \"tags\" : [\n"
                                                       "    1,\n"
                                                       "    {\n"
                                                       "      \"k\" : \"v\"\n"
                                                       "    }\n"
                                                       "  ],\n"
                                                       "  \"none\" : [\n"
                                                       "\n"
                                                       "  ],\n"
                                                       "  \"empty\" : {\n"
                                                       "\n"
                                                       "  }\n"
                                                       "}");
}

TEST(JSONWriting, SortedKeysOrderByCharacterValues)
{
    auto object = Dictionary::create({{Id("b"), Id(1)}, {Id("B"), Id(2)}, {Id("a"), Id(3)}, {Id("é"), Id(4)}});
    EXPECT_EQ(write(object, JSONWritingSortedKeys), R"({"B":2,"a":3,"b":1,"é":4})");
    EXPECT_EQ(write(object), R"({"b":1,"B":2,"a":3,"é":4})");
}

TEST(JSONWriting, NumbersAreExactAndShortest)
{
    auto list = Array::create({Id(0.1), Id(100.0), Id(1e20), Id(1e16), Id(0.0001), Id(1e-5), Id(-0.0),
        Id(123.456), Id(5e-324), Id(1.7976931348623157e308), Id(0.1f), Id(std::numeric_limits<long long>::min()),
        Id(std::numeric_limits<unsigned long long>::max()), Id(static_cast<char>(7))});
    EXPECT_EQ(write(list), "[0.1,100,1e+20,10000000000000000,0.0001,1e-05,-0,123.456,5e-324,"
                           "1.7976931348623157e+308,0.1,-9223372036854775808,18446744073709551615,7]");
}

TEST(JSONWriting, RoundTripKeepsValuesAndKinds)
{
    const char* text = R"({"a":[1,-2,3.25,true,null,"x\/y"],"b":{"c":18446744073709551615,"d":-9223372036854775808}})";
    Id parsed = parse(text);
    EXPECT_EQ(write(parsed), text);
    EXPECT_TRUE(parse(write(parsed)).isEqual(parsed));
}

TEST(JSONWriting, InvalidObjectsRaiseWithThePlatformReasons)
{
    EXPECT_EQ(raisedReason(Id("text")), "Invalid top-level type in JSON write");
    EXPECT_EQ(raisedReason(Id()), "Invalid top-level type in JSON write");
    EXPECT_EQ(raisedReason(Array::create({Id(std::nan(""))})), "Invalid number value (NaN) in JSON write");
    EXPECT_EQ(raisedReason(Array::create({Id(-INFINITY)})), "Invalid number value (infinite) in JSON write");
    EXPECT_EQ(raisedReason(Dictionary::create({{Id(1), Id(2)}})), "Invalid (non-string) key in JSON dictionary");
    EXPECT_EQ(raisedReason(Array::create({Id(Date::dateWithTimeIntervalSince1970(0))})),
        "Invalid type in JSON write (NSDate)");
    EXPECT_EQ(write(Id("a/b"), JSONWritingFragmentsAllowed), "\"a\\/b\"");
    EXPECT_EQ(write(Null::null(), JSONWritingFragmentsAllowed), "null");
}

TEST(JSONWriting, UnderAGuardInvalidObjectsGiveNilAndAnError)
{
    std::vector<std::string> reported;
    auto previous = setMisuseGuard([&](const std::string& name, const std::string& reason) {
        reported.push_back(name + ": " + reason);
    });
    Ref<Error> error;
    auto data = JSONSerialization::dataWithJSONObject(Array::create({Id(NAN)}), 0, &error);
    setMisuseGuard(previous);
    EXPECT_FALSE(data);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), 3852);
    EXPECT_EQ(reported, std::vector<std::string>{"NSInvalidArgumentException: Invalid number value (NaN) in JSON write"});
}

TEST(JSONWriting, AContainerThatHoldsItselfIsAnErrorNotACrash)
{
    auto loop = MutableArray::create();
    loop->addObject(loop);
    Ref<Error> error;
    EXPECT_FALSE(JSONSerialization::dataWithJSONObject(loop, 0, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), 3852);
    EXPECT_FALSE(JSONSerialization::isValidJSONObject(loop));
    loop->removeAllObjects(); // break the cycle so the array is freed
}

TEST(JSONValidity, AnswersWithoutRaising)
{
    EXPECT_TRUE(JSONSerialization::isValidJSONObject(Array::create({Id("a"), Id(1), Null::null()})));
    EXPECT_FALSE(JSONSerialization::isValidJSONObject(Id("a")));
    EXPECT_FALSE(JSONSerialization::isValidJSONObject(Id()));
    EXPECT_FALSE(JSONSerialization::isValidJSONObject(Array::create({Id(NAN)})));
    EXPECT_FALSE(JSONSerialization::isValidJSONObject(Dictionary::create({{Id(1), Id(2)}})));
    EXPECT_FALSE(JSONSerialization::isValidJSONObject(Array::create({Id(Data::create())})));
}
