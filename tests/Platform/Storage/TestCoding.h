#pragma once

#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/Coding.h"
#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Storage/KeyedUnarchiver.h"

namespace storagetests {

// A model that archives itself by key, as the service's records do.
class KXTestRecord final : public foundation::Object, public foundation::Coding {
public:
    static const foundation::Class* classObject()
    {
        static const foundation::Class* cls = &foundation::Class::define("KXTestRecord",
            foundation::Object::classObject(), [] { return std::make_shared<KXTestRecord>(); });
        return cls;
    }
    const foundation::Class* isa() const override { return classObject(); }

    void encodeWithCoder(foundation::KeyedArchiver& coder) const override
    {
        coder.encodeObject(name, "name");
        coder.encodeInteger(fontid, "fontid");
        coder.encodeBool(vip, "vip");
        coder.encodeDouble(score, "score");
        coder.encodeObject(child, "child");
    }
    void initWithCoder(foundation::KeyedUnarchiver& coder) override
    {
        name = coder.decodeObjectForKey("name").string();
        fontid = coder.decodeIntegerForKey("fontid");
        vip = coder.decodeBoolForKey("vip");
        score = coder.decodeDoubleForKey("score");
        child = coder.decodeObjectForKey("child").as<KXTestRecord>();
    }

    foundation::Ref<foundation::String> name;
    long long fontid = 0;
    bool vip = false;
    double score = 0;
    foundation::Ref<KXTestRecord> child;
};

} // namespace storagetests
