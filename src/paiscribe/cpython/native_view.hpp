#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace paiscribe {

// game_lines(filename): the mjai lines of any game file a viewer opens.
PyObject* native_game_lines(PyObject* module, PyObject* const* args, Py_ssize_t nargsf, PyObject* keyword_names);
extern const char kGameLinesDoc[];

// replay_table(data, /): the table at every line, and each game's findings and wins.
PyObject* native_replay_table(PyObject* module, PyObject* data);
extern const char kReplayTableDoc[];

}  // namespace paiscribe
