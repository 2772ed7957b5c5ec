# The libraries the core is built on, each found without pkg-config. Whatever
# is missing is named in one line of the packages to install, rather than by
# the first lookup that failed.
#
# With PAISCRIBE_STATIC_DEPS, pugixml and libdeflate come from their static
# archives where the system has them, for a module that needs only the C
# library; what has none stays shared, for auditwheel to bundle. So does
# libbz2: Debian's archive of it is not position-independent code, which no
# shared module can hold.
set(paiscribe_missing_debian "")
set(paiscribe_missing_fedora "")
macro(paiscribe_missing debian fedora)
  list(APPEND paiscribe_missing_debian ${debian})
  list(APPEND paiscribe_missing_fedora ${fedora})
endmacro()

find_path(RAPIDJSON_INCLUDE_DIR rapidjson/document.h)
if(NOT RAPIDJSON_INCLUDE_DIR)
  paiscribe_missing(rapidjson-dev rapidjson-devel)
endif()

find_package(pugixml CONFIG QUIET)
if(pugixml_FOUND)
  if(PAISCRIBE_STATIC_DEPS AND TARGET pugixml::static)
    add_library(paiscribe::pugixml ALIAS pugixml::static)
  else()
    add_library(paiscribe::pugixml ALIAS pugixml::pugixml)
  endif()
else()
  paiscribe_missing(libpugixml-dev pugixml-devel)
endif()

# A C library by its header and its name, as the imported target
# paiscribe::TARGET: its static archive first with PAISCRIBE_STATIC_DEPS,
# unless SHARED follows.
macro(paiscribe_c_library target header name debian fedora)
  string(TOUPPER ${target} prefix)
  find_path(${prefix}_INCLUDE_DIR ${header})
  if(PAISCRIBE_STATIC_DEPS AND NOT "${ARGN}" STREQUAL "SHARED")
    find_library(${prefix}_LIBRARY NAMES lib${name}.a ${name})
  else()
    find_library(${prefix}_LIBRARY NAMES ${name})
  endif()
  if(${prefix}_INCLUDE_DIR AND ${prefix}_LIBRARY)
    add_library(paiscribe::${target} UNKNOWN IMPORTED)
    set_target_properties(paiscribe::${target} PROPERTIES
      IMPORTED_LOCATION ${${prefix}_LIBRARY} INTERFACE_INCLUDE_DIRECTORIES ${${prefix}_INCLUDE_DIR})
  else()
    paiscribe_missing(${debian} ${fedora})
  endif()
endmacro()

paiscribe_c_library(libdeflate libdeflate.h deflate libdeflate-dev libdeflate-devel)
paiscribe_c_library(bzip2 bzlib.h bz2 libbz2-dev bzip2-devel SHARED)

# One line, for CMakeLists.txt to end the configuration with.
if(paiscribe_missing_debian)
  list(JOIN paiscribe_missing_debian " " debian)
  list(JOIN paiscribe_missing_fedora " " fedora)
  set(PAISCRIBE_MISSING_PACKAGES "install ${debian} (Debian/Ubuntu) or ${fedora} (Fedora)")
endif()
