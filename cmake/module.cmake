# The _paiscribe extension module: module.cpp over the Python-free entry.
find_package(Python 3.12 REQUIRED COMPONENTS Interpreter Development.Module)

Python_add_library(_paiscribe MODULE WITH_SOABI src/paiscribe/cpython/module.cpp)
target_link_libraries(_paiscribe PRIVATE paiscribe_entry)
target_compile_definitions(_paiscribe PRIVATE PAISCRIBE_VERSION="${PROJECT_VERSION}")

# Only the initialisation function leaves the module: the standard library
# templates it instantiates would otherwise be exported too.
set(paiscribe_exports ${CMAKE_CURRENT_BINARY_DIR}/paiscribe_module.map)
file(CONFIGURE OUTPUT ${paiscribe_exports} CONTENT "{\n  global: PyInit__paiscribe;\n  local: *;\n};\n")
target_link_options(_paiscribe PRIVATE "LINKER:--version-script=${paiscribe_exports}" "LINKER:--exclude-libs,ALL")
set_target_properties(_paiscribe PROPERTIES LINK_DEPENDS ${paiscribe_exports})

install(TARGETS _paiscribe LIBRARY DESTINATION .)
