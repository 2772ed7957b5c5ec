# The libraries the core is built on, each found without pkg-config. Whatever
# is missing is named in one line of the packages to install, rather than by
# the first lookup that failed.
#
# With PAISCRIBE_STATIC_DEPS, pugixml and libdeflate come from their static
# archives where the system has them, for a module that needs only the C
# library; what has none stays shared, for auditwheel to bundle.
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

find_path(LIBDEFLATE_INCLUDE_DIR libdeflate.h)
if(PAISCRIBE_STATIC_DEPS)
  find_library(LIBDEFLATE_LIBRARY NAMES libdeflate.a deflate)
else()
  find_library(LIBDEFLATE_LIBRARY NAMES deflate)
endif()
if(LIBDEFLATE_INCLUDE_DIR AND LIBDEFLATE_LIBRARY)
  add_library(paiscribe::libdeflate UNKNOWN IMPORTED)
  set_target_properties(paiscribe::libdeflate PROPERTIES
    IMPORTED_LOCATION ${LIBDEFLATE_LIBRARY} INTERFACE_INCLUDE_DIRECTORIES ${LIBDEFLATE_INCLUDE_DIR})
else()
  paiscribe_missing(libdeflate-dev libdeflate-devel)
endif()

# One line, for CMakeLists.txt to end the configuration with.
if(paiscribe_missing_debian)
  list(JOIN paiscribe_missing_debian " " debian)
  list(JOIN paiscribe_missing_fedora " " fedora)
  set(PAISCRIBE_MISSING_PACKAGES "install ${debian} (Debian/Ubuntu) or ${fedora} (Fedora)")
endif()
