// Reading the stack: symbols and lines from the debug information, method names out of demangled
// C++ names, and which frames count as the application's.

#include "Lib/CrashGuard/CallStack.h"
#include "Lib/CrashGuard/CallStackMethod.h"
#include "Lib/CrashGuard/CallStackSymbolizer.h"
#include "Lib/CrashGuard/CrashGuard.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

using crashguard::CallStackFrame;
using crashguard::methodOf;

namespace {

std::string method(std::string_view demangled)
{
    auto found = methodOf(demangled);
    return found ? "-[" + found->className + " " + found->method + "]" : "free";
}

class StackProbe {
public:
    [[gnu::noinline]] std::vector<std::uintptr_t> take()
    {
        auto addresses = crashguard::captureReturnAddresses();
        taken_ = addresses.size();
        return addresses;
    }
    [[gnu::always_inline]] inline std::vector<std::uintptr_t> takeInlined()
    {
        auto addresses = crashguard::captureReturnAddresses();
        taken_ = addresses.size();
        return addresses;
    }
    [[gnu::noinline]] std::vector<std::uintptr_t> takeThroughInlined()
    {
        auto addresses = takeInlined();
        taken_ += 1;
        return addresses;
    }

    std::size_t taken_ = 0;
};

CallStackFrame applicationFrame(std::string symbol, std::string source = "./src/Class/Home/KXHome.cpp")
{
    CallStackFrame frame;
    frame.symbol = std::move(symbol);
    frame.sourcePath = std::move(source);
    frame.inMainExecutable = true;
    return frame;
}

} // namespace

TEST(CallStackMethod, MembersOfClassesAreMethods)
{
    EXPECT_EQ(method("KXHomeViewController::viewDidLoad()"), "-[KXHomeViewController viewDidLoad]");
    EXPECT_EQ(method("GuardProbe::readPastEnd() const"), "-[GuardProbe readPastEnd]");
    EXPECT_EQ(
        method("corvane::ui::KXFontList::reload(std::vector<int, std::allocator<int> > const&, bool) &&"),
        "-[KXFontList reload]");
    EXPECT_EQ(method("(anonymous namespace)::Probe::run(int (*)(char))"), "-[Probe run]");
    EXPECT_EQ(method("void KXCache<std::string>::store<int>(int) [clone .isra.0] [clone .cold]"),
        "-[KXCache store]");
    EXPECT_EQ(method("KXName::title[abi:cxx11]() const"), "-[KXName title]");
    EXPECT_EQ(method("std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> > "
                     "KXName::text[abi:cxx11]()"),
        "-[KXName text]");
    EXPECT_EQ(method("KXRow::operator()(int) const"), "-[KXRow operator()]");
    EXPECT_EQ(method("KXRow::operator<(KXRow const&) const"), "-[KXRow operator<]");
    EXPECT_EQ(method("KXRow::~KXRow()"), "-[KXRow ~KXRow]");
}

TEST(CallStackMethod, ALambdaIsTheFunctionItIsWrittenIn)
{
    EXPECT_EQ(
        method("GuardProbe::makeReader()::{lambda()#1}::operator()() const"), "-[GuardProbe makeReader]");
    EXPECT_EQ(method("(anonymous namespace)::GuardProbe::makeReader()::<lambda()>::operator()"),
        "-[GuardProbe makeReader]");
    EXPECT_EQ(method("GuardProbe::makeReader()::{unnamed type}::operator()"), "-[GuardProbe makeReader]");
    EXPECT_EQ(method("KXList::load(int)::{lambda(Id const&)#2}::operator()(Id const&) "
                     "const::{lambda()#1}::operator()() const"),
        "-[KXList load]");
    EXPECT_EQ(method("kx_removeFromSuperview(QWidget*)::{lambda()#1}::operator()() const"), "free");
    // A lambda in a template argument is not the function's own.
    EXPECT_EQ(method("std::_Function_handler<void (), "
                     "KXList::load(int)::{lambda()#1}>::_M_invoke(std::_Any_data const&)"),
        "free");
}

