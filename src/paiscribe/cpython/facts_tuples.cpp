#include "paiscribe/cpython/facts_tuples.hpp"

#include <array>
#include <optional>

#include "paiscribe/cpython/exceptions.hpp"
#include "paiscribe/cpython/owned_ref.hpp"

namespace paiscribe {
namespace {

// A tuple of the values, each made by `make`; null with the error set.
template <typename Values, typename Make>
PyObject* tuple_of(const Values& values, Make make) {
  OwnedRef tuple(PyTuple_New(static_cast<Py_ssize_t>(std::size(values))));
  if (!tuple) return nullptr;
  Py_ssize_t at = 0;
  for (const auto& value : values) {
    PyObject* item = make(value);
    if (item == nullptr) return nullptr;
    PyTuple_SET_ITEM(tuple.get(), at++, item);
  }
  return tuple.release();
}

PyObject* none() { return Py_NewRef(Py_None); }

template <typename T, typename Make>
PyObject* optional_of(const std::optional<T>& value, Make make) {
  return value ? make(*value) : none();
}

PyObject* integer(long long value) { return PyLong_FromLongLong(value); }
PyObject* real(double value) { return PyFloat_FromDouble(value); }

PyObject* game_tuple(const GameFacts& facts) {
  constexpr Py_ssize_t kCount = 12;
  OwnedRef tuple(PyTuple_New(kCount));
  if (!tuple) return nullptr;
  Py_ssize_t at = 0;
  // Each item is made only while the ones before it were.
  const auto put = [&](PyObject* item) {
    if (item != nullptr) PyTuple_SET_ITEM(tuple.get(), at++, item);
    return item != nullptr;
  };
  const bool whole =
      put(str_of_text(facts.rule)) && put(optional_of(facts.game_type, integer)) &&
      put(optional_of(facts.lobby, integer)) && put(tuple_of(facts.names, str_of_text)) &&
      put(optional_of(facts.grades(), [](const auto& grades) { return tuple_of(grades, str_of_text); })) &&
      put(optional_of(facts.rate, [](const auto& rate) { return tuple_of(rate, real); })) &&
      put(tuple_of(facts.final_scores, real)) && put(PyLong_FromSize_t(facts.kyokus)) &&
      put(PyLong_FromSize_t(facts.disconnections)) &&
      put(optional_of(facts.room(), [](Room room) { return integer(static_cast<long long>(room)); })) &&
      put(optional_of(facts.hanchan(), [](bool hanchan) { return PyBool_FromLong(hanchan); })) &&
      put(PyBool_FromLong(facts.standard_rules()));
  return whole ? tuple.release() : nullptr;
}

}  // namespace

PyObject* facts_tuples(const std::vector<JobFacts>& facts) {
  return tuple_of(facts, [](const JobFacts& job) -> PyObject* {
    const OwnedRef index(PyLong_FromSize_t(job.job));
    if (!index) return nullptr;
    const OwnedRef left_out(job.left_out.empty() ? none() : str_of_text(job.left_out));
    if (!left_out) return nullptr;
    const OwnedRef game(optional_of(job.facts, game_tuple));
    if (!game) return nullptr;
    return PyTuple_Pack(3, index.get(), left_out.get(), game.get());
  });
}

}  // namespace paiscribe
