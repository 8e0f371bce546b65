// SQDatabase: SQL written as a printf-style format whose values become bound parameters.

#include "Lib/SQLKit/SQDatabase.h"

#include "Lib/SQLKit/SQLog.h"
#include "Lib/SQLKit/SQResultSet.h"
#include "Platform/Foundation/Number.h"

using foundation::Id;
using foundation::MutableArray;
using foundation::MutableString;
using foundation::Number;
using foundation::Ref;
using foundation::String;

namespace {

using Kind = SQFormatArgument::Kind;

// Reads the arguments in order and checks each against the kind its conversion needs.
class ArgumentReader {
public:
    explicit ArgumentReader(std::span<const SQFormatArgument> args)
        : args_(args)
    {
    }

    // The next argument when it has one of the two kinds; null (and a problem) otherwise.
    const SQFormatArgument* take(std::string_view conversion, Kind kind, Kind alternative)
    {
        if (!problem_.empty())
            return nullptr;
        if (next_ >= args_.size()) {
            problem_ = foundation::format("conversion %%%@ has no argument (%lu given)", conversion,
                static_cast<unsigned long>(args_.size()));
            return nullptr;
        }
        const SQFormatArgument& argument = args_[next_];
        if (argument.kind() != kind && argument.kind() != alternative) {
            problem_ = foundation::format("argument %lu does not suit conversion %%%@", static_cast<unsigned long>(next_ + 1), conversion);
            return nullptr;
        }
        ++next_;
        return &argument;
    }
    const SQFormatArgument* take(std::string_view conversion, Kind kind) { return take(conversion, kind, kind); }

    bool finish(std::string* problem)
    {
        if (problem_.empty() && next_ < args_.size())
            problem_ = foundation::format("%lu arguments given, the format uses %lu", static_cast<unsigned long>(args_.size()),
                static_cast<unsigned long>(next_));
        if (problem)
            *problem = problem_;
        return problem_.empty();
    }

private:
    std::span<const SQFormatArgument> args_;
    std::size_t next_ = 0;
    std::string problem_;
};

} // namespace

