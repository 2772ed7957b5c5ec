#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace paiscribe {

// game_lines(filename): the mjai lines of any game file a viewer opens.
PyObject* native_game_lines(PyObject* module, PyObject* filename);
extern const char kGameLinesDoc[];

// replay_table(data, lines=None, /): the table at every line (or at those
// wanted), and each game's kyokus, results, findings and wins.
PyObject* native_replay_table(PyObject* module, PyObject* const* args, Py_ssize_t count);
extern const char kReplayTableDoc[];

}  // namespace paiscribe
