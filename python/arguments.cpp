#include "python/arguments.h"

#include <optional>

#include "varnic/report/device_types.h"

namespace varnic::python {
namespace {

std::string TypeNameOf(const py::handle& value) {
  return py::cast<std::string>(py::type::handle_of(value).attr("__name__"));
}

}  // namespace

void RaiseOsError(const std::error_code& error, const py::object& path) {
  // OSError(errno, strerror, filename) picks its subclass (FileNotFoundError, ...) by errno.
  const py::object exception =
      py::reinterpret_borrow<py::object>(PyExc_OSError)(error.value(), error.message(), path);
  PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(exception.ptr())), exception.ptr());
  throw py::error_already_set();
}

py::object PathObject(const py::handle& argument, const std::string& what) {
  // Bytes are a backup's text where compare() takes one, so never a path here either.
  if (!py::isinstance<py::str>(argument) && !py::hasattr(argument, "__fspath__")) {
    throw py::type_error(what + ": expected a path (str or os.PathLike), got " +
                         TypeNameOf(argument));
  }
  return py::module_::import("os").attr("fspath")(argument);
}

std::string FilePath(const py::object& path, const std::string& what) {
  std::string bytes = py::cast<std::string>(py::module_::import("os").attr("fsencode")(path));
  if (bytes.find('\0') != std::string::npos) {
    throw py::value_error(what + ": embedded null byte in the path");
  }
  return bytes;
}

std::string ShownPath(const py::object& path) {
  return py::cast<std::string>(
      py::module_::import("os").attr("fsdecode")(path).attr("encode")("utf-8", "surrogateescape"));
}

std::int32_t DeviceType(const py::handle& value, const std::string& what) {
  if (py::isinstance<py::str>(value)) {
    const auto text = py::cast<std::string>(value);
    if (const std::optional<std::int32_t> type = report::ParseType(text)) return *type;
    throw py::value_error(what + ": '" + text +
                          "' is neither a number nor single-band or dual-band");
  }
  if (!PyLong_Check(value.ptr())) {
    throw py::type_error(what + ": expected an int or 'single-band' / 'dual-band', got " +
                         TypeNameOf(value));
  }
  int overflow = 0;
  const long long number = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
  if (overflow != 0 || number < INT32_MIN || number > INT32_MAX) {
    throw py::value_error(what + ": " + py::cast<std::string>(py::str(value)) +
                          " does not fit a 32-bit device type");
  }
  return static_cast<std::int32_t>(number);
}

bool IsAuto(const py::handle& value) {
  return py::isinstance<py::str>(value) && py::cast<std::string>(value) == "auto";
}

bool Flag(const py::handle& value, const std::string& what) {
  if (!PyBool_Check(value.ptr())) {
    throw py::type_error(what + ": expected True or False, got " + TypeNameOf(value));
  }
  return value.ptr() == Py_True;
}

std::vector<std::string> Patterns(const py::handle& value, const std::string& what) {
  std::vector<std::string> patterns;
  if (py::isinstance<py::str>(value)) {
    patterns.push_back(py::cast<std::string>(value));
    return patterns;
  }
  if (!py::hasattr(value, "__iter__") || py::isinstance<py::bytes>(value)) {
    throw py::type_error(what + ": expected a str or a list of str, got " + TypeNameOf(value));
  }
  for (const py::handle item : value) {
    if (py::isinstance<py::str>(item) || py::isinstance<py::bytes>(item)) {
      patterns.push_back(py::cast<std::string>(item));
    } else {
      throw py::type_error(what + ": expected str patterns, got " + TypeNameOf(item));
    }
  }
  return patterns;
}

py::str DecodedText(std::string_view bytes) {
  PyObject* text =
      PyUnicode_DecodeUTF8(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), "surrogateescape");
  if (text == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(text);
}

}  // namespace varnic::python
