# The CPython boundary: one library of what both extension modules share
# (arguments, exception types, lists of lines, the file call), then
# _paiscribe and paiscribe._native over it. Only this code includes Python.h.
find_package(Python 3.12 REQUIRED COMPONENTS Interpreter Development.Module)

set(cpython_folder ${PROJECT_SOURCE_DIR}/src/paiscribe/cpython)
# The boundary's headers are seen as the layers' are: paiscribe/cpython/...
set(cpython_visible ${PROJECT_BINARY_DIR}/layers/cpython)
file(MAKE_DIRECTORY ${cpython_visible}/paiscribe)
file(CREATE_LINK ${cpython_folder} ${cpython_visible}/paiscribe/cpython SYMBOLIC)

add_library(paiscribe_cpython STATIC
  ${cpython_folder}/arguments.cpp
  ${cpython_folder}/convert_calls.cpp
  ${cpython_folder}/exceptions.cpp
  ${cpython_folder}/line_list.cpp)
target_include_directories(paiscribe_cpython PUBLIC ${cpython_visible})
target_link_libraries(paiscribe_cpython PUBLIC paiscribe_pipeline Python::Module)

# Only the initialisation function leaves a module: the standard library
# templates it instantiates would otherwise be exported too.
function(paiscribe_module name)
  Python_add_library(${name} MODULE WITH_SOABI ${ARGN})
  target_link_libraries(${name} PRIVATE paiscribe_cpython)
  set(exports ${CMAKE_CURRENT_BINARY_DIR}/${name}_module.map)
  file(CONFIGURE OUTPUT ${exports} CONTENT "{\n  global: PyInit_${name};\n  local: *;\n};\n")
  target_link_options(${name} PRIVATE "LINKER:--version-script=${exports}" "LINKER:--exclude-libs,ALL")
  # A wheel's module carries its own C++ runtime, hidden like the rest, so it
  # needs no libstdc++ as recent as the compiler's. Dropping the sections no
  # one calls keeps out the runtime's arc4random, which glibc has only since
  # 2.36. libgcc_s stays shared: every glibc system has it, and its static
  # twin would call _dl_find_object, new in glibc 2.35.
  if(PAISCRIBE_STATIC_DEPS)
    target_link_options(${name} PRIVATE -static-libstdc++ "LINKER:--gc-sections")
  endif()
  set_target_properties(${name} PROPERTIES LINK_DEPENDS ${exports})
endfunction()

paiscribe_module(_paiscribe ${cpython_folder}/paiscribe_module.cpp)
target_compile_definitions(_paiscribe PRIVATE PAISCRIBE_VERSION="${PROJECT_VERSION}")
install(TARGETS _paiscribe LIBRARY DESTINATION .)

paiscribe_module(_native
  ${cpython_folder}/native_module.cpp
  ${cpython_folder}/native_state.cpp
  ${cpython_folder}/native_convert_file.cpp
  ${cpython_folder}/native_mjlog_to_tenhou.cpp
  ${cpython_folder}/native_mjai_to_tenhou.cpp
  ${cpython_folder}/json_log_result.cpp
  ${cpython_folder}/native_convert_text.cpp
  ${cpython_folder}/native_convert_files.cpp
  ${cpython_folder}/native_check.cpp
  ${cpython_folder}/native_view.cpp
  ${cpython_folder}/finding_tuples.cpp
  ${cpython_folder}/facts_tuples.cpp
  ${cpython_folder}/job_feed.cpp
  ${cpython_folder}/native_os_error.cpp
  ${cpython_folder}/native_finding_text.cpp
  ${cpython_folder}/native_write_output.cpp
  ${cpython_folder}/native_games_file.cpp)
install(TARGETS _native LIBRARY DESTINATION paiscribe)
