#ifndef VARNIC_PYTHON_ARGUMENTS_H_
#define VARNIC_PYTHON_ARGUMENTS_H_

#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

// Python arguments turned into what the C++ side takes, with the errors a Python user expects:
// TypeError naming the argument for a value of the wrong kind, ValueError naming it and the
// reason for a value that cannot be used, OSError (the subclass its errno picks) with the file
// name for a file that cannot be read or written.
namespace varnic::python {

namespace py = pybind11;

[[noreturn]] void RaiseOsError(const std::error_code& error, const py::object& path);

// os.fspath of a str or os.PathLike; TypeError naming `what` for anything else.
py::object PathObject(const py::handle& argument, const std::string& what);

// A path as the file layer opens it: os.fsencode's bytes. A NUL would cut it short there and
// name another file, so it is refused as Python's own functions refuse it.
std::string FilePath(const py::object& path, const std::string& what);

// A path as the outputs name it: os.fsdecode's text as UTF-8, undecodable bytes kept as they were.
std::string ShownPath(const py::object& path);

// A device type: a whole number that fits 32 bits, or "single-band" / "dual-band" in any case.
std::int32_t DeviceType(const py::handle& value, const std::string& what);

// Whether `value` is the text "auto".
bool IsAuto(const py::handle& value);

// True or False; TypeError naming `what` for anything else (a non-empty "no" is not False).
bool Flag(const py::handle& value, const std::string& what);

// Ignore patterns: a str (one pattern) or an iterable of str or bytes.
std::vector<std::string> Patterns(const py::handle& value, const std::string& what);

// Bytes of a backup (a section header, a rule) as str: UTF-8, and a byte that is none kept as
// os.fsdecode keeps it (a lone surrogate), so that no backup makes a result unreadable.
py::str DecodedText(std::string_view bytes);

}  // namespace varnic::python

#endif  // VARNIC_PYTHON_ARGUMENTS_H_
