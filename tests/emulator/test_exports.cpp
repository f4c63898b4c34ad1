// libfiscport.so exports the fifty functions of fiscport.h and nothing else:
// any library with the same names can take its place at load time, and no
// name of the emulator's own (nor of SQLite's, defined inside it) reaches the
// program's symbol scope.
#include <elf.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "loader/fiscport_loader.h"

namespace {

// The names the shared library at `path` defines in its dynamic symbol table.
std::set<std::string> definedDynamicSymbols(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::string image((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    std::set<std::string> names;
    if (image.size() < sizeof(Elf64_Ehdr))
        return names;
    const char* base = image.data();
    const auto* header = reinterpret_cast<const Elf64_Ehdr*>(base);
    const auto* sections = reinterpret_cast<const Elf64_Shdr*>(base + header->e_shoff);
    for (int i = 0; i < header->e_shnum; ++i) {
        if (sections[i].sh_type != SHT_DYNSYM)
            continue;
        const char* strings = base + sections[sections[i].sh_link].sh_offset;
        const auto* symbols = reinterpret_cast<const Elf64_Sym*>(base + sections[i].sh_offset);
        const size_t count = sections[i].sh_size / sizeof(Elf64_Sym);
        for (size_t s = 1; s < count; ++s) {
            if (symbols[s].st_shndx != SHN_UNDEF)
                names.insert(strings + symbols[s].st_name);
        }
    }
    return names;
}

TEST(Exports, TheLibraryDefinesTheFiftyFunctionsAndNothingElse) {
    std::set<std::string> interface;
#define EXPORTS_NAME(name) interface.insert(#name);
    FISCPORT_NAMES(EXPORTS_NAME)
#undef EXPORTS_NAME
    ASSERT_EQ(interface.size(), 50u);
    EXPECT_EQ(definedDynamicSymbols(FISCPORT_LIBRARY), interface);
}

}  // namespace
