// Export names as unit, class and procedure (the rules are in the header).
#include "exceptions/EdebugNames.h"

#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <vector>

namespace {

std::vector<std::string> SplitAtDots(const std::string& text)
{
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (;;) {
        const std::size_t dot = text.find('.', from);
        parts.push_back(text.substr(from, dot == std::string::npos ? std::string::npos : dot - from));
        if (dot == std::string::npos) return parts;
        from = dot + 1;
    }
}

// "@Unit@Class@Proc$qqrv" -> "Unit.Class.Proc".
std::string UnmanglePascalName(std::string name)
{
    if (const std::size_t dollar = name.find('$'); dollar != std::string::npos) name.resize(dollar);
    if (!name.empty() && name.back() == '@') name.pop_back();
    if (!name.empty() && name.front() == '@') name.erase(0, 1);
    if (const std::size_t twice = name.find("@@"); twice != std::string::npos) name[twice + 1] = '_';
    // The character after a separator belongs to the next name whatever it is.
    for (std::size_t i = 0; i < name.size(); ++i)
        if (name[i] == '@') name[i++] = '.';
    return name;
}

TExportNameParts FromParts(const std::vector<std::string>& parts)
{
    TExportNameParts result;
    if (parts.size() != 2 && parts.size() != 3) return result;
    result.UnitName = parts[0] + ".pas";
    if (parts.size() == 3) result.ClassName = parts[1];
    result.ProcedureName = parts.back();
    if (!result.ProcedureName.empty() && result.ProcedureName[0] == '@') result.ProcedureName[0] = '_';
    result.Detail = ddUnitAndProcedure;
    return result;
}

bool IsOperatorAt(const std::string& text, std::size_t at)
{
    static constexpr char Word[] = "operator";
    if (text.compare(at, sizeof Word - 1, Word) != 0) return false;
    return at == 0 || text[at - 1] == ':' || text[at - 1] == ' ';
}

// The qualified name of a demangled function without its parameter list and the
// qualifiers after it ("ns::C::f(int) const" -> "ns::C::f"); a name without a parameter
// list (data) stays as it is.
std::string WithoutParameters(const std::string& text)
{
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) return text;
    for (std::size_t i = close + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c != ' ' && c != '&' && !(c >= 'a' && c <= 'z')) return text;
    }
    int depth = 0;
    for (std::size_t i = close + 1; i-- > 0;) {
        if (text[i] == ')') ++depth;
        else if (text[i] == '(' && --depth == 0) return text.substr(0, i);
    }
    return text;
}

TExportNameParts FromItaniumName(const std::string& name)
{
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status), &std::free);
    if (status != 0 || !demangled) return {};
    std::string qualified = WithoutParameters(demangled.get());

    // Separators count only outside template arguments and parentheses, and not inside an
    // operator's name ("operator<", "operator()").
    std::size_t lastSpace = std::string::npos, lastScope = std::string::npos;
    int depth = 0;
    for (std::size_t i = 0; i < qualified.size(); ++i) {
        const char c = qualified[i];
        if (depth == 0 && IsOperatorAt(qualified, i)) break;
        if (c == '<' || c == '(' || c == '[' || c == '{') ++depth;
        else if ((c == '>' || c == ')' || c == ']' || c == '}') && depth > 0) --depth;
        else if (depth == 0 && c == ' ') lastSpace = i;
        else if (depth == 0 && c == ':' && i + 1 < qualified.size() && qualified[i + 1] == ':') lastScope = i++;
    }
    // A template function's name comes after its return type.
    std::size_t from = 0;
    if (lastSpace != std::string::npos && (lastScope == std::string::npos || lastSpace < lastScope)) from = lastSpace + 1;

    TExportNameParts result;
    if (lastScope != std::string::npos && lastScope > from) {
        result.ClassName = qualified.substr(from, lastScope - from);
        result.ProcedureName = qualified.substr(lastScope + 2);
    } else {
        result.ProcedureName = qualified.substr(from);
    }
    if (result.ProcedureName.empty()) return {};
    result.Detail = ddProcedure;
    return result;
}

} // namespace

TExportNameParts SplitExportName(const std::string& name)
{
    try {
        if (name.empty() || name[0] == '?') return {};
        if (name[0] == '@' && name.compare(0, 2, "@$") != 0) return FromParts(SplitAtDots(UnmanglePascalName(name)));
        if (name.find('.') != std::string::npos) return FromParts(SplitAtDots(name.substr(0, name.find('@'))));
        if (name.compare(0, 2, "_Z") == 0) {
            TExportNameParts parts = FromItaniumName(name);
            if (parts.Detail != ddModule) return parts;
        }
        TExportNameParts plain;
        plain.ProcedureName = name;
        plain.Detail = ddProcedure;
        return plain;
    } catch (...) {
        // Only memory can run out here; the entry then keeps what it knew: the module.
        return {};
    }
}
