#pragma once

#include <string>
#include <vector>

namespace catalogue {

struct Tag {
    std::string id;
    std::string name;
};

struct TagCategory {
    std::string className;
    std::vector<Tag> tags;
};

struct Brand {
    int partnerId = 0;
    std::string name;
};

// The filter vocabulary shared by the catalogue rows and the service's tag reply. Category order
// matters to the client: 0 style, 2 type, 3 weight ("字重" with the codes 1 to 8). The brand and
// topic categories carry partner ids and marketing codes, which match their own columns.
class TagVocabulary {
public:
    static const std::vector<TagCategory>& chinese();
    static const std::vector<TagCategory>& foreign();
    static const std::vector<Brand>& brands();
    static std::string brandName(int partnerId);

    // Tag ids by role, for building rows.
    static constexpr const char* kStyleSans = "101";
    static constexpr const char* kStyleSerif = "102";
    static constexpr const char* kStyleRound = "103";
    static constexpr const char* kStyleScript = "104";
    static constexpr const char* kStyleMono = "106";
    static constexpr const char* kUseTitle = "201";
    static constexpr const char* kUseBody = "202";
    static constexpr const char* kUsePoster = "203";
    static constexpr const char* kUseScreen = "205";
    static constexpr const char* kTypeChinese = "301";
    static constexpr const char* kTypeLatin = "302";
    static constexpr const char* kTypeSymbol = "303";
};

} // namespace catalogue
