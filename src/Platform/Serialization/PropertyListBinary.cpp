#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Date.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/Set.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/Unicode.h"
#include "Platform/Serialization/PropertyListCodec.h"
#include "Platform/Serialization/PropertyListSerialization.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <unordered_map>
#include <vector>

namespace foundation::plist {

namespace {

constexpr std::string_view kMagic = "bplist00";
constexpr std::size_t kTrailerSize = 32;

enum Marker : std::uint8_t {
    kFalse = 0x08,
    kTrue = 0x09,
    kInteger = 0x10,
    kReal = 0x20,
    kDate = 0x33,
    kData = 0x40,
    kASCIIString = 0x50,
    kUTF16String = 0x60,
    kUID = 0x80,
    kArray = 0xA0,
    kSet = 0xC0,
    kDictionary = 0xD0,
};

void appendBigEndian(std::string& out, std::uint64_t value, std::size_t size)
{
    for (std::size_t i = size; i-- > 0;)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::size_t bytesFor(std::uint64_t value)
{
    if (value <= 0xFF)
        return 1;
    if (value <= 0xFFFF)
        return 2;
    if (value <= 0xFFFFFFFFu)
        return 4;
    return 8;
}

class BinaryWriter {
public:
    std::string write(const Id& root)
    {
        add(root);
        refSize_ = bytesFor(nodes_.size() - 1);
        std::string out(kMagic);
        std::vector<std::uint64_t> offsets;
        offsets.reserve(nodes_.size());
        for (const Node& node : nodes_) {
            offsets.push_back(out.size());
            encode(out, node);
        }
        std::uint64_t tableOffset = out.size();
        std::size_t offsetSize = bytesFor(tableOffset);
        for (std::uint64_t offset : offsets)
            appendBigEndian(out, offset, offsetSize);
        out.append(6, '\0');
        out.push_back(static_cast<char>(offsetSize));
        out.push_back(static_cast<char>(refSize_));
        appendBigEndian(out, nodes_.size(), 8);
        appendBigEndian(out, 0, 8); // the root is the first object
        appendBigEndian(out, tableOffset, 8);
        return out;
    }

private:
    struct Node {
        Id value;
        std::vector<std::uint64_t> refs; // a dictionary's keys, then its values
    };

    std::uint64_t add(const Id& value)
    {
        // Equal strings (keys above all) are stored once, as the platform does.
        auto* string = value.ptr<String>();
        if (string) {
            auto found = strings_.find(string->utf8());
            if (found != strings_.end())
                return found->second;
        }
        std::uint64_t index = nodes_.size();
        nodes_.push_back({value, {}});
        if (string)
            strings_.emplace(string->utf8(), index);
        std::vector<std::uint64_t> refs;
        if (auto* array = value.ptr<Array>()) {
            for (const Id& element : *array)
                refs.push_back(add(element));
        } else if (auto* dictionary = value.ptr<Dictionary>()) {
            for (const auto& entry : *dictionary)
                refs.push_back(add(entry.key));
            for (const auto& entry : *dictionary)
                refs.push_back(add(entry.value));
        }
        nodes_[index].refs = std::move(refs);
        return index;
    }

    static void appendHeader(std::string& out, std::uint8_t marker, std::uint64_t count)
    {
        if (count < 15) {
            out.push_back(static_cast<char>(marker | count));
            return;
        }
        out.push_back(static_cast<char>(marker | 0x0F));
        std::size_t size = bytesFor(count);
        out.push_back(static_cast<char>(kInteger | std::countr_zero(size)));
        appendBigEndian(out, count, size);
    }

    void encode(std::string& out, const Node& node) const
    {
        const Id& value = node.value;
        if (auto* number = value.ptr<Number>()) {
            encodeNumber(out, *number);
        } else if (auto* date = value.ptr<Date>()) {
            out.push_back(static_cast<char>(kDate));
            appendBigEndian(out, std::bit_cast<std::uint64_t>(date->timeIntervalSinceReferenceDate()), 8);
        } else if (auto* data = value.ptr<Data>()) {
            appendHeader(out, kData, data->length());
            out.append(data->view());
        } else if (auto* string = value.ptr<String>()) {
            if (string->isASCII()) {
                appendHeader(out, kASCIIString, string->utf8().size());
                out.append(string->utf8());
            } else {
                std::u16string units = string->utf16();
                appendHeader(out, kUTF16String, units.size());
                for (char16_t unit : units)
                    appendBigEndian(out, unit, 2);
            }
        } else {
            bool isArray = value.is<Array>();
            appendHeader(out, isArray ? kArray : kDictionary, isArray ? node.refs.size() : node.refs.size() / 2);
            for (std::uint64_t ref : node.refs)
                appendBigEndian(out, ref, refSize_);
        }
    }

    static void encodeNumber(std::string& out, const Number& number)
    {
        if (number.isBoolean()) {
            out.push_back(static_cast<char>(number.boolValue() ? kTrue : kFalse));
        } else if (number.kind() == NumberKind::Float) {
            out.push_back(static_cast<char>(kReal | 2));
            appendBigEndian(out, std::bit_cast<std::uint32_t>(number.floatValue()), 4);
        } else if (number.isReal()) {
            out.push_back(static_cast<char>(kReal | 3));
            appendBigEndian(out, std::bit_cast<std::uint64_t>(number.doubleValue()), 8);
        } else if (number.isUnsigned() && number.unsignedLongLongValue() > std::numeric_limits<std::uint64_t>::max() / 2) {
            // Above the signed range: the sixteen-byte form, so that it does not read back negative.
            out.push_back(static_cast<char>(kInteger | 4));
            appendBigEndian(out, 0, 8);
            appendBigEndian(out, number.unsignedLongLongValue(), 8);
        } else {
            long long value = number.longLongValue();
            std::size_t size = value < 0 ? 8 : bytesFor(static_cast<std::uint64_t>(value));
            out.push_back(static_cast<char>(kInteger | std::countr_zero(size)));
            appendBigEndian(out, static_cast<std::uint64_t>(value), size);
        }
    }

    std::vector<Node> nodes_;
    std::unordered_map<std::string, std::uint64_t> strings_;
    std::size_t refSize_ = 1;
};

class BinaryReader {
public:
    BinaryReader(std::string_view bytes, unsigned long options, ReadMeter& meter, std::string& failure)
        : bytes_(bytes)
        , options_(options)
        , meter_(meter)
        , failure_(failure)
    {
    }

    Id read()
    {
        if (!readTrailer())
            return {};
        cache_.resize(objectCount_);
        visiting_.assign(objectCount_, false);
        return readObject(top_, 0);
    }

    // Spends what a reader that builds a tree, copying a shared object for every reference to it,
    // would build, without building anything: each object's share is worked out once and counted
    // again for every reference, so the walk stays linear in the input however far the tree
    // would unfold. Leaves are not checked beyond their length.
    bool measureUnfolded()
    {
        if (!readTrailer())
            return false;
        unfolded_.assign(objectCount_, {});
        visiting_.assign(objectCount_, false);
        Unfolded tree;
        if (!unfold(top_, 0, tree))
            return false;
        if (!meter_.spendElements(tree.elements))
            return failed(ReadMeter::kTooManyElements);
        if (!meter_.spendBytes(tree.bytes))
            return failed(ReadMeter::kTooManyBytes);
        return true;
    }

private:
    // What one object unfolds to: itself and everything below it, every reference counted. No
    // elements: not worked out yet.
    struct Unfolded {
        std::uint64_t elements = 0;
        std::uint64_t bytes = 0;
    };
    // Sums stop growing here, far above any budget, so that they cannot overflow.
    static constexpr std::uint64_t kUnfoldedCap = std::uint64_t(1) << 62;

    Id fail(std::string detail)
    {
        if (failure_.empty())
            failure_ = std::move(detail);
        return {};
    }

    bool failed(std::string detail)
    {
        fail(std::move(detail));
        return false;
    }

    bool readTrailer()
    {
        if (bytes_.size() < kMagic.size() + 1 + kTrailerSize || !bytes_.starts_with(kMagic))
            return failed("Not a binary property list, or truncated");
        std::size_t trailer = bytes_.size() - kTrailerSize;
        offsetSize_ = static_cast<std::uint8_t>(bytes_[trailer + 6]);
        refSize_ = static_cast<std::uint8_t>(bytes_[trailer + 7]);
        objectCount_ = bigEndian(trailer + 8, 8);
        top_ = bigEndian(trailer + 16, 8);
        tableOffset_ = bigEndian(trailer + 24, 8);
        if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8 || objectCount_ == 0
            || top_ >= objectCount_ || tableOffset_ < kMagic.size() + 1 || tableOffset_ > trailer
            || objectCount_ > (trailer - tableOffset_) / offsetSize_)
            return failed("Malformed trailer of a binary property list");
        return true;
    }

    // Where the object starts, once it may be entered at this depth: not deeper than the limit,
    // not inside itself. 0 (with the failure) otherwise; the caller leaves it again.
    std::size_t enter(std::uint64_t index, std::size_t depth)
    {
        auto refuse = [this](const char* detail) -> std::size_t {
            fail(detail);
            return 0;
        };
        if (depth > PropertyListSerialization::kMaxDepth)
            return refuse("Too many nested arrays or dictionaries");
        if (visiting_[index])
            return refuse("Object refers to itself");
        const std::uint64_t offset = bigEndian(tableOffset_ + index * offsetSize_, offsetSize_);
        if (offset < kMagic.size() || offset >= tableOffset_)
            return refuse("Object offset out of range");
        visiting_[index] = true;
        return static_cast<std::size_t>(offset);
    }

    bool unfold(std::uint64_t index, std::size_t depth, Unfolded& out)
    {
        if (unfolded_[index].elements != 0) {
            out = unfolded_[index];
            return true;
        }
        std::size_t at = enter(index, depth);
        if (at == 0)
            return false;
        Unfolded self{1, 0};
        const bool measured = unfoldAt(at, depth, self);
        visiting_[index] = false;
        if (!measured)
            return false;
        unfolded_[index] = self;
        out = self;
        return true;
    }

    bool unfoldAt(std::size_t at, std::size_t depth, Unfolded& self)
    {
        auto marker = static_cast<std::uint8_t>(bytes_[at++]);
        const std::uint8_t kind = marker & 0xF0;
        if (kind != kData && kind != kASCIIString && kind != kUTF16String && kind != kArray && kind != kSet
            && kind != kDictionary)
            return true;
        std::uint64_t count = 0;
        if (!readCount(marker, at, count))
            return failed("Malformed length");
        if (kind == kData || kind == kASCIIString) {
            if (!fits(at, count))
                return failed("String or data runs past the end");
            self.bytes = count;
            return true;
        }
        if (kind == kUTF16String) {
            if (count > tableOffset_ / 2 || !fits(at, count * 2))
                return failed("String runs past the end");
            self.bytes = count * 3; // at most three UTF-8 bytes a unit
            return true;
        }
        const std::uint64_t perEntry = kind == kDictionary ? 2 : 1;
        if (count > tableOffset_ / refSize_ / perEntry || !fits(at, count * perEntry * refSize_))
            return failed("Container runs past the end");
        for (std::uint64_t i = 0; i < count * perEntry; ++i) {
            std::uint64_t target = bigEndian(at + i * refSize_, refSize_);
            if (target >= objectCount_)
                return failed("Object reference out of range");
            Unfolded child;
            if (!unfold(target, depth + 1, child))
                return false;
            self.elements = std::min(self.elements + child.elements, kUnfoldedCap);
            self.bytes = std::min(self.bytes + child.bytes, kUnfoldedCap);
        }
        return true;
    }

    std::uint64_t bigEndian(std::size_t at, std::size_t size) const
    {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < size; ++i)
            value = (value << 8) | static_cast<std::uint8_t>(bytes_[at + i]);
        return value;
    }

