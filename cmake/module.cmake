# The extension modules: _paiscribe (module.cpp) and paiscribe._native (the
# native_*.cpp files), each over the Python-free entry.
find_package(Python 3.12 REQUIRED COMPONENTS Interpreter Development.Module)

set(paiscribe_cpython ${PROJECT_SOURCE_DIR}/src/paiscribe/cpython)
# The boundary's headers are seen as the layers' are: paiscribe/cpython/...
set(paiscribe_cpython_visible ${PROJECT_BINARY_DIR}/layers/cpython)
file(MAKE_DIRECTORY ${paiscribe_cpython_visible}/paiscribe)
file(CREATE_LINK ${paiscribe_cpython} ${paiscribe_cpython_visible}/paiscribe/cpython SYMBOLIC)

# Only the initialisation function leaves a module: the standard library
# templates it instantiates would otherwise be exported too.
function(paiscribe_module name)
  Python_add_library(${name} MODULE WITH_SOABI ${ARGN} ${paiscribe_cpython}/python_values.cpp)
  target_link_libraries(${name} PRIVATE paiscribe_entry)
  target_include_directories(${name} PRIVATE ${paiscribe_cpython_visible})
  set(exports ${CMAKE_CURRENT_BINARY_DIR}/${name}_module.map)
  file(CONFIGURE OUTPUT ${exports} CONTENT "{\n  global: PyInit_${name};\n  local: *;\n};\n")
  target_link_options(${name} PRIVATE "LINKER:--version-script=${exports}" "LINKER:--exclude-libs,ALL")
  set_target_properties(${name} PROPERTIES LINK_DEPENDS ${exports})
endfunction()

paiscribe_module(_paiscribe ${paiscribe_cpython}/module.cpp)
target_compile_definitions(_paiscribe PRIVATE PAISCRIBE_VERSION="${PROJECT_VERSION}")
install(TARGETS _paiscribe LIBRARY DESTINATION .)

file(GLOB native_sources CONFIGURE_DEPENDS ${paiscribe_cpython}/native_*.cpp)
paiscribe_module(_native ${native_sources})
install(TARGETS _native LIBRARY DESTINATION paiscribe)
