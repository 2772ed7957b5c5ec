// GamesFile: one output that takes the lines of one record after another,
// as the command line's -o FILE gathers several logs. Only one record's
// lines are held at a time; a regular file is replaced whole on commit(),
// and left as it was when the object is discarded or a write fails. It
// holds the interpreter lock throughout, as convert_file does.
#include <new>
#include <optional>

#include "paiscribe/cpython/arguments.hpp"
#include "paiscribe/cpython/converter_lease.hpp"
#include "paiscribe/cpython/exceptions.hpp"
#include "paiscribe/cpython/guarded_call.hpp"
#include "paiscribe/cpython/native_functions.hpp"
#include "paiscribe/cpython/native_state.hpp"
#include "paiscribe/pipeline/games_output.hpp"

namespace paiscribe {
namespace {

struct GamesFileObject {
  PyObject_HEAD
  std::optional<GamesOutput> output;  // none once committed, discarded or failed
};

GamesFileObject& games_file(PyObject* self) { return *reinterpret_cast<GamesFileObject*>(self); }

NativeState& state_of(PyTypeObject* defining_class) {
  return *static_cast<NativeState*>(PyType_GetModuleState(defining_class));
}

PyObject* closed_file_error() {
  PyErr_SetString(PyExc_ValueError, "I/O operation on a closed GamesFile");
  return nullptr;
}

// The single positional argument of `name`; null with TypeError set.
PyObject* single_argument(const char* name, PyObject* const* args, Py_ssize_t nargsf, PyObject* keyword_names) {
  const Py_ssize_t given = PyVectorcall_NARGS(nargsf);
  if (given != 1 || (keyword_names != nullptr && PyTuple_GET_SIZE(keyword_names) > 0)) {
    PyErr_Format(PyExc_TypeError, "%s() takes exactly one positional argument", name);
    return nullptr;
  }
  return args[0];
}

// Starts a record with `start` and writes its lines; a failed write closes the file.
template <typename Start>
PyObject* add_record(PyObject* self, NativeState& state, Start&& start) {
  GamesFileObject& file = games_file(self);
  if (!file.output) return closed_file_error();
  ConverterLease lease(state.kept);
  Converter& converter = lease.converter();
  if (auto started = start(converter); !started) {
    raise_error(state.errors, started.error());
    return nullptr;
  }
  if (auto appended = file.output->append(converter); !appended) {
    if (file.output->failed()) file.output.reset();
    raise_error(state.errors, appended.error());
    return nullptr;
  }
  Py_RETURN_NONE;
}

PyObject* add_file(PyObject* self, PyTypeObject* defining_class, PyObject* const* args, Py_ssize_t nargsf,
                   PyObject* keyword_names) {
  PyObject* argument = single_argument("add_file", args, nargsf, keyword_names);
  if (argument == nullptr) return nullptr;
  const OwnedRef filename = path_bytes(argument, "filename");
  if (!filename) return nullptr;
  return guarded_call("GamesFile.add_file", [&] {
    return add_record(self, state_of(defining_class), [&](Converter& converter) {
      return converter.start_file(view_of(filename.get()), kAnyRecord, signal_handler_raised);
    });
  });
}

PyObject* add_text(PyObject* self, PyTypeObject* defining_class, PyObject* const* args, Py_ssize_t nargsf,
                   PyObject* keyword_names) {
  PyObject* argument = single_argument("add_text", args, nargsf, keyword_names);
  if (argument == nullptr) return nullptr;
  InputBytes input;
  if (!input.take("add_text", argument)) return nullptr;
  return guarded_call("GamesFile.add_text", [&] {
    return add_record(self, state_of(defining_class),
                      [&](Converter& converter) { return converter.start_copy(input.bytes(), kAnyRecord); });
  });
}

PyObject* commit(PyObject* self, PyTypeObject* defining_class, PyObject* const*, Py_ssize_t nargsf,
                 PyObject* keyword_names) {
  if (PyVectorcall_NARGS(nargsf) != 0 || (keyword_names != nullptr && PyTuple_GET_SIZE(keyword_names) > 0)) {
    PyErr_SetString(PyExc_TypeError, "commit() takes no arguments");
    return nullptr;
  }
  GamesFileObject& file = games_file(self);
  if (!file.output) return closed_file_error();
  return guarded_call("GamesFile.commit", [&]() -> PyObject* {
    auto done = file.output->commit();
    file.output.reset();
    if (!done) {
      raise_error(state_of(defining_class).errors, done.error());
      return nullptr;
    }
    Py_RETURN_NONE;
  });
}

PyObject* discard(PyObject* self, PyObject*) {
  games_file(self).output.reset();
  Py_RETURN_NONE;
}

PyObject* enter(PyObject* self, PyObject*) { return Py_NewRef(self); }

PyObject* exit_context(PyObject* self, PyObject*) { return discard(self, nullptr); }

PyObject* closed(PyObject* self, void*) { return PyBool_FromLong(!games_file(self).output.has_value()); }

PyObject* new_games_file(PyTypeObject* type, PyObject* args, PyObject* keywords) {
  if (PyTuple_GET_SIZE(args) != 1 || (keywords != nullptr && PyDict_GET_SIZE(keywords) > 0)) {
    PyErr_SetString(PyExc_TypeError, "GamesFile() takes exactly one positional argument");
    return nullptr;
  }
  const OwnedRef mjai_out = path_bytes(PyTuple_GET_ITEM(args, 0), "mjai_out");
  if (!mjai_out) return nullptr;
  OwnedRef self(type->tp_alloc(type, 0));
  if (!self) return nullptr;
  new (&games_file(self.get()).output) std::optional<GamesOutput>();
  return guarded_call("GamesFile", [&]() -> PyObject* {
    auto opened = GamesOutput::open(view_of(mjai_out.get()), signal_handler_raised);
    if (!opened) {
      raise_error(static_cast<NativeState*>(PyType_GetModuleState(type))->errors, opened.error());
      return nullptr;
    }
    games_file(self.get()).output.emplace(std::move(*opened));
    return self.release();
  });
}

void dealloc(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  games_file(self).output.~optional();
  type->tp_free(self);
  Py_DECREF(type);
}

using MethodWithClass = PyObject* (*)(PyObject*, PyTypeObject*, PyObject* const*, Py_ssize_t, PyObject*);

PyCFunction method(MethodWithClass function) {
  return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

constexpr int kWithClass = METH_METHOD | METH_FASTCALL | METH_KEYWORDS;

PyMethodDef methods[] = {
    {"add_file", method(add_file), kWithClass,
     "add_file($self, filename, /)\n--\n\n"
     "Converts the record at filename, a JSON log or XML record, plain or\n"
     "gzip-compressed, and writes its lines. Raises what convert_file raises\n"
     "for it; a record that fails writes nothing. A write that fails raises\n"
     "OSError (BrokenPipeError when the reader of a pipe went away) and\n"
     "closes the file, leaving the destination as it was."},
    {"add_text", method(add_text), kWithClass,
     "add_text($self, data, /)\n--\n\n"
     "The same for a record held in memory, as convert_text takes it."},
    {"commit", method(commit), kWithClass,
     "commit($self, /)\n--\n\n"
     "Closes the file; a regular file then replaces the destination whole."},
    {"discard", discard, METH_NOARGS,
     "discard($self, /)\n--\n\n"
     "Closes the file without a commit: the destination stays as it was."},
    {"__enter__", enter, METH_NOARGS, "__enter__($self, /)\n--\n\n"},
    {"__exit__", exit_context, METH_VARARGS, "__exit__($self, *exc_info, /)\n--\n\nDiscards the file unless it was committed."},
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef getset[] = {
    {"closed", closed, nullptr, "Whether the file was committed, discarded or failed.", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_new, reinterpret_cast<void*>(new_games_file)},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc)},
    {Py_tp_methods, methods},
    {Py_tp_getset, getset},
    {Py_tp_doc, const_cast<char*>(
                    "GamesFile(mjai_out, /)\n--\n\n"
                    "An output at mjai_out (a path, or \"-\" for standard output) that\n"
                    "takes the lines of one game record after another, holding one\n"
                    "record's lines at a time. A regular file is written beside its\n"
                    "destination and replaces it on commit(); discarded, or after a\n"
                    "failed write, the destination stays as it was. Standard output\n"
                    "takes each record's lines in one write as they come (line by line\n"
                    "on a terminal).")},
    {0, nullptr},
};

PyType_Spec type_spec = {
    "paiscribe._native.GamesFile",
    sizeof(GamesFileObject),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE,
    slots,
};

}  // namespace

PyObject* make_games_file_type(PyObject* module) { return PyType_FromModuleAndSpec(module, &type_spec, nullptr); }

}  // namespace paiscribe
