// Finding a program or a parameter by what a user types on a command line:
// an index, or a name (exact, then ignoring case, then for programs the
// unique start of the name, of a word in it, or any part of it). Shared by
// the command-line tools so that `--program` means the same everywhere.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace vemo::render {

class PluginHost;

// A command line that cannot be carried out as written (exit status 2).
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string lower(std::string s);
// Whether s is a plain decimal number short enough for an int.
bool isIndex(const std::string& s);

// The index of the one name that matches; throws UsageError naming the
// candidates when none or several do.
int findByName(const std::vector<std::string>& names, const std::string& wanted, const char* what,
               bool allowPart);

std::vector<std::string> programNames(PluginHost& host);

// `--program N|NAME`: the program's index; throws UsageError.
int resolveProgram(PluginHost& host, const std::string& text);

} // namespace vemo::render