TEST(CallStackMethod, FreeFunctionsAndNamespacesAreNotMethods)
{
    EXPECT_EQ(method("kx_removeFromSuperview(QWidget*)"), "free");
    EXPECT_EQ(method("KXInstallClientErrorReporter()"), "free");
    EXPECT_EQ(method("desktop::openURL(std::string_view)"), "free");
    EXPECT_EQ(method("foundation::misuse(std::basic_string_view<char, std::char_traits<char> >, "
                     "std::__cxx11::basic_string<char>, "
                     "foundation::MisuseDefault)"),
        "free");
    EXPECT_EQ(method("(anonymous namespace)::helper()"), "free");
    EXPECT_EQ(method("cooperator::run()"), "free");
    EXPECT_EQ(method(""), "free");
    EXPECT_EQ(method("main"), "free");
}

TEST(CallStackMethod, ApplicationFramesAreTheMainExecutablesOwnCode)
{
    EXPECT_TRUE(crashguard::isApplicationFrame(applicationFrame("KXHome::load()")));
    EXPECT_TRUE(crashguard::isApplicationFrame(
        applicationFrame("GuardProbe::run()", "/work/project/tests/Lib/CrashGuard/A.cpp")));
    EXPECT_FALSE(crashguard::isApplicationFrame(applicationFrame(
        "foundation::Array::objectAtIndex(unsigned long) const", "./src/Platform/Foundation/Array.cpp")));
    EXPECT_FALSE(crashguard::isApplicationFrame(
        applicationFrame("Array::x()", "/work/project/src/Platform/Foundation/Array.cpp")));
    EXPECT_FALSE(crashguard::isApplicationFrame(
        applicationFrame("crashguard::R::handle()", "src/Lib/CrashGuard/R.cpp")));
    EXPECT_FALSE(crashguard::isApplicationFrame(applicationFrame(
        "std::function<void ()>::operator()() const", "/usr/include/c++/12/bits/std_function.h")));
    EXPECT_TRUE(crashguard::isApplicationFrame(
        applicationFrame("KXHome::load()", "./src/Class/Platformer/KXHome.cpp")));

    // Without line information the namespace decides.
    EXPECT_TRUE(crashguard::isApplicationFrame(applicationFrame("KXHome::load()", "")));
    EXPECT_FALSE(
        crashguard::isApplicationFrame(applicationFrame("dispatch::detail::SerialQueue::drain()", "")));
    EXPECT_FALSE(crashguard::isApplicationFrame(applicationFrame("testing::Test::Run()", "")));
    EXPECT_FALSE(
        crashguard::isApplicationFrame(applicationFrame("CrashGuard::noteErrorWithException()", "")));

    CallStackFrame library = applicationFrame("QWidget::show()", "");
    library.inMainExecutable = false;
    EXPECT_FALSE(crashguard::isApplicationFrame(library));
}

TEST(CallStackMethod, ErrorPlaceIsTheFirstMethodOfTheApplication)
{
    CallStackFrame qt = applicationFrame("QAbstractButton::click()", "");
    qt.inMainExecutable = false;
    const std::vector<CallStackFrame> frames = {
        applicationFrame("crashguard::CrashGuardReporter::handle(foundation::MisuseReport const&)",
            "./src/Lib/CrashGuard/R.cpp"),
        applicationFrame(
            "foundation::Array::objectAtIndex(unsigned long) const", "./src/Platform/Foundation/Array.cpp"),
        applicationFrame("kx_firstItem(foundation::Array const&)"),
        qt,
        applicationFrame("KXFontList::reload()"),
        applicationFrame("KXHome::viewDidLoad()"),
    };
    auto place = CrashGuard::getMainCallStackSymbolMessageWithCallStackSymbols(frames);
    ASSERT_TRUE(place);
    EXPECT_EQ(place->utf8(), "-[KXFontList reload]");
    EXPECT_FALSE(CrashGuard::getMainCallStackSymbolMessageWithCallStackSymbols(
        { frames[0], frames[1], frames[2], frames[3] }));
    EXPECT_FALSE(CrashGuard::getMainCallStackSymbolMessageWithCallStackSymbols({}));
}

