#include "paiscribe/cpython/native_state.hpp"

#include <new>

#include "paiscribe/cpython/native_functions.hpp"
#include "paiscribe/cpython/owned_ref.hpp"

namespace paiscribe {

NativeState& native_state(PyObject* module) { return *static_cast<NativeState*>(PyModule_GetState(module)); }

bool init_native_state(PyObject* module) {
  NativeState& state = *new (PyModule_GetState(module)) NativeState();
  const OwnedRef paiscribe_module(PyImport_ImportModule("_paiscribe"));
  if (!paiscribe_module) return false;
  for (std::size_t i = 0; i < kModuleErrorNames.size(); ++i) {
    state.errors.own[i] = PyObject_GetAttrString(paiscribe_module.get(), kModuleErrorNames[i]);
    if (state.errors.own[i] == nullptr) return false;
  }
  state.errors.mjlog = PyErr_NewExceptionWithDoc(
      "paiscribe.MjlogParsingError",
      "The text is no four-player Tenhou XML game record (mjlog): not XML, not\n"
      "a game record, a three-player game, or a record whose play cannot be.",
      PyExc_ValueError, nullptr);
  if (state.errors.mjlog == nullptr || PyModule_AddObjectRef(module, "MjlogParsingError", state.errors.mjlog) < 0)
    return false;
  state.errors.illegal_game = PyErr_NewExceptionWithDoc(
      "paiscribe.IllegalGameError",
      "The mjai lines of a game break the rules Tenhou plays, or their scores do\n"
      "not add up. A failure of convert_files(..., check=True) and check_files\n"
      "carries its findings; mjai_to_tenhou raises it with them in .findings.",
      PyExc_ValueError, nullptr);
  if (state.errors.illegal_game == nullptr ||
      PyModule_AddObjectRef(module, "IllegalGameError", state.errors.illegal_game) < 0)
    return false;
  state.games_file_type = make_games_file_type(module);
  return state.games_file_type != nullptr &&
         PyModule_AddType(module, reinterpret_cast<PyTypeObject*>(state.games_file_type)) == 0;
}

void clear_native_state(PyObject* module) {
  NativeState& state = native_state(module);
  for (PyObject*& type : state.errors.own) Py_CLEAR(type);
  Py_CLEAR(state.errors.mjlog);
  Py_CLEAR(state.errors.illegal_game);
  Py_CLEAR(state.games_file_type);
}

}  // namespace paiscribe
