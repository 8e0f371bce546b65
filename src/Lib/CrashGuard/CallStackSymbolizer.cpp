#include "Lib/CrashGuard/CallStackSymbolizer.h"

#include <climits>
#include <cstdlib>
#include <cxxabi.h>
#include <dwarf.h>
#include <elfutils/libdw.h>
#include <elfutils/libdwfl.h>
#include <string>
#include <unistd.h>

namespace crashguard {

namespace {

constexpr std::size_t kCacheLimit = 8192;

std::string demangled(const char* name)
{
    if (!name)
        return {};
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> text(
        abi::__cxa_demangle(name, nullptr, nullptr, &status), &std::free);
    return status == 0 && text ? std::string(text.get()) : std::string(name);
}

std::string executablePath()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

// The DIE that names a function in its scope: an inlined or out-of-line instance leads through its
// abstract origin and its link back to the declaration, inside its class or namespace.
Dwarf_Die declarationOf(Dwarf_Die* function)
{
    Dwarf_Die current = *function;
    for (int hop = 0; hop < 8; ++hop) {
        Dwarf_Attribute attribute;
        Dwarf_Die next;
        if (!(dwarf_attr(&current, DW_AT_abstract_origin, &attribute)
                || dwarf_attr(&current, DW_AT_specification, &attribute))
            || !dwarf_formref_die(&attribute, &next))
            break;
        current = next;
    }
    return current;
}

// A function's qualified name: its linkage name demangled when it has one; otherwise (functions of
// anonymous namespaces, lambdas) put together from the scopes it is declared in, a lambda as
// "Outer::method()::<lambda()>::operator()".
std::string functionName(Dwarf_Die* function, int depth = 0)
{
    Dwarf_Attribute attribute;
    for (int name : { DW_AT_linkage_name, DW_AT_MIPS_linkage_name })
        if (dwarf_attr_integrate(function, name, &attribute))
            if (const char* text = dwarf_formstring(&attribute))
                return demangled(text);
    Dwarf_Die declaration = declarationOf(function);
    const char* own = dwarf_diename(&declaration);
    if (!own)
        return {};
    std::string name = own;
    Dwarf_Die* scopes = nullptr;
    const int count = dwarf_getscopes_die(&declaration, &scopes);
    for (int i = 1; i < count; ++i) {
        const int tag = dwarf_tag(&scopes[i]);
        const char* scope = dwarf_diename(&scopes[i]);
        if (tag == DW_TAG_namespace) {
            name = std::string(scope ? scope : "(anonymous namespace)") + "::" + name;
        } else if (tag == DW_TAG_class_type || tag == DW_TAG_structure_type || tag == DW_TAG_union_type) {
            name = std::string(scope ? scope : "{unnamed type}") + "::" + name;
        } else if (tag == DW_TAG_subprogram) {
            // A type declared inside a function: the function's own name is complete.
            std::string outer = depth < 4 ? functionName(&scopes[i], depth + 1) : std::string();
            if (!outer.empty() && !outer.ends_with(')'))
                outer += "()";
            name = outer.empty() ? name : outer + "::" + name;
            break;
        }
    }
    std::free(scopes);
    return name;
}

bool isFunction(Dwarf_Die* die)
{
    const int tag = dwarf_tag(die);
    return tag == DW_TAG_subprogram || tag == DW_TAG_inlined_subroutine;
}

// The functions whose code holds `pc`, innermost first: the inlined ones, then the one compiled out
// of line. Empty without debug information.
std::vector<Dwarf_Die> functionsAt(Dwarf_Die* unit, Dwarf_Addr pc)
{
    std::vector<Dwarf_Die> functions;
    Dwarf_Die* scopes = nullptr;
    if (dwarf_getscopes(unit, pc, &scopes) > 0) {
        // The scopes of an inlined function continue with where it was written, not where it was
        // inlined; the chain of the innermost scope's parents has both.
        Dwarf_Die* chain = nullptr;
        const int length = dwarf_getscopes_die(&scopes[0], &chain);
        for (int i = 0; i < length; ++i) {
            if (!isFunction(&chain[i]))
                continue;
            functions.push_back(chain[i]);
            if (dwarf_tag(&chain[i]) == DW_TAG_subprogram)
                break;
        }
        std::free(chain);
    }
    std::free(scopes);
    return functions;
}

// Where an inlined function was called from.
void callSite(Dwarf_Die* unit, Dwarf_Die* inlined, CallStackFrame& caller)
{
    Dwarf_Files* files = nullptr;
    std::size_t count = 0;
    Dwarf_Attribute attribute;
    Dwarf_Word value = 0;
    if (dwarf_getsrcfiles(unit, &files, &count) == 0
        && dwarf_formudata(dwarf_attr(inlined, DW_AT_call_file, &attribute), &value) == 0 && value < count)
        if (const char* file = dwarf_filesrc(files, value, nullptr, nullptr))
            caller.sourcePath = file;
    if (dwarf_formudata(dwarf_attr(inlined, DW_AT_call_line, &attribute), &value) == 0)
        caller.line = static_cast<int>(value);
}

} // namespace

struct CallStackSymbolizer::Session {
    Session()
        : executable(executablePath())
    {
        callbacks.find_elf = dwfl_linux_proc_find_elf;
        callbacks.find_debuginfo = dwfl_standard_find_debuginfo;
        callbacks.debuginfo_path = &debuginfoPath;
        dwfl = dwfl_begin(&callbacks);
        reportModules();
    }
    ~Session()
    {
        if (dwfl)
            dwfl_end(dwfl);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void reportModules()
    {
        if (!dwfl)
            return;
        dwfl_report_begin(dwfl);
        dwfl_linux_proc_report(dwfl, getpid());
        dwfl_report_end(dwfl, nullptr, nullptr);
    }

    Dwfl_Module* moduleAt(Dwarf_Addr address)
    {
        if (!dwfl)
            return nullptr;
        Dwfl_Module* module = dwfl_addrmodule(dwfl, address);
        if (!module) {
            // A library loaded since the modules were read.
            reportModules();
            module = dwfl_addrmodule(dwfl, address);
        }
        return module;
    }

    Dwfl_Callbacks callbacks {};
    char* debuginfoPath = nullptr;
    Dwfl* dwfl = nullptr;
    std::string executable;
};

CallStackSymbolizer::CallStackSymbolizer() = default;
CallStackSymbolizer::~CallStackSymbolizer() = default;

std::vector<CallStackFrame> CallStackSymbolizer::symbolize(const std::vector<std::uintptr_t>& returnAddresses)
{
    if (!session_)
        session_ = std::make_unique<Session>();
    std::vector<CallStackFrame> out;
    for (std::uintptr_t address : returnAddresses) {
        auto cached = cache_.find(address);
        if (cached == cache_.end()) {
            if (cache_.size() >= kCacheLimit)
                cache_.clear();
            cached = cache_.emplace(address, frames(address)).first;
        }
        out.insert(out.end(), cached->second.begin(), cached->second.end());
    }
    return out;
}

std::vector<CallStackFrame> CallStackSymbolizer::frames(std::uintptr_t returnAddress)
{
    CallStackFrame base;
    base.address = returnAddress;
    // A return address points past its call, which may be the last instruction of a function or
    // of an inlined block: the call itself is one byte before.
    const Dwarf_Addr pc = returnAddress - 1;
    Dwfl_Module* module = session_->moduleAt(pc);
    if (!module)
        return { base };
    if (const char* path
        = dwfl_module_info(module, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr))
        base.modulePath = path;
    base.inMainExecutable = !base.modulePath.empty() && base.modulePath == session_->executable;

    GElf_Sym symbol;
    GElf_Off offset = 0;
    const std::string outerName
        = demangled(dwfl_module_addrinfo(module, pc, &offset, &symbol, nullptr, nullptr, nullptr));
    if (!outerName.empty())
        base.offset = offset + 1;
    if (Dwfl_Line* line = dwfl_module_getsrc(module, pc)) {
        int lineNumber = 0;
        if (const char* file = dwfl_lineinfo(line, nullptr, &lineNumber, nullptr, nullptr, nullptr)) {
            base.sourcePath = file;
            base.line = lineNumber;
        }
    }

    Dwarf_Addr bias = 0;
    Dwarf_Die* unit = dwfl_module_addrdie(module, pc, &bias);
    std::vector<Dwarf_Die> functions = unit ? functionsAt(unit, pc - bias) : std::vector<Dwarf_Die> {};
    if (functions.empty()) {
        base.symbol = outerName;
        return { base };
    }
    std::vector<CallStackFrame> frames;
    for (std::size_t i = 0; i < functions.size(); ++i) {
        CallStackFrame frame = base;
        const bool outermost = i + 1 == functions.size();
        frame.inlined = dwarf_tag(&functions[i]) == DW_TAG_inlined_subroutine;
        // The symbol table names the out-of-line function best (with its clone suffix).
        frame.symbol
            = outermost && !frame.inlined && !outerName.empty() ? outerName : functionName(&functions[i]);
        if (i > 0) {
            frame.sourcePath.clear();
            frame.line = 0;
            callSite(unit, &functions[i - 1], frame);
        }
        frames.push_back(std::move(frame));
    }
    return frames;
}

} // namespace crashguard
