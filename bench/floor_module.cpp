// The floor under any call that returns a log's mjai lines: read the file,
// then build the list of str from lines already made, with each line's
// ASCII-ness known in advance. Only for bench_python.py.
//
//   _floor.lines(path, text: bytes, ends: buffer of uint64, non_ascii: bytes) -> list[str]
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

bool read_file(const char* path, std::string& into) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  into.resize(::fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) + 1 : 4096);
  std::size_t used = 0;
  for (ssize_t got; (got = ::read(fd, into.data() + used, into.size() - used)) > 0;) {
    used += static_cast<std::size_t>(got);
    if (used == into.size()) into.resize(into.size() * 2);
  }
  ::close(fd);
  into.resize(used);
  return true;
}

PyObject* lines(PyObject*, PyObject* args) {
  const char* path;
  const char* text;
  Py_ssize_t text_size;
  Py_buffer ends;
  const char* non_ascii;
  Py_ssize_t count;
  if (!PyArg_ParseTuple(args, "yy#y*y#", &path, &text, &text_size, &ends, &non_ascii, &count)) return nullptr;
  std::string file;
  if (!read_file(path, file)) {
    PyBuffer_Release(&ends);
    return PyErr_SetFromErrno(PyExc_OSError);
  }
  const auto* end_of = static_cast<const std::uint64_t*>(ends.buf);
  PyObject* list = PyList_New(count);
  std::uint64_t begin = 0;
  for (Py_ssize_t i = 0; list != nullptr && i < count; ++i) {
    const auto size = static_cast<Py_ssize_t>(end_of[i] - begin);
    PyObject* line;
    if (non_ascii[i]) {
      line = PyUnicode_DecodeUTF8(text + begin, size, nullptr);
    } else if ((line = PyUnicode_New(size, 0x7F)) != nullptr) {
      std::memcpy(PyUnicode_1BYTE_DATA(line), text + begin, static_cast<std::size_t>(size));
    }
    if (line == nullptr) Py_CLEAR(list);
    else PyList_SET_ITEM(list, i, line);
    begin = end_of[i] + 1;
  }
  PyBuffer_Release(&ends);
  return list;
}

PyMethodDef methods[] = {{"lines", lines, METH_VARARGS, nullptr}, {nullptr, nullptr, 0, nullptr}};
PyModuleDef module_def = {PyModuleDef_HEAD_INIT, "_floor", nullptr, 0, methods, nullptr, nullptr, nullptr, nullptr};

}  // namespace

PyMODINIT_FUNC PyInit__floor() { return PyModuleDef_Init(&module_def); }
