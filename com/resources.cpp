#include "com/resources.h"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace varnic::com {
namespace {

constexpr std::string_view kSection = ".varnic_rsrc";
constexpr std::string_view kMagic = "VRSRC1";

template <typename T>
bool ReadAt(const std::string& file, std::size_t offset, T& out) {
  if (offset > file.size() || file.size() - offset < sizeof(T)) return false;
  std::memcpy(&out, file.data() + offset, sizeof(T));
  return true;
}

// The bytes of the named section of a 64-bit little-endian ELF file; every offset is checked
// against the file, which may be anything.
bool SectionBytes(const std::string& file, std::string_view name, std::string_view& bytes) {
  Elf64_Ehdr header{};
  if (!ReadAt(file, 0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
      header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_shentsize != sizeof(Elf64_Shdr)) {
    return false;
  }
  Elf64_Shdr names{};
  if (!ReadAt(file, header.e_shoff + std::size_t{header.e_shstrndx} * sizeof(Elf64_Shdr), names)) {
    return false;
  }
  for (std::size_t i = 0; i < header.e_shnum; ++i) {
    Elf64_Shdr section{};
    if (!ReadAt(file, header.e_shoff + i * sizeof(Elf64_Shdr), section)) return false;
    const std::size_t at = names.sh_offset + section.sh_name;
    if (at >= file.size() || at < names.sh_offset) continue;
    const std::string_view sectionName(file.data() + at,
                                       ::strnlen(file.data() + at, file.size() - at));
    if (sectionName != name) continue;
    if (section.sh_offset > file.size() || file.size() - section.sh_offset < section.sh_size) {
      return false;
    }
    bytes = std::string_view(file.data() + section.sh_offset, section.sh_size);
    return true;
  }
  return false;
}

std::string_view NextField(std::string_view& rest) {
  const std::size_t nul = rest.find('\0');
  const std::string_view field = rest.substr(0, nul);
  rest = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);
  return field;
}

}  // namespace

bool FindModuleResource(const std::string& path, std::string_view type, int id, std::string& data) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::string file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::string_view section;
  std::string_view found;
  if (!SectionBytes(file, kSection, section) || !FindResource(section, type, id, found)) {
    return false;
  }
  data = found;
  return true;
}

bool FindResource(std::string_view section, std::string_view type, int id, std::string_view& data) {
  std::string_view rest = section;
  if (NextField(rest) != kMagic) return false;
  const std::string wantedId = std::to_string(id);
  while (!rest.empty()) {
    const std::string_view t = NextField(rest);
    const std::string_view i = NextField(rest);
    const std::string_view bytes = NextField(rest);
    if (t == type && i == wantedId) {
      data = bytes;
      return true;
    }
  }
  return false;
}

}  // namespace varnic::com
