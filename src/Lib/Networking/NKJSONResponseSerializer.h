#pragma once

#include "Lib/Networking/NKHTTPResponseSerializer.h"
#include "Platform/Serialization/JSONSerialization.h"

// Decodes JSON replies ("application/json", "text/json", "text/javascript") with the
// foundation's reader and its depth limit.
//
// A reply is held in memory whole once decoded, so its decoded form is bounded: a reply past the
// reading limits is refused before it is built, with the same error as a reply that is no JSON.
// The default limits lie far above any reply of the service (the largest, a page of 200 catalogue
// rows, has about 3,000 elements and 40 KB of text; none nests deeper than 7) and keep what one
// reply can take to some tens of megabytes.
class NKJSONResponseSerializer final : public NKHTTPResponseSerializer {
public:
    static constexpr foundation::JSONReadingLimits kDefaultReadingLimits{foundation::JSONSerialization::kMaxDepth, 250'000,
                                                                         std::size_t(8) << 20};

    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static foundation::Ref<NKJSONResponseSerializer> serializer() { return serializerWithReadingOptions(0); }
    static foundation::Ref<NKJSONResponseSerializer> serializerWithReadingOptions(unsigned long options);
    NKJSONResponseSerializer();

    unsigned long readingOptions() const { return readingOptions_; }
    void setReadingOptions(unsigned long options) { readingOptions_ = options; }
    bool removesKeysWithNullValues() const { return removesNulls_; }
    void setRemovesKeysWithNullValues(bool value) { removesNulls_ = value; }
    const foundation::JSONReadingLimits& readingLimits() const { return readingLimits_; }
    void setReadingLimits(const foundation::JSONReadingLimits& limits) { readingLimits_ = limits; }

    foundation::Id responseObjectForResponse(const foundation::Ref<net::URLResponse>& response, const foundation::Ref<foundation::Data>& data,
                                             foundation::Ref<foundation::Error>* error) const override;
    foundation::Ref<foundation::Object> copy() const override;
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void initWithCoder(foundation::KeyedUnarchiver& coder) override;

private:
    unsigned long readingOptions_ = 0;
    bool removesNulls_ = false;
    foundation::JSONReadingLimits readingLimits_ = kDefaultReadingLimits;
};