TEST(CallStackSymbolizer, NamesTheFunctionsTheirFilesAndTheModule)
{
    StackProbe probe;
    const auto addresses = probe.take();
    ASSERT_GT(addresses.size(), 2u);
    crashguard::CallStackSymbolizer symbolizer;
    const auto frames = symbolizer.symbolize(addresses);
    ASSERT_FALSE(frames.empty());
    const CallStackFrame& top = frames.front();
    // Optimised copies keep their clone suffix ("take() [clone .constprop.0]").
    EXPECT_TRUE(top.symbol.starts_with("(anonymous namespace)::StackProbe::take()")) << top.symbol;
    EXPECT_EQ(top.address, addresses.front());
    EXPECT_TRUE(top.inMainExecutable);
    EXPECT_TRUE(top.sourcePath.ends_with("tests/Lib/CrashGuard/CallStackTests.cpp")) << top.sourcePath;
    EXPECT_GT(top.line, 0);
    EXPECT_GT(top.offset, 0u);
    EXPECT_NE(
        frames[1].symbol.find("CallStackSymbolizer_NamesTheFunctionsTheirFilesAndTheModule_Test::TestBody"),
        std::string::npos)
        << frames[1].symbol;
    // Frames of shared libraries name their module (the C library runs the process's main()).
    EXPECT_TRUE(std::any_of(frames.begin(), frames.end(), [](const CallStackFrame& frame) {
        return !frame.inMainExecutable && frame.modulePath.find("libc.so") != std::string::npos;
    }));
    // The second time comes from the cache, the same.
    const auto again = symbolizer.symbolize(addresses);
    ASSERT_EQ(again.size(), frames.size());
    EXPECT_EQ(again.front().symbol, top.symbol);
}

TEST(CallStackSymbolizer, InlinedFunctionsAreFramesOfTheirOwn)
{
    StackProbe probe;
    const auto addresses = probe.takeThroughInlined();
    crashguard::CallStackSymbolizer symbolizer;
    const auto frames = symbolizer.symbolize(addresses);
    ASSERT_GE(frames.size(), 2u);
    // Without a linkage name the name is put together from the scopes.
    EXPECT_EQ(frames[0].symbol, "(anonymous namespace)::StackProbe::takeInlined");
    EXPECT_TRUE(frames[0].inlined);
    EXPECT_TRUE(frames[1].symbol.starts_with("(anonymous namespace)::StackProbe::takeThroughInlined()"))
        << frames[1].symbol;
    EXPECT_FALSE(frames[1].inlined);
    EXPECT_EQ(frames[0].address, frames[1].address);
    // The outer frame's line is the inlined call's.
    EXPECT_TRUE(frames[1].sourcePath.ends_with("CallStackTests.cpp"));
    EXPECT_NE(frames[0].line, frames[1].line);
}

TEST(CallStackSymbol, KeepsThePlatformsColumns)
{
    CallStackFrame frame;
    frame.address = 0x55d5c0a1b2c3;
    frame.modulePath = "/opt/corvane/bin/corvane-fonts";
    frame.symbol = "KXFoo::bar()";
    frame.offset = 45;
    EXPECT_EQ(crashguard::callStackSymbol(3, frame),
        "3   corvane-fonts                       0x000055d5c0a1b2c3 KXFoo::bar() + 45");
    frame.modulePath = "/usr/lib/x86_64-linux-gnu/libQt6WidgetsAndAVeryLongNameIndeed.so.6";
    frame.symbol.clear();
    EXPECT_EQ(crashguard::callStackSymbol(12, frame),
        "12  libQt6WidgetsAndAVeryLongNameIndeed.so.6 0x000055d5c0a1b2c3 0x0 + 94376548217539");
    frame.modulePath.clear();
    EXPECT_EQ(crashguard::callStackSymbol(0, frame).substr(0, 8), "0   ??? ");
}
