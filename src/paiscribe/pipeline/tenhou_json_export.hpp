#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "paiscribe/io/file_descriptor.hpp"
#include "paiscribe/io/record_reader.hpp"
#include "paiscribe/pipeline/pipeline_error.hpp"

namespace paiscribe {

// The XML record at `path` (raw path bytes), plain or compressed, read by
// `reader`, as Tenhou's JSON log (version 6), named after the game's id when
// the file is. It fails as mjlog_to_mjai fails on the record (its game is
// converted too, its lines dropped), and also on a win whose points or yaku
// the JSON log cannot write.
std::expected<std::string, PipelineError> mjlog_to_tenhou_json(std::string_view path, RecordReader& reader,
                                                               ShouldStop should_stop = nullptr);
// The same for a record's bytes held in memory, which name no game.
std::expected<std::string, PipelineError> mjlog_bytes_to_tenhou_json(std::string_view bytes, RecordReader& reader);

// The game id that the file at `path` is named after, as Tenhou names a
// download ("2019021004gm-00a9-0000-e2f6516d.mjlog", "...&tw=3.mjlog"), or
// empty when it is named otherwise.
std::string_view game_id_of_path(std::string_view path);

}  // namespace paiscribe
