#include "tools/vemo-render/NameLookup.h"

#include "tools/vemo-render/PluginHost.h"

#include <algorithm>
#include <cctype>

namespace vemo::render {

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

bool isIndex(const std::string& s)
{
    return !s.empty() && s.size() < 9 && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

namespace {

// Whether `part` begins `text` or one of its space-separated words.
bool startsAWord(const std::string& text, const std::string& part)
{
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        if (at == 0 || text[at - 1] == ' ')
            return true;
    return false;
}

} // namespace

int findByName(const std::vector<std::string>& names, const std::string& wanted, const char* what,
               bool allowPart)
{
    auto search = [&](auto matches) {
        std::vector<int> found;
        for (size_t i = 0; i < names.size(); ++i)
            if (matches(names[i]))
                found.push_back(int(i));
        return found;
    };
    std::vector<int> found = search([&](const std::string& n) { return n == wanted; });
    if (found.empty())
        found = search([&](const std::string& n) { return lower(n) == lower(wanted); });
    if (found.empty() && allowPart) // the start of a name, then the start of a word in it, then any part
        found = search([&](const std::string& n) { return lower(n).starts_with(lower(wanted)); });
    if (found.empty() && allowPart)
        found = search([&](const std::string& n) { return startsAWord(lower(n), lower(wanted)); });
    if (found.empty() && allowPart)
        found = search([&](const std::string& n) { return lower(n).find(lower(wanted)) != std::string::npos; });
    if (found.size() == 1)
        return found[0];
    if (found.empty())
        throw UsageError(std::string("no ") + what + " is called '" + wanted + "' (see --list-" +
                         (std::string(what) == "program" ? "programs" : "params") + ")");
    std::string list;
    for (size_t i = 0; i < found.size() && i < 8; ++i)
        list += (i ? ", " : "") + std::to_string(found[i]) + " '" + names[size_t(found[i])] + "'";
    throw UsageError(std::string("'") + wanted + "' matches " + std::to_string(found.size()) + " " + what +
                     "s (" + list + (found.size() > 8 ? ", ..." : "") + "); give the index instead");
}

std::vector<std::string> programNames(PluginHost& host)
{
    std::vector<std::string> names;
    for (int i = 0; i < host.info().numPrograms; ++i)
        names.push_back(host.programName(i));
    return names;
}

int resolveProgram(PluginHost& host, const std::string& text)
{
    int count = host.info().numPrograms;
    if (isIndex(text)) {
        int index = std::stoi(text);
        if (index >= count)
            throw UsageError("--program " + text + ": the plug-in has programs 0 to " + std::to_string(count - 1));
        return index;
    }
    return findByName(programNames(host), text, "program", true);
}

} // namespace vemo::render
