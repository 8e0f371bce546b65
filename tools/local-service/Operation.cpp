#include "local-service/Operation.h"

#include <charconv>

namespace localservice {

Reply Reply::ok(QJsonObject data)
{
    Reply reply;
    reply.data = std::move(data);
    return reply;
}

Reply Reply::failed(int code, std::string message)
{
    Reply reply;
    reply.errcode = code;
    reply.message = std::move(message);
    return reply;
}

Reply Reply::badParameter(const std::string& name)
{
    return failed(errcode::kBadParameter, "参数错误：" + name);
}

const std::string& OperationContext::param(const std::string& name) const
{
    static const std::string empty;
    const std::string* value = FormCodec::find(params, name);
    return value ? *value : empty;
}

bool OperationContext::has(const std::string& name) const
{
    return FormCodec::find(params, name) != nullptr;
}

namespace {

std::optional<int64_t> parseInteger(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

std::optional<int64_t> OperationContext::integer(const std::string& name) const
{
    const std::string* value = FormCodec::find(params, name);
    if (!value)
        return std::nullopt;
    return parseInteger(*value);
}

std::optional<std::vector<int64_t>> parseIdList(const std::string& text)
{
    std::vector<int64_t> ids;
    if (text.empty())
        return ids;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        const auto id = parseInteger(std::string_view(text).substr(start, end - start));
        if (!id)
            return std::nullopt;
        ids.push_back(*id);
        start = end + 1;
    }
    return ids;
}

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

QJsonArray idArray(const std::vector<int64_t>& ids)
{
    QJsonArray out;
    for (const auto id : ids)
        out.append(static_cast<qint64>(id));
    return out;
}

std::string joinIds(const std::vector<int64_t>& ids)
{
    std::string out;
    for (const auto id : ids) {
        if (!out.empty())
            out += ',';
        out += std::to_string(id);
    }
    return out;
}

} // namespace localservice