    // Bytes [at, at + size) lie inside the object area.
    bool fits(std::size_t at, std::uint64_t size) const { return at <= tableOffset_ && size <= tableOffset_ - at; }

    // The count of a data, string or container: in the marker, or in an integer object after it.
    bool readCount(std::uint8_t marker, std::size_t& at, std::uint64_t& count)
    {
        count = marker & 0x0F;
        if (count != 0x0F)
            return true;
        if (!fits(at, 1))
            return false;
        auto intMarker = static_cast<std::uint8_t>(bytes_[at]);
        std::size_t size = std::size_t(1) << (intMarker & 0x0F);
        if ((intMarker & 0xF0) != kInteger || size > 8 || !fits(at + 1, size))
            return false;
        count = bigEndian(at + 1, size);
        at += 1 + size;
        return true;
    }

    // Every reference is an element of the result, a shared one as much as the first.
    Id readObject(std::uint64_t index, std::size_t depth)
    {
        if (!meter_.spendElements(1))
            return fail(ReadMeter::kTooManyElements);
        if (cache_[index])
            return cache_[index];
        std::size_t at = enter(index, depth);
        if (at == 0)
            return {};
        bool shareable = false;
        Id value = readAt(at, depth, shareable);
        visiting_[index] = false;
        if (value && shareable)
            cache_[index] = value;
        return value;
    }

