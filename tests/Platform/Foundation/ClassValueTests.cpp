#include "Platform/Foundation/ClassValue.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Number.h"

#include <gtest/gtest.h>

namespace {

using namespace foundation;

// A registered class whose image factory answers a number made of the data's length and the scale,
// so a test can tell which arguments arrived.
const Class* factoryClass()
{
    static const Class* cls = [] {
        auto staged
            = std::make_unique<Class>("ClassValueTestsImage", Object::classObject(), Class::Factory());
        staged->setImageFactory({
            .withData
            = [](const Ref<Data>& data, double scale, const Ref<Dictionary>& options) -> Ref<Object> {
                if (!data)
                    return nullptr;
                const double extra = options ? options->objectForKey("extra").doubleValue() : 0;
                return Number::numberWithDouble(static_cast<double>(data->length()) * scale + extra);
            },
            .withAnimatedCoder = {},
        });
        return &Class::define(std::move(staged));
    }();
    return cls;
}

TEST(ClassValue, CarriesAClassThroughADictionary)
{
    const Class* cls = factoryClass();
    auto context = MutableDictionary::create();
    context->setObject(ClassValue::create(cls), Id("animatedImageClass"));
    EXPECT_EQ(ClassValue::classFrom(context->objectForKey("animatedImageClass")), cls);
    EXPECT_EQ(ClassValue::classFrom(Id("text")), nullptr);
    EXPECT_EQ(ClassValue::classFrom(Id()), nullptr);
    EXPECT_EQ(ClassValue::create(nullptr), nullptr);
    EXPECT_TRUE(Id(ClassValue::create(cls)).isEqual(Id(ClassValue::create(cls))));
    EXPECT_FALSE(Id(ClassValue::create(cls)).isEqual(Id(ClassValue::create(Object::classObject()))));
    EXPECT_EQ(Id(ClassValue::create(cls)).description(), "ClassValueTestsImage");
}

TEST(ClassValue, ImageFactoryBelongsToItsOwnClassOnly)
{
    const Class* cls = factoryClass();
    ASSERT_NE(cls->imageFactory(), nullptr);
    const auto options = Dictionary::create({ { Id("extra"), Id(0.5) } });
    const Id made = cls->imageFactory()->withData(Data::create(std::string_view("abcd")), 2, options);
    EXPECT_EQ(made.doubleValue(), 8.5);
    EXPECT_FALSE(cls->imageFactory()->withAnimatedCoder);
    const Class& subclass = Class::define("ClassValueTestsImageSubclass", cls);
    EXPECT_EQ(subclass.imageFactory(), nullptr);
    EXPECT_EQ(Object::classObject()->imageFactory(), nullptr);
}

} // namespace
