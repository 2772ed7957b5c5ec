#pragma once

#include <optional>

#include "paiscribe/pipeline/converter.hpp"
#include "paiscribe/pipeline/mjai_to_tenhou_json.hpp"

namespace paiscribe {

// A module's converter, kept between calls so that its buffers stay, and
// beside it the rebuilder of JSON logs from mjai lines.
struct KeptConverter {
  Converter converter;
  TenhouJsonRebuilder rebuilder;
  bool in_use = false;  // guarded by the interpreter lock
};

// The kept converter (and rebuilder) for one call, taken and given back under the
// interpreter lock. A call made while another holds it (from a signal
// handler, or from a thread while the first runs without the lock) gets a
// converter of its own.
class ConverterLease {
 public:
  explicit ConverterLease(KeptConverter& kept) : kept_(kept), held_(!kept.in_use) { kept_.in_use = true; }
  ConverterLease(const ConverterLease&) = delete;
  ConverterLease& operator=(const ConverterLease&) = delete;
  ~ConverterLease() {
    if (!held_) return;
    kept_.converter.keep_typical();
    kept_.rebuilder.keep_typical();
    kept_.in_use = false;
  }

  Converter& converter() { return held_ ? kept_.converter : own_.emplace(); }
  TenhouJsonRebuilder& rebuilder() { return held_ ? kept_.rebuilder : own_rebuilder_.emplace(); }

 private:
  KeptConverter& kept_;
  bool held_;
  std::optional<Converter> own_;
  std::optional<TenhouJsonRebuilder> own_rebuilder_;
};

}  // namespace paiscribe
