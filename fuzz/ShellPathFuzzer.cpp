// Feeds arbitrary paths along the road they take to the shell: the shell-path form that the framework
// gives, and the converter command that the conversion builds and quotes around them. The input holds up
// to three paths separated by NUL bytes (a path can hold no NUL): the program's folder, the e-book and
// the destination folder. The shell must get three words, each free of quoting and expansion
// characters, each a pattern that matches exactly its path.
#include "conversion/Command.h"
#include "framework/Files.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fnmatch.h>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using framework::String;

[[noreturn]] void Broken(const char* what, const String& path, const String& quoted)
{
    std::fprintf(stderr, "invariant broken: %s\npath:   \"%s\"\nquoted: \"%s\"\n", what, path.c_str(),
                 quoted.c_str());
    std::abort();
}

// Bytes that the shell takes literally in a word of the printed command: it splits at none of them,
// expands none, and printf prints them as they are.
bool Inert(unsigned char byte)
{
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
           byte == '_' || byte == '.' || byte == '/' || byte == '-' || byte >= 0x80;
}

// A folder as the framework gives it: with one trailing slash.
String FolderForm(const String& path)
{
    return path.back() == '/' ? path : path + "/";
}

void CheckWord(const String& path, const String& word)
{
    // Every byte of the path has exactly one byte in the word: itself, or "?" in place of a byte that
    // the shell would otherwise take as syntax.
    if (word.size() != path.size()) {
        Broken("the word is not as long as the path", path, word);
    }
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto original = static_cast<unsigned char>(path[i]);
        const auto quoted = static_cast<unsigned char>(word[i]);
        if (quoted == '?') {
            if (Inert(original)) {
                Broken("a wildcard stands for a byte that needed none", path, word);
            }
        } else if (quoted != original || !Inert(quoted)) {
            Broken("the word holds a byte the shell would not take literally", path, word);
        }
    }
    // The shell's pathname expansion, byte by byte as /bin/sh does it, brings back the real path.
    if (fnmatch(word.c_str(), path.c_str(), FNM_PATHNAME | FNM_PERIOD) != 0) {
        Broken("the word does not match its path", path, word);
    }
}

void CheckCommand(std::int32_t architecture, const String& converter, const std::array<String, 3>& paths)
{
    const auto& [program, ebook, destination] = paths;
    const String command = conversion::ConverterCommand(
        architecture, FolderForm(framework::EscapeForShell(program)), framework::EscapeForShell(ebook),
        FolderForm(framework::EscapeForShell(destination)));
    const String opening = "`printf \"";
    const String closing = "\"`";
    if (command.size() < opening.size() + closing.size() || command.rfind(opening, 0) != 0 ||
        command.compare(command.size() - closing.size(), closing.size(), closing) != 0) {
        Broken("the command is not one printf in backquotes", ebook, command);
    }
    const String inner = command.substr(opening.size(), command.size() - opening.size() - closing.size());
    std::vector<String> words;
    std::istringstream split(inner);
    for (String word; std::getline(split, word, ' ');) {
        words.push_back(word);
    }
    if (words.size() != 3) {
        Broken("the shell does not get three words", ebook, command);
    }
    CheckWord(FolderForm(program) + converter, words[0]);
    CheckWord(ebook, words[1]);
    CheckWord(FolderForm(destination), words[2]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::array<String, 3> paths;
    std::size_t start = 0;
    for (auto& path : paths) {
        const auto from = std::min(start, input.size());
        const auto end = std::min(input.find('\0', from), input.size());
        // Paths reach the program absolute and without a trailing slash.
        path = "/" + String(input.substr(from, end - from));
        while (path.size() > 1 && path.back() == '/') {
            path.pop_back();
        }
        start = end + 1;
    }
    CheckCommand(10, "/clit-intel", paths);
    CheckCommand(conversion::kPowerPCArchitecture, "/clit-ppc", paths);
    return 0;
}
