#ifndef VARNIC_BASE_PATH_NAMES_H_
#define VARNIC_BASE_PATH_NAMES_H_

#include <filesystem>
#include <string>

namespace varnic::base {

// File names are UTF-8 strings throughout Varnic. These turn them into std::filesystem paths and
// back: on Windows through UTF-8, which the library's narrow conversions there do not read (they
// use the process's code page); on POSIX as they are, bytes.
std::filesystem::path PathOf(const std::string& name);
std::string NameOf(const std::filesystem::path& path);

}  // namespace varnic::base

#endif  // VARNIC_BASE_PATH_NAMES_H_