    Id readAt(std::size_t at, std::size_t depth, bool& shareable)
    {
        auto marker = static_cast<std::uint8_t>(bytes_[at++]);
        std::uint8_t low = marker & 0x0F;
        shareable = true;
        switch (marker & 0xF0) {
        case 0x00:
            if (marker == kFalse || marker == kTrue)
                return Number::numberWithBool(marker == kTrue);
            return fail("Unsupported object marker");
        case kInteger:
            return readInteger(at, low);
        case kReal:
            if (low == 2 && fits(at, 4))
                return Number::numberWithFloat(std::bit_cast<float>(static_cast<std::uint32_t>(bigEndian(at, 4))));
            if (low == 3 && fits(at, 8))
                return Number::numberWithDouble(std::bit_cast<double>(bigEndian(at, 8)));
            return fail("Malformed real");
        case 0x30:
            if (marker == kDate && fits(at, 8))
                return Date::dateWithTimeIntervalSinceReferenceDate(std::bit_cast<double>(bigEndian(at, 8)));
            return fail("Malformed date");
        case kUID:
            if (fits(at, low + 1u))
                return Dictionary::create({{Id("CF$UID"), Id(bigEndian(at, low + 1u))}});
            return fail("Malformed identifier");
        default:
            break;
        }
        std::uint64_t count = 0;
        if (!readCount(marker, at, count))
            return fail("Malformed length");
        switch (marker & 0xF0) {
        case kData:
            if (!fits(at, count))
                return fail("Data runs past the end");
            if (!meter_.spendBytes(count))
                return fail(ReadMeter::kTooManyBytes);
            shareable = !(options_ & PropertyListMutableContainersAndLeaves);
            return makeData(bytes_.substr(at, count), options_);
        case kASCIIString: {
            if (!fits(at, count))
                return fail("String runs past the end");
            std::string text = latin1(bytes_.substr(at, count));
            if (!meter_.spendBytes(text.size()))
                return fail(ReadMeter::kTooManyBytes);
            shareable = !(options_ & PropertyListMutableContainersAndLeaves);
            return makeString(std::move(text), options_);
        }
        case kUTF16String: {
            if (count > tableOffset_ / 2 || !fits(at, count * 2))
                return fail("String runs past the end");
            std::u16string units(count, u'\0');
            for (std::size_t i = 0; i < count; ++i)
                units[i] = static_cast<char16_t>(bigEndian(at + 2 * i, 2));
            std::string text = unicode::toUTF8(units);
            if (!meter_.spendBytes(text.size()))
                return fail(ReadMeter::kTooManyBytes);
            shareable = !(options_ & PropertyListMutableContainersAndLeaves);
            return makeString(std::move(text), options_);
        }
        case kArray:
        case kSet:
        case kDictionary:
            shareable = !wantsMutableContainers(options_);
            return readContainer(marker & 0xF0, at, count, depth);
        default:
            return fail("Unsupported object marker");
        }
    }

