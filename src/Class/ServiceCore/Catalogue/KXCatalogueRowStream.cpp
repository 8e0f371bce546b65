#include "Class/ServiceCore/Catalogue/KXCatalogueRowStream.h"

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Serialization/JSONSerialization.h"

#include <cerrno>
#include <cstring>

using foundation::Id;
using foundation::Ref;

namespace {

constexpr std::size_t kBlockBytes = 64 * 1024;

bool isSpace(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Whether the text is a JSON number, a literal or an empty array: checked here, never built, as a
// text may hold millions of them.
bool isPlainScalar(std::string_view text)
{
    if (text == "true" || text == "false" || text == "null" || text == "[]")
        return true;
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
        return i > start;
    };
    if (i < text.size() && text[i] == '-')
        ++i;
    if (i < text.size() && text[i] == '0')
        ++i;
    else if (!digits())
        return false;
    if (i < text.size() && text[i] == '.') {
        ++i;
        if (!digits())
            return false;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (!digits())
            return false;
    }
    return i == text.size();
}

} // namespace

KXCatalogueRowStream::KXCatalogueRowStream(const std::filesystem::path& file)
    : file_(std::fopen(file.c_str(), "rb"))
{
    if (!file_)
        fail(Status::Unreadable, std::string("it cannot be opened: ") + std::strerror(errno));
}

KXCatalogueRowStream::KXCatalogueRowStream(std::string text)
    : buffer_(std::move(text))
    , eof_(true)
{
}

KXCatalogueRowStream::~KXCatalogueRowStream()
{
    if (file_)
        std::fclose(file_);
}

KXCatalogueRowStream::Status KXCatalogueRowStream::fail(Status status, std::string problem)
{
    if (!ended_) {
        ended_ = true;
        endStatus_ = status;
        problem_ = std::move(problem);
    }
    element_.clear();
    element_.shrink_to_fit();
    return endStatus_;
}

bool KXCatalogueRowStream::fill()
{
    if (eof_)
        return false;
    buffer_.erase(0, position_);
    position_ = 0;
    const std::size_t kept = buffer_.size();
    buffer_.resize(kept + kBlockBytes);
    const std::size_t read = std::fread(buffer_.data() + kept, 1, kBlockBytes, file_);
    buffer_.resize(kept + read);
    if (read < kBlockBytes) {
        eof_ = true;
        if (std::ferror(file_)) {
            fail(Status::Unreadable, std::string("it cannot be read: ") + std::strerror(errno));
            return false;
        }
    }
    return read > 0;
}

int KXCatalogueRowStream::peekSignificant()
{
    for (;;) {
        while (position_ < buffer_.size() && isSpace(static_cast<unsigned char>(buffer_[position_])))
            ++position_;
        if (position_ < buffer_.size())
            return static_cast<unsigned char>(buffer_[position_]);
        if (!fill())
            return -1;
    }
}

KXCatalogueRowStream::Status KXCatalogueRowStream::next(Id& row)
{
    row = Id();
    if (ended_)
        return endStatus_;
    if (!opened_) {
        if (peekSignificant() != '[')
            return fail(Status::Malformed, "it is not a JSON array");
        ++position_;
        opened_ = true;
        if (peekSignificant() == ']') {
            ++position_;
            if (peekSignificant() != -1)
                return fail(Status::Malformed, "text follows the array");
            return fail(Status::End, {});
        }
    } else {
        // After an element: a comma and the next one, or the end of the array.
        const int separator = peekSignificant();
        if (separator == ']') {
            ++position_;
            if (peekSignificant() != -1)
                return fail(Status::Malformed, "text follows the array");
            return fail(Status::End, {});
        }
        if (separator != ',')
            return fail(Status::Malformed, "the array ends without its closing bracket");
        ++position_;
    }

    // One element: up to the comma or bracket that closes it outside its strings.
    if (peekSignificant() == -1)
        return fail(Status::Malformed, "the array ends without its closing bracket");
    element_.clear();
    std::size_t depth = 0;
    bool inString = false;
    bool escaped = false;
    for (;;) {
        if (position_ == buffer_.size() && !fill()) {
            if (ended_)
                return endStatus_;
            if (depth > 0 || inString)
                return fail(Status::Malformed, "the text ends inside an element");
            break;
        }
        const char c = buffer_[position_];
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            if (depth == 0)
                break; // the array's own bracket
            --depth;
        } else if (c == ',' && depth == 0) {
            break;
        }
        element_.push_back(c);
        ++position_;
        if (element_.size() > kMaximumRowBytes)
            return fail(Status::Malformed, "an element is larger than a row can be");
    }
    ++elements_;
    while (!element_.empty() && isSpace(static_cast<unsigned char>(element_.back())))
        element_.pop_back();
    if (element_.empty())
        return fail(Status::Malformed, "an element is missing between commas");

    // Only a dictionary can be a row: the plainest other elements are checked without the parser.
    if (isPlainScalar(element_))
        return Status::NotADictionary;
    if (element_ == "{}") {
        row = Id(foundation::MutableDictionary::create());
        return Status::Row;
    }
    foundation::JSONReadingLimits limits;
    limits.maxDepth = foundation::JSONSerialization::kMaxDepth - 1; // inside the array
    Ref<foundation::Error> error;
    const auto data = foundation::Data::create(std::string_view(element_));
    Id parsed = foundation::JSONSerialization::JSONObjectWithData(data.get(),
        foundation::JSONReadingMutableContainers | foundation::JSONReadingFragmentsAllowed, limits, &error);
    if (parsed.isNil())
        return fail(Status::Malformed,
            "an element is not JSON" + (error ? ": " + error->localizedDescription() : std::string()));
    if (!parsed.ptr<foundation::Dictionary>())
        return Status::NotADictionary;
    row = std::move(parsed);
    return Status::Row;
}