bool SQDatabase::extractSQL(std::string_view format, std::span<const SQFormatArgument> args, MutableString& sql,
    MutableArray& arguments, std::string* problem) const
{
    ArgumentReader reader(args);
    std::string out;
    out.reserve(format.size());
    const auto add = [&](Id value) {
        out.push_back('?');
        arguments.addObject(value);
    };
    const auto at = [&](std::size_t index) { return index < format.size() ? format[index] : '\0'; };

    char last = '\0';
    for (std::size_t i = 0; i < format.size(); ++i) {
        char current = format[i];
        if (last != '%') {
            if (current != '%' && current != '\0')
                out.push_back(current);
            last = current;
            continue;
        }
        switch (current) {
        case '@':
            if (const auto* a = reader.take("@", Kind::Object)) {
                if (a->object().isNil())
                    out += "NULL";
                else
                    add(a->object());
            }
            break;
        case 'c':
            if (const auto* a = reader.take("c", Kind::Integer32))
                add(String::create(std::string(1, static_cast<char>(a->signedValue()))));
            break;
        case 's':
            if (const auto* a = reader.take("s", Kind::Text)) {
                if (a->isNullText())
                    out += "NULL";
                else
                    add(String::create(a->text()));
            }
            break;
        case 'd':
        case 'D':
        case 'i':
            if (const auto* a = reader.take(std::string(1, current), Kind::Integer32))
                add(Number::numberWithInt(static_cast<int>(a->signedValue())));
            break;
        case 'u':
        case 'U':
            if (const auto* a = reader.take(std::string(1, current), Kind::Integer32))
                add(Number::numberWithUnsignedInt(static_cast<unsigned int>(a->unsignedValue())));
            break;
        case 'f':
            if (const auto* a = reader.take("f", Kind::Real))
                add(Number::numberWithDouble(a->realValue()));
            break;
        case 'g':
            if (const auto* a = reader.take("g", Kind::Real))
                add(Number::numberWithFloat(static_cast<float>(a->realValue())));
            break;
        case 'h':
            if (at(i + 1) == 'i' || at(i + 1) == 'u') {
                current = format[++i];
                const bool isSigned = current == 'i';
                if (const auto* a = reader.take(isSigned ? "hi" : "hu", Kind::Integer32)) {
                    if (isSigned)
                        add(Number::numberWithShort(static_cast<short>(a->signedValue())));
                    else
                        add(Number::numberWithUnsignedShort(static_cast<unsigned short>(a->unsignedValue())));
                }
            } else {
                out.push_back('h');
            }
            break;
        case 'q':
            if (at(i + 1) == 'i' || at(i + 1) == 'u') {
                current = format[++i];
                const bool isSigned = current == 'i';
                if (const auto* a = reader.take(isSigned ? "qi" : "qu", Kind::Integer64, Kind::Integer32)) {
                    if (isSigned)
                        add(Number::numberWithLongLong(a->signedValue()));
                    else
                        add(Number::numberWithUnsignedLongLong(a->unsignedValue()));
                }
            } else {
                out.push_back('q');
            }
            break;
        case 'l':
            if (at(i + 1) == 'd' || at(i + 1) == 'u') {
                current = format[++i];
                const bool isSigned = current == 'd';
                if (const auto* a = reader.take(isSigned ? "ld" : "lu", Kind::Integer64, Kind::Integer32)) {
                    if (isSigned)
                        add(Number::numberWithInteger(static_cast<long>(a->signedValue())));
                    else
                        add(Number::numberWithUnsignedInteger(static_cast<unsigned long>(a->unsignedValue())));
                }
            } else if (at(i + 1) == 'l') {
                if (at(i + 2) == 'd' || at(i + 2) == 'u') {
                    i += 2;
                    current = format[i];
                    const bool isSigned = current == 'd';
                    if (const auto* a = reader.take(isSigned ? "lld" : "llu", Kind::Integer64, Kind::Integer32)) {
                        if (isSigned)
                            add(Number::numberWithLongLong(a->signedValue()));
                        else
                            add(Number::numberWithUnsignedLongLong(a->unsignedValue()));
                    }
                } else {
                    out.push_back('l');
                    ++i; // the second "l" goes with the first
                    current = 'l';
                }
            } else {
                out.push_back('l');
            }
            break;
        default:
            if (current != '\0')
                out.push_back(current);
            break;
        }
        last = current;
    }
    sql.appendString(out);
    return reader.finish(problem);
}

namespace {
void logFormatProblem(bool logsErrors, std::string_view format, const std::string& problem)
{
    if (logsErrors)
        SQLog("Error: the arguments do not match the format '%@': %@", format, problem);
}
} // namespace

Ref<SQResultSet> SQDatabase::executeQueryWithFormatArguments(std::string_view format, std::span<const SQFormatArgument> args)
{
    auto sql = MutableString::create();
    auto arguments = MutableArray::create();
    std::string problem;
    if (!extractSQL(format, args, *sql, *arguments, &problem)) {
        logFormatProblem(logsErrors_, format, problem);
        return nullptr;
    }
    return executeQueryWithArgumentsInArray(sql->utf8(), arguments.get(), nullptr, nullptr);
}

bool SQDatabase::executeUpdateWithFormatArguments(std::string_view format, std::span<const SQFormatArgument> args)
{
    auto sql = MutableString::create();
    auto arguments = MutableArray::create();
    std::string problem;
    if (!extractSQL(format, args, *sql, *arguments, &problem)) {
        logFormatProblem(logsErrors_, format, problem);
        return false;
    }
    return executeUpdateError(sql->utf8(), nullptr, arguments.get(), nullptr, nullptr);
}