    Id readInteger(std::size_t at, std::uint8_t low)
    {
        if (low > 4 || !fits(at, std::size_t(1) << low))
            return fail("Malformed integer");
        if (low == 4) {
            std::uint64_t high = bigEndian(at, 8);
            std::uint64_t value = bigEndian(at + 8, 8);
            if (high == 0)
                return value > static_cast<std::uint64_t>(std::numeric_limits<long long>::max())
                    ? Number::makeUnsigned(value, NumberKind::UnsignedLongLong)
                    : Number::make(static_cast<long long>(value), NumberKind::LongLong);
            if (high == ~std::uint64_t(0) && static_cast<long long>(value) < 0)
                return Number::make(static_cast<long long>(value), NumberKind::LongLong);
            return fail("Integer wider than 64 bits");
        }
        std::uint64_t value = bigEndian(at, std::size_t(1) << low);
        // Eight-byte integers are signed; shorter ones are not.
        return Number::make(static_cast<long long>(value), NumberKind::LongLong);
    }

    Id readContainer(std::uint8_t kind, std::size_t at, std::uint64_t count, std::size_t depth)
    {
        std::uint64_t refs = kind == kDictionary ? 2 : 1;
        if (count > tableOffset_ / refSize_ / refs || !fits(at, count * refs * refSize_))
            return fail("Container runs past the end");
        if (!meter_.holdsElements(count * refs))
            return fail(ReadMeter::kTooManyElements);
        auto ref = [&](std::uint64_t i) -> Id {
            std::uint64_t target = bigEndian(at + i * refSize_, refSize_);
            if (target >= objectCount_)
                return fail("Object reference out of range");
            return readObject(target, depth + 1);
        };
        if (kind == kDictionary) {
            std::vector<Dictionary::Entry> entries;
            entries.reserve(count);
            for (std::uint64_t i = 0; i < count; ++i) {
                Id key = ref(i);
                Id value = key ? ref(count + i) : Id();
                if (!value)
                    return {};
                // A mutable key is copied into an immutable one.
                if (auto* mutableKey = key.ptr<MutableString>(); mutableKey && !meter_.spendBytes(mutableKey->utf8().size()))
                    return fail(ReadMeter::kTooManyBytes);
                entries.push_back({key.copy(), value, 0});
            }
            return makeDictionary(std::move(entries), options_);
        }
        std::vector<Id> elements;
        elements.reserve(count);
        for (std::uint64_t i = 0; i < count; ++i) {
            Id element = ref(i);
            if (!element)
                return {};
            elements.push_back(element);
        }
        if (kind == kSet)
            return wantsMutableContainers(options_) ? Id(MutableSet::create(std::move(elements)))
                                                    : Id(Set::create(std::move(elements)));
        return makeArray(std::move(elements), options_);
    }

