#include "Platform/Serialization/JSONErrorLocator.h"

#include "Platform/Serialization/ReadError.h"

namespace foundation {

namespace {

class Locator {
public:
    Locator(std::string_view text, std::size_t maxDepth)
        : text_(text)
        , maxDepth_(maxDepth)
    {
    }

    std::string run()
    {
        skipSpace();
        if (!value(0))
            return message_;
        skipSpace();
        if (at_ < text_.size())
            return fault("Garbage at end");
        return {};
    }

private:
    bool atEnd() const { return at_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[at_]; }

    void skipSpace()
    {
        while (!atEnd() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r'))
            ++at_;
    }

    std::string fault(std::string_view what)
    {
        return std::string(what) + textPosition(text_, at_);
    }

    bool fail(std::string_view what)
    {
        message_ = fault(what);
        return false;
    }

    bool endOfFile(std::string_view where)
    {
        message_ = "Unexpected end of file while parsing " + std::string(where) + ".";
        return false;
    }

    bool value(std::size_t depth)
    {
        if (atEnd())
            return endOfFile("value");
        char c = peek();
        if (c == '{' || c == '[') {
            if (depth >= maxDepth_)
                return fail("Too many nested arrays or dictionaries");
            return c == '{' ? object(depth + 1) : array(depth + 1);
        }
        if (c == '"')
            return string("string");
        if (c == '-' || (c >= '0' && c <= '9'))
            return number();
        for (std::string_view literal : {"true", "false", "null"}) {
            if (text_.substr(at_, literal.size()) == literal) {
                at_ += literal.size();
                return true;
            }
        }
        return fail("Invalid value");
    }

    bool object(std::size_t depth)
    {
        ++at_;
        skipSpace();
        if (peek() == '}') {
            ++at_;
            return true;
        }
        while (true) {
            if (atEnd())
                return endOfFile("object");
            if (peek() != '"')
                return fail("No string key for value in object");
            if (!string("object key"))
                return false;
            skipSpace();
            if (atEnd())
                return endOfFile("object");
            if (peek() != ':')
                return fail("No value for key in object");
            ++at_;
            skipSpace();
            if (!value(depth))
                return false;
            skipSpace();
            if (atEnd())
                return endOfFile("object");
            if (peek() == '}') {
                ++at_;
                return true;
            }
            if (peek() != ',')
                return fail("Badly formed object");
            ++at_;
            skipSpace();
        }
    }

    bool array(std::size_t depth)
    {
        ++at_;
        skipSpace();
        if (peek() == ']') {
            ++at_;
            return true;
        }
        while (true) {
            if (!value(depth))
                return false;
            skipSpace();
            if (atEnd())
                return endOfFile("array");
            if (peek() == ']') {
                ++at_;
                return true;
            }
            if (peek() != ',')
                return fail("Badly formed array");
            ++at_;
            skipSpace();
        }
    }

    bool string(std::string_view where)
    {
        std::size_t start = at_++;
        while (!atEnd()) {
            auto c = static_cast<unsigned char>(text_[at_]);
            if (c == '"') {
                ++at_;
                return true;
            }
            if (c < 0x20)
                return fail("Unescaped control character");
            if (c == '\\') {
                char escape = at_ + 1 < text_.size() ? text_[at_ + 1] : '\0';
                if (std::string_view("\"\\/bfnrt").find(escape) != std::string_view::npos && escape != '\0') {
                    at_ += 2;
                    continue;
                }
                if (escape != 'u' || !hexDigits(at_ + 2))
                    return fail("Invalid escape sequence");
                at_ += 6;
                continue;
            }
            ++at_;
        }
        at_ = start;
        return fail("Unterminated " + std::string(where));
    }

    bool hexDigits(std::size_t from) const
    {
        if (from + 4 > text_.size())
            return false;
        for (std::size_t i = from; i < from + 4; ++i) {
            char c = text_[i];
            bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
            if (!hex)
                return false;
        }
        return true;
    }

    bool digits()
    {
        std::size_t start = at_;
        while (!atEnd() && peek() >= '0' && peek() <= '9')
            ++at_;
        return at_ > start;
    }

    bool number()
    {
        std::size_t start = at_;
        if (peek() == '-')
            ++at_;
        if (peek() == '0' && at_ + 1 < text_.size() && text_[at_ + 1] >= '0' && text_[at_ + 1] <= '9') {
            at_ = start;
            return fail("Number with leading zero");
        }
        bool ok = digits();
        if (ok && peek() == '.') {
            ++at_;
            ok = digits();
        }
        if (ok && (peek() == 'e' || peek() == 'E')) {
            ++at_;
            if (peek() == '+' || peek() == '-')
                ++at_;
            ok = digits();
        }
        if (!ok) {
            at_ = start;
            return fail("Invalid number");
        }
        return true;
    }

    std::string_view text_;
    std::size_t maxDepth_;
    std::size_t at_ = 0;
    std::string message_;
};

} // namespace

std::string locateJSONError(std::string_view text, std::size_t maxDepth)
{
    return Locator(text, maxDepth).run();
}

} // namespace foundation
