// Installation: once per process, what makeAllEffective adds over becomeEffective, and the
// unrecognized-selector lists.

#include "GuardTestSupport.h"
#include "Platform/Foundation/Foundation.h"

#include <cstdlib>

using foundation::Array;
using foundation::Id;
using foundation::MutableArray;
using guardtest::entry;
using guardtest::Report;

namespace {

class GuardActivation : public guardtest::GuardTest { };

std::string listText(const foundation::Ref<Array>& list)
{
    return list ? list->componentsJoinedByString(",") : "<absent>";
}

// A class of the application that the object model knows by name.
class KXGuardListed : public foundation::Object {
public:
    static const foundation::Class* classObject()
    {
        static const foundation::Class* cls
            = &foundation::Class::define("KXGuardListed", foundation::Object::classObject());
        return cls;
    }
    const foundation::Class* isa() const override { return classObject(); }
};

// Exit codes of the child that installs with becomeEffective first.
enum ChildOutcome { Raised = 0, Answered = 1, RangeRaised = 2 };

[[noreturn]] void becomeEffectiveThenMisuse()
{
    CrashGuard::becomeEffective();
    CrashGuard::makeAllEffective(); // too late: the first installation holds
    try {
        // The guard is on for everything else...
        (void)Array::create({ Id(1) })->objectAtIndex(4);
    } catch (const foundation::Exception&) {
        std::_Exit(RangeRaised);
    }
    try {
        // ...but a message the receiver does not understand still raises.
        foundation::unrecognizedSelector(*Array::create(), "fontName");
    } catch (const foundation::Exception& exception) {
        std::_Exit(exception.name() == "NSInvalidArgumentException" ? Raised : Answered);
    }
    std::_Exit(Answered);
}

} // namespace

TEST(GuardActivationDeathTest, BecomeEffectiveFirstLeavesUnrecognizedSelectorsRaising)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(becomeEffectiveThenMisuse(), testing::ExitedWithCode(Raised), "");
}

TEST_F(GuardActivation, LaterInstallationsChangeNothing)
{
    CrashGuard::makeAllEffective();
    CrashGuard::becomeEffective();
    CrashGuard::effectiveIfDealWithNoneSel(false);
    // Still makeAllEffective's guard: an unrecognized selector is answered, and reported once.
    const Report report
        = onlyReportOf([] { foundation::unrecognizedSelector(*MutableArray::create(), "fontName"); });
    EXPECT_EQ(entry(report, CrashGuard::kDefaultToDoKey), CrashGuard::kDefaultToIgnore);
}

TEST_F(GuardActivation, UnrecognizedSelectorsAreAnsweredAndReportedWhateverTheLists)
{
    auto array = Array::create();
    const std::string address = foundation::format("%p", static_cast<const void*>(array.get()));
    // The application's case: neither list is set.
    EXPECT_EQ(listText(CrashGuard::noneSelClassStrings()), "<absent>");
    EXPECT_EQ(listText(CrashGuard::noneSelClassStringPrefixs()), "<absent>");
    Report report = onlyReportOf([&] { foundation::unrecognizedSelector(*array, "fontName"); });
    EXPECT_EQ(entry(report, CrashGuard::kErrorNameKey), "NSInvalidArgumentException");
    EXPECT_EQ(entry(report, CrashGuard::kErrorReasonKey),
        "-[NSArray fontName]: unrecognized selector sent to instance " + address);
    EXPECT_EQ(entry(report, CrashGuard::kDefaultToDoKey), CrashGuard::kDefaultToIgnore);

    // The first lists are kept without the names the filters drop; later calls are ignored.
    CrashGuard::setupNoneSelClassStringsArr(Array::create(
        { Id("UIView"), Id("NSObject"), Id("NSArray"), Id(7), Id("NSObjectUI"), Id("KXGuardListed") }));
    CrashGuard::setupNoneSelClassStringPrefixsArr(
        Array::create({ Id("UIKit"), Id("NSFoo"), Id("KX"), Id("Nope") }));
    CrashGuard::setupNoneSelClassStringsArr(Array::create({ Id("NSString") }));
    CrashGuard::setupNoneSelClassStringPrefixsArr(nullptr);
    EXPECT_EQ(listText(CrashGuard::noneSelClassStrings()), "NSArray,NSObjectUI,KXGuardListed");
    EXPECT_EQ(listText(CrashGuard::noneSelClassStringPrefixs()), "KX,Nope");

    // A listed class, a subclass of one, a prefix match and an unlisted class: each answered and
    // reported once.
    auto reports = reportsOf([&] {
        foundation::unrecognizedSelector(*Array::create(), "a");
        foundation::unrecognizedSelector(*MutableArray::create(), "b");
        foundation::unrecognizedSelector(KXGuardListed(), "c");
        foundation::unrecognizedSelector(*foundation::Date::date(), "d");
    });
    ASSERT_EQ(reports.size(), 4u);
    for (const auto& [index, selector] : { std::pair { 0, "-[NSArray a]" }, { 1, "-[NSMutableArray b]" },
             { 2, "-[KXGuardListed c]" }, { 3, "-[NSDate d]" } })
        EXPECT_TRUE(entry(reports[index], CrashGuard::kErrorReasonKey).starts_with(selector)) << index;
}