    // The eight-bit form holds ASCII in practice; other bytes are taken as Latin-1.
    static std::string latin1(std::string_view bytes)
    {
        if (unicode::isASCII(bytes))
            return std::string(bytes);
        std::string out;
        for (unsigned char c : bytes)
            unicode::appendCodePoint(out, c);
        return out;
    }

    std::string_view bytes_;
    unsigned long options_;
    ReadMeter& meter_;
    std::string& failure_;
    std::size_t offsetSize_ = 0;
    std::size_t refSize_ = 0;
    std::uint64_t objectCount_ = 0;
    std::uint64_t top_ = 0;
    std::uint64_t tableOffset_ = 0;
    std::vector<Id> cache_;
    std::vector<Unfolded> unfolded_;
    std::vector<bool> visiting_;
};

} // namespace

std::string writeBinary(const Id& plist)
{
    return BinaryWriter().write(plist);
}

bool measureBinaryUnfolded(std::string_view bytes, ReadMeter& meter, std::string& failure)
{
    return BinaryReader(bytes, PropertyListImmutable, meter, failure).measureUnfolded();
}

Id readBinary(std::string_view bytes, unsigned long options, ReadMeter& meter, std::string& failure)
{
    Id result = BinaryReader(bytes, options, meter, failure).read();
    if (result.isNil() && failure.empty())
        failure = "Malformed binary property list";
    return result;
}

} // namespace foundation::plist
