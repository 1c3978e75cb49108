// The module resource reader reads files that may be anything. The first byte picks the form:
// even, the rest is the whole file; odd, the rest is the resource section of a well-formed ELF
// file built around it, and what the reader finds must be what a plain reading of the section
// finds. Files are in-memory (memfd) so a run touches no disk.
#include <elf.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "com/resources.h"
#include "fuzz/fuzz_check.h"

namespace {

using varnic::fuzz::Check;

constexpr std::string_view kNames("\0.shstrtab\0.varnic_rsrc\0", 24);

// Header, the section's bytes, the names, then three section headers: null, names, resources.
std::string ElfAround(std::string_view section) {
  Elf64_Ehdr header{};
  std::memcpy(header.e_ident, ELFMAG, SELFMAG);
  header.e_ident[EI_CLASS] = ELFCLASS64;
  header.e_ident[EI_DATA] = ELFDATA2LSB;
  header.e_ident[EI_VERSION] = EV_CURRENT;
  header.e_type = ET_DYN;
  header.e_machine = EM_X86_64;
  header.e_version = EV_CURRENT;
  header.e_ehsize = sizeof(Elf64_Ehdr);
  header.e_shentsize = sizeof(Elf64_Shdr);
  header.e_shnum = 3;
  header.e_shstrndx = 1;
  const std::size_t sectionAt = sizeof(Elf64_Ehdr);
  const std::size_t namesAt = sectionAt + section.size();
  header.e_shoff = namesAt + kNames.size();
  std::vector<Elf64_Shdr> sections(3);
  sections[1].sh_name = 1;
  sections[1].sh_type = SHT_STRTAB;
  sections[1].sh_offset = namesAt;
  sections[1].sh_size = kNames.size();
  sections[2].sh_name = 11;
  sections[2].sh_type = SHT_PROGBITS;
  sections[2].sh_offset = sectionAt;
  sections[2].sh_size = section.size();
  std::string file(reinterpret_cast<const char*>(&header), sizeof header);
  file.append(section).append(kNames);
  file.append(reinterpret_cast<const char*>(sections.data()), sections.size() * sizeof(Elf64_Shdr));
  return file;
}

// The resource (type, id) as the section's layout defines it, read plainly.
bool PlainFind(std::string_view section, std::string_view type, std::string_view id,
               std::string& data) {
  std::vector<std::string_view> fields;
  while (!section.empty()) {
    const std::size_t nul = section.find('\0');
    fields.push_back(section.substr(0, nul));
    section = nul == std::string_view::npos ? std::string_view() : section.substr(nul + 1);
  }
  if (fields.empty() || fields[0] != "VRSRC1") return false;
  for (std::size_t i = 1; i < fields.size(); i += 3) {
    const std::string_view t = fields[i];
    const std::string_view n = i + 1 < fields.size() ? fields[i + 1] : std::string_view();
    if (t == type && n == id) {
      data = i + 2 < fields.size() ? fields[i + 2] : std::string_view();
      return true;
    }
  }
  return false;
}

class CMemoryFile {
 public:
  CMemoryFile() : fd_(::memfd_create("varnic-fuzz", MFD_CLOEXEC)) {
    Check(fd_ >= 0, "memfd_create failed");
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  const std::string& Hold(std::string_view bytes) {
    Check(::ftruncate(fd_, 0) == 0, "ftruncate failed");
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t put =
          ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
      Check(put > 0, "pwrite failed");
      done += static_cast<std::size_t>(put);
    }
    return path_;
  }

 private:
  int fd_;
  std::string path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static CMemoryFile file;
  if (size == 0) return 0;
  const std::string_view rest = varnic::fuzz::AsText(data + 1, size - 1);
  const bool wrapped = (data[0] & 1U) != 0;
  const std::string bytes = wrapped ? ElfAround(rest) : std::string(rest);
  const std::string& path = file.Hold(bytes);
  for (const auto& [type, id] : {std::pair<std::string_view, int>{"TYPELIB", 1},
                                 {"REGISTRY", 102},
                                 {"REGISTRY", 1},
                                 {"STRING", -7}}) {
    std::string found;
    const bool ok = varnic::com::FindModuleResource(path, type, id, found);
    if (ok) {
      Check(bytes.find(found) != std::string::npos, "a resource that is not in the file");
      Check(found.find('\0') == std::string::npos, "a resource runs past its end");
    }
    if (wrapped) {
      std::string expected;
      const bool plain = PlainFind(rest, type, std::to_string(id), expected);
      Check(ok == plain, "the reader and a plain reading disagree on a resource");
      Check(!ok || found == expected, "the reader finds other bytes than a plain reading");
    }
  }
  return 0;
}
